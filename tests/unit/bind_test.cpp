// Binding entry points by name: success is kept for the process; a failure
// shows the fatal box, runs the exit routine and ends with -1.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "runtime/bind.h"
#include "runtime/entry_points.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

TEST(Bind, BoundEntryPointBehavesLikeThePlatformFunction) {
    EXPECT_STREQ(api::PathFindFileNameW(L"C:\\pics\\a.jpg"), L"a.jpg");
    auto first = api::PathFindFileNameW.Get();
    EXPECT_EQ(first, api::PathFindFileNameW.Get());
    EXPECT_EQ(reinterpret_cast<void*>(first),
              reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shlwapi.dll"), "PathFindFileNameW")));
}

namespace {

struct FatalOutcome {
    std::wstring text;
    std::wstring title;
    DWORD exitCode = 0xDEAD;
    bool markerWritten = false;
};

FatalOutcome RunFailingChild(const char* which) {
    FatalOutcome out;
    ScratchFolder dir;
    const std::string marker = dir / "exit-routine-ran";
    Child child;
    std::string command = ProgramFolder();
    command.insert(0, 1, '"');
    command.append("\\bind_fail_child.exe\" \"").append(marker).append("\" ").append(which);
    EXPECT_TRUE(StartChild(child, command));
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (box = FindMessageBox(child.info.dwProcessId)) != nullptr; }, 20000));
    if (box) {
        auto statics = ChildTexts(box, L"Static");
        for (auto& s : statics)
            if (!s.empty()) out.text = s;
        out.title = WindowTextW(box);
        EXPECT_TRUE(ClickButton(box, L"确定") || ClickButton(box, L"OK"));
    }
    out.exitCode = child.Wait(20000);
    out.markerWritten = GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    return out;
}

}  // namespace

TEST(Bind, MissingEntryPointIsFatalWithItsNames) {
    FatalOutcome out = RunFailingChild("name");
    EXPECT_EQ(out.text, L"无法找到指定DLL库文件“kernel32.dll”中的输出命令“NoSuchEntryPoint”");
    EXPECT_EQ(out.title, L"信息：");
    EXPECT_EQ(out.exitCode, static_cast<DWORD>(-1));
    EXPECT_TRUE(out.markerWritten);
}

TEST(Bind, MissingLibraryIsFatalWithItsNames) {
    FatalOutcome out = RunFailingChild("library");
    EXPECT_EQ(out.text, L"无法找到指定DLL库文件“nosuchlib.dll”中的输出命令“Anything”");
    EXPECT_EQ(out.exitCode, static_cast<DWORD>(-1));
    EXPECT_TRUE(out.markerWritten);
}
