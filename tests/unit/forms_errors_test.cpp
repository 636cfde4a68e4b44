// The form layer's fatal paths in a child program: the box, its exact text
// and title, one box only, and the exit code -1 once it is answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/text.h"
#include "test_support.h"

using namespace vela;

namespace {

struct Outcome {
    std::wstring text = L"<no box>";
    std::wstring title = L"<no box>";
    DWORD exitCode = 12345;
    bool secondBox = false;
};

Outcome RunHelper(const std::string& mode) {
    Outcome o;
    test::Child child;
    std::string exe = test::ProgramFolder() + "\\forms_error_helper.exe";
    if (!test::StartChild(child, "\"" + exe + "\" " + mode, test::ProgramFolder())) return o;
    DWORD pid = child.info.dwProcessId;
    HWND box = nullptr;
    if (test::WaitFor([&] { return (box = test::FindMessageBox(pid)) != nullptr || child.Wait(0) != STILL_ACTIVE; })) {
        if (box) {
            std::wstring all;
            for (const std::wstring& t : test::ChildTexts(box, L"Static")) all += t;
            o.text = all;
            o.title = test::WindowTextW(box);
            test::ClickButton(box, L"确定");
            // A second box would keep the program alive.
            test::WaitFor([&] { return child.Wait(0) != STILL_ACTIVE; }, 5000);
            if (HWND again = test::FindMessageBox(pid)) {
                o.secondBox = true;
                test::ClickButton(again, L"确定");
            }
        }
    }
    o.exitCode = child.Wait(15000);
    return o;
}

std::wstring W(const char* gbk) { return WideFromGbk(gbk); }

TEST(FormErrors, FormNotLoadedAtAll) {
    Outcome o = RunHelper("unloaded");
    EXPECT_EQ(o.text, W("未载入欲访问窗口组件所在的窗口"));
    EXPECT_EQ(o.title, W("信息："));
    EXPECT_FALSE(o.secondBox);
    EXPECT_EQ(o.exitCode, static_cast<DWORD>(-1));
}

TEST(FormErrors, ReadOfControlWhoseWindowIsGone) {
    Outcome o = RunHelper("read");
    EXPECT_EQ(o.text, W("读取组件属性时发现指定窗口尚未载入"));
    EXPECT_EQ(o.exitCode, static_cast<DWORD>(-1));
}

TEST(FormErrors, WriteOfControlWhoseWindowIsGone) {
    Outcome o = RunHelper("write");
    EXPECT_EQ(o.text, W("修改组件属性时发现指定窗口尚未载入"));
    EXPECT_EQ(o.exitCode, static_cast<DWORD>(-1));
}

TEST(FormErrors, StartWindowThatCannotBeBuilt) {
    Outcome o = RunHelper("startfail");
    EXPECT_EQ(o.text, W("载入启动窗口失败"));
    EXPECT_EQ(o.title, W("信息："));
    EXPECT_EQ(o.exitCode, static_cast<DWORD>(-1));
}

TEST(FormErrors, MissingEngineWarnsOnceAndEnds) {
    Outcome o = RunHelper("noengine");
    EXPECT_EQ(o.text, W("程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件"));
    EXPECT_EQ(o.title, L"Warning");
    EXPECT_FALSE(o.secondBox);
    EXPECT_EQ(o.exitCode, static_cast<DWORD>(-1));
}

}  // namespace
