// GBK text helpers: searches step over double-byte characters, so a trail
// byte is never taken for the start of a match or for a backslash.
#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/text.h"

// Last: mbctype.h defines _M1 and _M2, which the C++ library's own headers use as names.
#include <mbctype.h>
#include <mbstring.h>
#include <shlwapi.h>

using namespace vela;

namespace {
// "刓" is 84 5C in code page 936: its trail byte is a backslash.
const std::string kTrail5C = "刓";
}  // namespace

TEST(Text, LiteralWithBackslashTrailByte) {
    ASSERT_EQ(kTrail5C, std::string("\x84\x5C"));
}

TEST(Text, FindTextNeverStartsOnATrailByte) {
    // "丄" is 81 41: its trail byte is 'A'.
    const std::string text = std::string("\x81\x41") + "BA";
    EXPECT_EQ(FindText(text, "A"), 3u);
    EXPECT_EQ(FindText(text, "AB"), kNotFound);
    EXPECT_EQ(FindText(kTrail5C + "\\x", "\\"), 2u);
    EXPECT_EQ(FindText(kTrail5C, "\\"), kNotFound);
}

TEST(Text, FindTextFromAndCaseModes) {
    EXPECT_EQ(FindText("a.JPG.jpg", ".jpg"), 5u);
    EXPECT_EQ(FindText("a.JPG.jpg", ".jpg", 0, true), 1u);
    EXPECT_EQ(FindText("a.JPG.jpg", ".jpg", 2, true), 5u);
    // Only ASCII letters fold: a GBK character never equals another by folding.
    EXPECT_EQ(FindText("图片", "图片", 0, true), 0u);
    EXPECT_EQ(FindText("", "a"), kNotFound);
    EXPECT_EQ(FindText("abc", ""), 0u);
    EXPECT_EQ(FindText("abc", "", 3), kNotFound);
    EXPECT_EQ(FindText("ab", "abc"), kNotFound);
}

TEST(Text, TruncatedLeadByteAtTheEndIsSafe) {
    const std::string text = "ab\x84";
    EXPECT_EQ(FindText(text, "\x84"), 2u);
    EXPECT_EQ(FindLastByte(text, 'b'), 1u);
    EXPECT_EQ(FindLastByte(text, '\\'), kNotFound);
}

TEST(Text, FindLastByteSkipsTrailBytes) {
    EXPECT_EQ(FindLastByte("C:\\pics\\a.jpg", '\\'), 7u);
    EXPECT_EQ(FindLastByte("C:\\" + kTrail5C + "x", '\\'), 2u);
    EXPECT_EQ(FindLastByte(kTrail5C, '\\'), kNotFound);
    EXPECT_EQ(FindLastByte("", '\\'), kNotFound);
}

// The platform's own double-byte searches under code page 936 as the
// reference: the shell's StrStrA (which steps by CharNextA), the C
// runtime's _mbsrchr, and PathFindFileNameA for the name part after the
// last backslash. (Wine's _mbsstr compares byte by byte, so it is no
// reference for a search.)
TEST(Text, SearchesAgreeWithThePlatformsDoubleByteCalls) {
    ASSERT_EQ(_setmbcp(936), 0);
    ASSERT_EQ(GetACP(), 936u) << "PathFindFileNameA steps by the ANSI code page";
    const std::string texts[] = {
        std::string("\x81\x41") + "BA",  // 丄: trail byte 'A'
        kTrail5C + "\\x",
        kTrail5C,
        "a.JPG.jpg",
        "C:\\pics\\a.jpg",
        "C:\\图片\\" + kTrail5C + "\\照片.jpg",
        "C:\\" + kTrail5C + "x",
        "D:\\乗\\乗.png",
        "说明.txt",
        "C:\\\x80\\x.jpg",  // 0x80 and 0xFF are no lead bytes in code page 936
        "C:\\a\xFF\\b",
        "",
    };
    const std::string needles[] = {"A", "AB", "\\", ".jpg", "片", "x", "\x5C\\", "jpg"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const auto* t = reinterpret_cast<const unsigned char*>(text.c_str());
        for (const std::string& needle : needles) {
            const char* at = StrStrA(text.c_str(), needle.c_str());
            EXPECT_EQ(FindText(text, needle), at ? static_cast<std::size_t>(at - text.c_str()) : kNotFound) << needle;
        }
        const unsigned char* slash = _mbsrchr(t, '\\');
        const std::size_t last = FindLastByte(text, '\\');
        EXPECT_EQ(last, slash ? static_cast<std::size_t>(slash - t) : kNotFound);
        if (last != kNotFound) {
            EXPECT_EQ(text.substr(last + 1), std::string(PathFindFileNameA(text.c_str())));
        }
    }
}

TEST(Text, SameTextEndsAtNul) {
    EXPECT_TRUE(SameText(std::string("abc\0def", 7), "abc"));
    EXPECT_FALSE(SameText("abc", "ABC"));
    EXPECT_TRUE(SameText("", std::string("\0x", 2)));
}

TEST(Text, TextOfBytesStopsAtFirstNul) {
    EXPECT_EQ(TextOfBytes(Bytes{'a', 'b', 0, 'c'}), "ab");
    EXPECT_EQ(TextOfBytes(Bytes{'a', 'b'}), "ab");
    EXPECT_EQ(TextOfBytes(Bytes{}), "");
}

TEST(Text, ConversionsThroughCodePage936) {
    const std::wstring wide = L"图片\\刓.jpg";
    const std::string gbk = GbkFromWide(wide);
    EXPECT_EQ(gbk, "图片\\" + kTrail5C + ".jpg");
    EXPECT_EQ(WideFromGbk(gbk), wide);
    EXPECT_EQ(WideFromGbk(""), L"");
    EXPECT_EQ(GbkFromWide(L""), "");
}
