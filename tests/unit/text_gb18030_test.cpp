// The shared GB18030 codec: the bytes of each text as Python's gb18030 codec
// gives them (tests/support/gb18030_expectations.py prints the tables), and
// every character of the plane there and back again.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "text/gb18030.h"

using vela::text::Gb18030FromWide;
using vela::text::WideFromGb18030;

namespace {

struct Sample {
    const char* name;
    std::wstring wide;
    std::string bytes;
};

const Sample kSamples[] = {
    {"ascii", L"\x0061\x002E\x006A\x0070\x0067", "\x61\x2E\x6A\x70\x67"},
    {"gbk_chinese", L"\x4E2D\x6587\x56FE\x7247\x002E\x006A\x0070\x0067", "\xD6\xD0\xCE\xC4\xCD\xBC\xC6\xAC\x2E\x6A\x70\x67"},
    {"em_dash_title", L"\xD55C\xAD6D\x002E\x006A\x0070\x0067\x2014\x0056\x0065\x006C\x0061\x56FE\x7247\x67E5\x770B\x5668", "\x83\x36\x84\x33\x82\x37\xF4\x30\x2E\x6A\x70\x67\xA1\xAA\x56\x65\x6C\x61\xCD\xBC\xC6\xAC\xB2\xE9\xBF\xB4\xC6\xF7"},
    {"korean", L"\xD55C\xAD6D\x002E\x006A\x0070\x0067", "\x83\x36\x84\x33\x82\x37\xF4\x30\x2E\x6A\x70\x67"},
    {"japanese_kana", L"\x304B\x306A\x30AB\x30CA\x002E\x0070\x006E\x0067", "\xA4\xAB\xA4\xCA\xA5\xAB\xA5\xCA\x2E\x70\x6E\x67"},
    {"vietnamese_combining", L"\x0054\x0069\x0065\x0302\x0301\x006E\x0067\x0020\x0056\x0069\x0065\x0323\x0302\x0074", "\x54\x69\x65\x81\x30\xBC\x38\x81\x30\xBC\x37\x6E\x67\x20\x56\x69\x65\x81\x30\xC0\x31\x81\x30\xBC\x38\x74"},
    {"emoji", L"\x007A\xD83D\xDE00\x002E\x0070\x006E\x0067", "\x7A\x94\x39\xFC\x36\x2E\x70\x6E\x67"},
    {"extension_b", L"\xD840\xDC00\xD869\xDED6", "\x95\x32\x82\x36\x98\x35\xF3\x36"},
    {"latin_1", L"\x0080\x00A4\x00E9", "\x81\x30\x81\x30\xA1\xE8\xA8\xA6"},
    {"radical_two_byte_in_gb18030", L"\x2E81\x4DAE", "\xFE\x50\xFE\x9F"},
    {"private_use_twins", L"\xE815\xE76C", "\x83\x36\xC9\x34\x83\x36\xC7\x39"},
    {"plane_edges", L"\xFFFD\xFFFE\xFFFF", "\x84\x31\xA4\x37\x84\x31\xA4\x38\x84\x31\xA4\x39"},
    {"supplementary_edges", L"\xD800\xDC00\xDBFF\xDFFF", "\x90\x30\x81\x30\xE3\x32\x9A\x35"},
};

// FNV-1a of the bytes of every character of each block of 4096 code points
// (U+0000, the surrogates and U+20AC left out).
const uint64_t kBlockDigests[16] = {
    0x6B80454BA7E6DCEDULL,
    0xF763C85E7678CC55ULL,
    0xA1F18D75DC763A08ULL,
    0x8D52BE4F0958C6B8ULL,
    0xC316752F4ED1E3BDULL,
    0x42ADC42518E28C3EULL,
    0x27C5A9401A719562ULL,
    0x81991C42DA9A8119ULL,
    0xE5552DBBB0F33635ULL,
    0xE16E2E71537A04BFULL,
    0xEF0EC9A91AB8E9B7ULL,
    0x01CABE94FB933E33ULL,
    0x416CCE231F9FF4CAULL,
    0xDEF36B0B124BB727ULL,
    0xCE7C247146808D46ULL,
    0xAFC9176FF94269ACULL,
};

uint64_t Fnv1a(const std::string& bytes, uint64_t h) {
    for (unsigned char byte : bytes) h = (h ^ byte) * 0x100000001B3ULL;
    return h;
}

bool KeptByCodePage936(char32_t c) { return c == 0x20AC; }

}  // namespace

TEST(Gb18030, SamplesMatchThePythonCodecBothWays) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        EXPECT_EQ(Gb18030FromWide(sample.wide), sample.bytes);
        EXPECT_EQ(WideFromGb18030(sample.bytes), sample.wide);
    }
}

TEST(Gb18030, EveryPlaneCharacterMatchesThePythonCodecAndComesBack) {
    for (char32_t block = 0; block < 16; ++block) {
        uint64_t digest = 0xCBF29CE484222325ULL;
        for (char32_t c = block == 0 ? 1 : block * 4096; c < (block + 1) * 4096; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            const std::wstring one(1, static_cast<wchar_t>(c));
            const std::string bytes = Gb18030FromWide(one);
            ASSERT_EQ(WideFromGb18030(bytes), one) << std::hex << static_cast<uint32_t>(c);
            if (!KeptByCodePage936(c)) digest = Fnv1a(bytes, digest);
        }
        EXPECT_EQ(digest, kBlockDigests[block]) << "block " << static_cast<uint32_t>(block);
    }
}

// Characters code page 936 has keep its bytes exactly, as the platform gives them.
TEST(Gb18030, CodePage936CharactersKeepThePlatformsBytes) {
    for (const wchar_t c : {L'\x20AC', L'\x4E2D', L'\x2014', L'\xE7C7'}) {
        char expected[2];
        BOOL used_default = FALSE;
        const int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &c, 1, expected, 2, nullptr, &used_default);
        ASSERT_GT(n, 0);
        ASSERT_FALSE(used_default);
        EXPECT_EQ(Gb18030FromWide(std::wstring(1, c)), std::string(expected, static_cast<std::size_t>(n)));
    }
}

// Broken input: U+FFFD, as the WHATWG Encoding Standard's gb18030 decoder
// reads it, and nothing read past the text's end.
TEST(Gb18030, BrokenSequencesGiveTheReplacementCharacter) {
    struct Case {
        const char* name;
        std::string bytes;
        std::wstring wide;
    } const cases[] = {
        {"lead at the end", "a\x81", L"a\xFFFD"},
        {"lead and digit at the end", "a\x81\x30", L"a\xFFFD"},
        {"three of four bytes", "a\x95\x32\x82", L"a\xFFFD"},
        {"wrong third byte", "\x81\x30x", L"\xFFFD" L"0x"},
        {"wrong fourth byte", "\x81\x30\x81 ", L"\xFFFD" L"0\xFFFD "},
        {"lead before a space", "\x81 b", L"\xFFFD b"},
        {"first number after the plane", "\x84\x31\xA5\x30", L"\xFFFD"},
        {"past U+10FFFF", "\xFE\x39\xFE\x39", L"\xFFFD"},
        {"empty", "", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WideFromGb18030(c.bytes), c.wide);
    }
    // A four-byte character cut by the view's end, the rest of it still in memory.
    const std::string whole = "\x95\x32\x82\x36";
    EXPECT_EQ(WideFromGb18030(std::string_view(whole).substr(0, 3)), L"\xFFFD");
}

TEST(Gb18030, UnpairedSurrogatesBecomeTheReplacementCharacter) {
    const std::string replacement = "\x84\x31\xA4\x37";
    EXPECT_EQ(Gb18030FromWide(L"a\xD800"), "a" + replacement);
    EXPECT_EQ(Gb18030FromWide(std::wstring(L"\xDC00") + L"b"), replacement + "b");
    EXPECT_EQ(Gb18030FromWide(std::wstring(L"\xD83D") + L"\xD83D\xDE00"), replacement + "\x94\x39\xFC\x36");
}
