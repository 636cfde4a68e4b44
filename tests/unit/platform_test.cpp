// The test platform itself: a wrong environment must fail loudly here rather
// than garble every GBK name in the other tests.
#include <windows.h>

#include <gtest/gtest.h>

TEST(Platform, AnsiCodePageIsGbk) {
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_EQ(GetOEMCP(), 936u);
}

TEST(Platform, NarrowLiteralsAreGbk) {
    // "图" is CD BC in code page 936.
    const char* s = "图";
    ASSERT_EQ(strlen(s), 2u);
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0xCD);
    EXPECT_EQ(static_cast<unsigned char>(s[1]), 0xBC);
}
