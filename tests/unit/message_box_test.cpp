// Message boxes: no owner, task-modal, "信息：" when shown without a title.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "runtime/message_box.h"
#include "test_support.h"

using namespace vela::test;

namespace {

struct Seen {
    std::wstring title, text;
    HWND owner = reinterpret_cast<HWND>(1);
};

// Shows a box on this thread while another thread reads and closes it.
Seen ShowAndRead(std::string_view text, std::string_view title, int* result) {
    Seen seen;
    std::thread watcher([&] {
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = FindMessageBox(GetCurrentProcessId())) != nullptr; })) return;
        seen.title = WindowTextW(box);
        for (auto& s : ChildTexts(box, L"Static"))
            if (!s.empty()) seen.text = s;
        seen.owner = GetWindow(box, GW_OWNER);
        ClickButton(box, L"确定") || ClickButton(box, L"OK");
    });
    *result = vela::runtime::ShowMessageBox(text, title, MB_OK);
    watcher.join();
    return seen;
}

}  // namespace

TEST(MessageBox, UntitledBoxGetsTheDefaultTitle) {
    int result = -7;
    Seen seen = ShowAndRead("图片信息文本", "", &result);
    EXPECT_EQ(seen.title, L"信息：");
    EXPECT_EQ(seen.text, L"图片信息文本");
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_EQ(result, IDOK);
}

TEST(MessageBox, TitleIsKept) {
    int result = -7;
    Seen seen = ShowAndRead("x", "是否删除文件？", &result);
    EXPECT_EQ(seen.title, L"是否删除文件？");
    EXPECT_EQ(result, IDOK);
}
