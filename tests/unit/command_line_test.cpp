// Splitting the command line: the last argument after the program's path.
#include <gtest/gtest.h>

#include "app/command_line.h"

using vela::LastCommandLineArgument;

TEST(CommandLine, NoArgument) {
    EXPECT_EQ(LastCommandLineArgument(L""), L"");
    EXPECT_EQ(LastCommandLineArgument(L"VelaViewer.exe"), L"");
    EXPECT_EQ(LastCommandLineArgument(L"\"C:\\Program Files\\Vela\\VelaViewer.exe\"   "), L"");
    EXPECT_EQ(LastCommandLineArgument(L"   "), L"");
}

TEST(CommandLine, LastOfSeveralArgumentsWins) {
    EXPECT_EQ(LastCommandLineArgument(L"v.exe C:\\a.jpg C:\\b.jpg"), L"C:\\b.jpg");
    EXPECT_EQ(LastCommandLineArgument(L"\"C:\\Program Files\\v.exe\" a.jpg"), L"a.jpg");
    EXPECT_EQ(LastCommandLineArgument(L"v.exe\ta.jpg\r\nb.jpg"), L"b.jpg");
}

TEST(CommandLine, QuotesKeepSpacesTogether) {
    EXPECT_EQ(LastCommandLineArgument(L"v.exe \"C:\\my pics\\a b.jpg\""), L"C:\\my pics\\a b.jpg");
    // Unquoted, the same path splits at its spaces and its last piece is used.
    EXPECT_EQ(LastCommandLineArgument(L"v.exe C:\\my pics\\a b.jpg"), L"b.jpg");
    // A quote ends an unquoted run and starts a new argument.
    EXPECT_EQ(LastCommandLineArgument(L"v.exe ab\"c d\""), L"c d");
    EXPECT_EQ(LastCommandLineArgument(L"\"v.exe\"x.jpg"), L"x.jpg");
}

TEST(CommandLine, UnbalancedAndEmptyQuotes) {
    EXPECT_EQ(LastCommandLineArgument(L"v.exe \"C:\\a b.jpg"), L"C:\\a b.jpg");
    EXPECT_EQ(LastCommandLineArgument(L"v.exe a.jpg \"\""), L"");
    EXPECT_EQ(LastCommandLineArgument(L"v.exe \"\" a.jpg"), L"a.jpg");
    EXPECT_EQ(LastCommandLineArgument(L"\"v.exe"), L"");
    EXPECT_EQ(LastCommandLineArgument(L"v.exe \""), L"");
}

// The line is UTF-16: Chinese, Korean, an emoji (a surrogate pair) and a
// CJK Extension B character arrive whole, quoted or not.
TEST(CommandLine, EveryCharacterStaysWhole) {
    for (const wchar_t* path : {L"C:\\图片\\风景.jpg", L"C:\\사진\\한국.jpg", L"C:\\z😀.png", L"C:\\\U00020000.jpg"}) {
        EXPECT_EQ(LastCommandLineArgument(std::wstring(L"v.exe ") + path), path);
        EXPECT_EQ(LastCommandLineArgument(std::wstring(L"v.exe \"") + path + L"\""), path);
    }
}

TEST(CommandLine, ControlCharactersSeparate) {
    EXPECT_EQ(LastCommandLineArgument(L"v.exe a\x01" L"b\x1f"), L"b");
    EXPECT_EQ(LastCommandLineArgument(std::wstring(L"v.exe a.jpg\0b.jpg", 17)), L"a.jpg");
}
