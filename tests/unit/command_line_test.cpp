// Splitting the command line: the last argument after the program's path.
#include <gtest/gtest.h>

#include "app/command_line.h"

using vela::LastCommandLineArgument;

TEST(CommandLine, NoArgument) {
    EXPECT_EQ(LastCommandLineArgument(""), "");
    EXPECT_EQ(LastCommandLineArgument("VelaViewer.exe"), "");
    EXPECT_EQ(LastCommandLineArgument("\"C:\\Program Files\\Vela\\VelaViewer.exe\"   "), "");
    EXPECT_EQ(LastCommandLineArgument("   "), "");
}

TEST(CommandLine, LastOfSeveralArgumentsWins) {
    EXPECT_EQ(LastCommandLineArgument("v.exe C:\\a.jpg C:\\b.jpg"), "C:\\b.jpg");
    EXPECT_EQ(LastCommandLineArgument("\"C:\\Program Files\\v.exe\" a.jpg"), "a.jpg");
    EXPECT_EQ(LastCommandLineArgument("v.exe\ta.jpg\r\nb.jpg"), "b.jpg");
}

TEST(CommandLine, QuotesKeepSpacesTogether) {
    EXPECT_EQ(LastCommandLineArgument("v.exe \"C:\\my pics\\a b.jpg\""), "C:\\my pics\\a b.jpg");
    // Unquoted, the same path splits at its spaces and its last piece is used.
    EXPECT_EQ(LastCommandLineArgument("v.exe C:\\my pics\\a b.jpg"), "b.jpg");
    // A quote ends an unquoted run and starts a new argument.
    EXPECT_EQ(LastCommandLineArgument("v.exe ab\"c d\""), "c d");
    EXPECT_EQ(LastCommandLineArgument("\"v.exe\"x.jpg"), "x.jpg");
}

TEST(CommandLine, UnbalancedAndEmptyQuotes) {
    EXPECT_EQ(LastCommandLineArgument("v.exe \"C:\\a b.jpg"), "C:\\a b.jpg");
    EXPECT_EQ(LastCommandLineArgument("v.exe a.jpg \"\""), "");
    EXPECT_EQ(LastCommandLineArgument("v.exe \"\" a.jpg"), "a.jpg");
    EXPECT_EQ(LastCommandLineArgument("\"v.exe"), "");
    EXPECT_EQ(LastCommandLineArgument("v.exe \""), "");
}

TEST(CommandLine, GbkCharactersStayWhole) {
    EXPECT_EQ(LastCommandLineArgument("v.exe C:\\图片\\风景.jpg"), "C:\\图片\\风景.jpg");
    // A lead byte takes its follower even when that is at or below the space.
    EXPECT_EQ(LastCommandLineArgument(std::string("v.exe a\x81\x20z")), std::string("a\x81\x20z"));
    // A lead byte at the very end has nothing to take.
    EXPECT_EQ(LastCommandLineArgument(std::string("v.exe ab\x81")), std::string("ab\x81"));
    EXPECT_EQ(LastCommandLineArgument(std::string("v.exe \"ab\x81")), std::string("ab\x81"));
}

TEST(CommandLine, ControlCharactersSeparate) {
    EXPECT_EQ(LastCommandLineArgument(std::string("v.exe a\x01" "b\x1f")), "b");
    EXPECT_EQ(LastCommandLineArgument(std::string("v.exe a.jpg\0b.jpg", 17)), "a.jpg");
}
