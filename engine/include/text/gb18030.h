#pragma once
// Texts between the viewer, the engine and the platform: GBK bytes, as the
// viewer and the engine's exports have always carried them, widened to
// GB18030 so that any character can travel in the same byte string. A
// character that code page 936 has keeps its GBK bytes (one or two bytes,
// byte for byte as before); any other is carried as its GB18030 four-byte
// sequence, a lead byte 0x81-0xFE followed by a digit. No GBK trail byte is
// a digit, so a GBK text never reads as a four-byte one.
//
// Windows knows this as code page 54936, Wine 8 does not (its conversions
// fail with ERROR_INVALID_PARAMETER), so the four-byte part is done here and
// everything else by code page 936, named explicitly: the system's own code
// page may be any other. Shared, header only, by the viewer and the engine.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace vela::text {

namespace gb18030_detail {

constexpr unsigned kCodePageGbk = 936;
constexpr wchar_t kReplacement = 0xFFFD;
// Four-byte sequences are numbered 0..1587599; the plane's characters take
// 0..39419, the supplementary planes 189000 onwards, one number each.
constexpr uint32_t kBmpPointers = 39420;
constexpr uint32_t kSupplementaryStart = 189000;
constexpr uint32_t kSupplementaryPointers = 0x100000;

// Where each run of consecutive code points starts in the four-byte
// numbering of the plane (tools/gb18030_tables.py prints it).
struct FourByteRange {
    uint32_t pointer;
    char16_t first;
};
inline constexpr FourByteRange kBmpRanges[] = {
    {0, 0x0080}, {36, 0x00A5}, {38, 0x00A9}, {45, 0x00B2}, {50, 0x00B8}, {81, 0x00D8},
    {89, 0x00E2}, {95, 0x00EB}, {96, 0x00EE}, {100, 0x00F4}, {103, 0x00F8}, {104, 0x00FB},
    {105, 0x00FD}, {109, 0x0102}, {126, 0x0114}, {133, 0x011C}, {148, 0x012C}, {172, 0x0145},
    {175, 0x0149}, {179, 0x014E}, {208, 0x016C}, {306, 0x01CF}, {307, 0x01D1}, {308, 0x01D3},
    {309, 0x01D5}, {310, 0x01D7}, {311, 0x01D9}, {312, 0x01DB}, {313, 0x01DD}, {341, 0x01FA},
    {428, 0x0252}, {443, 0x0262}, {544, 0x02C8}, {545, 0x02CC}, {558, 0x02DA}, {741, 0x03A2},
    {742, 0x03AA}, {749, 0x03C2}, {750, 0x03CA}, {805, 0x0402}, {819, 0x0450}, {820, 0x0452},
    {7922, 0x2011}, {7924, 0x2017}, {7925, 0x201A}, {7927, 0x201E}, {7934, 0x2027}, {7943, 0x2031},
    {7944, 0x2034}, {7945, 0x2036}, {7950, 0x203C}, {8062, 0x20AD}, {8148, 0x2104}, {8149, 0x2106},
    {8152, 0x210A}, {8164, 0x2117}, {8174, 0x2122}, {8236, 0x216C}, {8240, 0x217A}, {8262, 0x2194},
    {8264, 0x219A}, {8374, 0x2209}, {8380, 0x2210}, {8381, 0x2212}, {8384, 0x2216}, {8388, 0x221B},
    {8390, 0x2221}, {8392, 0x2224}, {8393, 0x2226}, {8394, 0x222C}, {8396, 0x222F}, {8401, 0x2238},
    {8406, 0x223E}, {8416, 0x2249}, {8419, 0x224D}, {8424, 0x2253}, {8437, 0x2262}, {8439, 0x2268},
    {8445, 0x2270}, {8482, 0x2296}, {8485, 0x229A}, {8496, 0x22A6}, {8521, 0x22C0}, {8603, 0x2313},
    {8936, 0x246A}, {8946, 0x249C}, {9046, 0x254C}, {9050, 0x2574}, {9063, 0x2590}, {9066, 0x2596},
    {9076, 0x25A2}, {9092, 0x25B4}, {9100, 0x25BE}, {9108, 0x25C8}, {9111, 0x25CC}, {9113, 0x25D0},
    {9131, 0x25E6}, {9162, 0x2607}, {9164, 0x260A}, {9218, 0x2641}, {9219, 0x2643}, {11329, 0x2E82},
    {11331, 0x2E85}, {11334, 0x2E89}, {11336, 0x2E8D}, {11346, 0x2E98}, {11361, 0x2EA8}, {11363, 0x2EAB},
    {11366, 0x2EAF}, {11370, 0x2EB4}, {11372, 0x2EB8}, {11375, 0x2EBC}, {11389, 0x2ECB}, {11682, 0x2FFC},
    {11686, 0x3004}, {11687, 0x3018}, {11692, 0x301F}, {11694, 0x302A}, {11714, 0x303F}, {11716, 0x3094},
    {11723, 0x309F}, {11725, 0x30F7}, {11730, 0x30FF}, {11736, 0x312A}, {11982, 0x322A}, {11989, 0x3232},
    {12102, 0x32A4}, {12336, 0x3390}, {12348, 0x339F}, {12350, 0x33A2}, {12384, 0x33C5}, {12393, 0x33CF},
    {12395, 0x33D3}, {12397, 0x33D6}, {12510, 0x3448}, {12553, 0x3474}, {12851, 0x359F}, {12962, 0x360F},
    {12973, 0x361B}, {13738, 0x3919}, {13823, 0x396F}, {13919, 0x39D1}, {13933, 0x39E0}, {14080, 0x3A74},
    {14298, 0x3B4F}, {14585, 0x3C6F}, {14698, 0x3CE1}, {15583, 0x4057}, {15847, 0x4160}, {16318, 0x4338},
    {16434, 0x43AD}, {16438, 0x43B2}, {16481, 0x43DE}, {16729, 0x44D7}, {17102, 0x464D}, {17122, 0x4662},
    {17315, 0x4724}, {17320, 0x472A}, {17402, 0x477D}, {17418, 0x478E}, {17859, 0x4948}, {17909, 0x497B},
    {17911, 0x497E}, {17915, 0x4984}, {17916, 0x4987}, {17936, 0x499C}, {17939, 0x49A0}, {17961, 0x49B8},
    {18664, 0x4C78}, {18703, 0x4CA4}, {18814, 0x4D1A}, {18962, 0x4DAF}, {19043, 0x9FA6}, {33469, 0xE76C},
    {33470, 0xE7C8}, {33471, 0xE7E7}, {33484, 0xE815}, {33485, 0xE819}, {33490, 0xE81F}, {33497, 0xE827},
    {33501, 0xE82D}, {33505, 0xE833}, {33513, 0xE83C}, {33520, 0xE844}, {33536, 0xE856}, {33550, 0xE865},
    {37845, 0xF92D}, {37921, 0xF97A}, {37948, 0xF996}, {38029, 0xF9E8}, {38038, 0xF9F2}, {38064, 0xFA10},
    {38065, 0xFA12}, {38066, 0xFA15}, {38069, 0xFA19}, {38075, 0xFA22}, {38076, 0xFA25}, {38078, 0xFA2A},
    {39108, 0xFE32}, {39109, 0xFE45}, {39113, 0xFE53}, {39114, 0xFE58}, {39115, 0xFE67}, {39116, 0xFE6C},
    {39265, 0xFF5F}, {39394, 0xFFE6},
};

// Two-byte sequences that code page 936 reads as a private-use character and
// GB18030 as a standard one: read as GB18030 does, so the standard character
// (a radical, an ideographic description character, the euro sign) comes
// back whole, and the private-use one goes as its four-byte form.
struct Twin {
    uint16_t bytes;
    char16_t private_use;
    char16_t standard;
};
inline constexpr Twin kTwins[] = {
    {0xA2E3, 0xE76C, 0x20AC}, {0xA8BF, 0xE7C8, 0x01F9}, {0xA989, 0xE7E7, 0x303E}, {0xA98A, 0xE7E8, 0x2FF0},
    {0xA98B, 0xE7E9, 0x2FF1}, {0xA98C, 0xE7EA, 0x2FF2}, {0xA98D, 0xE7EB, 0x2FF3}, {0xA98E, 0xE7EC, 0x2FF4},
    {0xA98F, 0xE7ED, 0x2FF5}, {0xA990, 0xE7EE, 0x2FF6}, {0xA991, 0xE7EF, 0x2FF7}, {0xA992, 0xE7F0, 0x2FF8},
    {0xA993, 0xE7F1, 0x2FF9}, {0xA994, 0xE7F2, 0x2FFA}, {0xA995, 0xE7F3, 0x2FFB}, {0xFE50, 0xE815, 0x2E81},
    {0xFE54, 0xE819, 0x2E84}, {0xFE55, 0xE81A, 0x3473}, {0xFE56, 0xE81B, 0x3447}, {0xFE57, 0xE81C, 0x2E88},
    {0xFE58, 0xE81D, 0x2E8B}, {0xFE5A, 0xE81F, 0x359E}, {0xFE5B, 0xE820, 0x361A}, {0xFE5C, 0xE821, 0x360E},
    {0xFE5D, 0xE822, 0x2E8C}, {0xFE5E, 0xE823, 0x2E97}, {0xFE5F, 0xE824, 0x396E}, {0xFE60, 0xE825, 0x3918},
    {0xFE62, 0xE827, 0x39CF}, {0xFE63, 0xE828, 0x39DF}, {0xFE64, 0xE829, 0x3A73}, {0xFE65, 0xE82A, 0x39D0},
    {0xFE68, 0xE82D, 0x3B4E}, {0xFE69, 0xE82E, 0x3C6E}, {0xFE6A, 0xE82F, 0x3CE0}, {0xFE6B, 0xE830, 0x2EA7},
    {0xFE6E, 0xE833, 0x2EAA}, {0xFE6F, 0xE834, 0x4056}, {0xFE70, 0xE835, 0x415F}, {0xFE71, 0xE836, 0x2EAE},
    {0xFE72, 0xE837, 0x4337}, {0xFE73, 0xE838, 0x2EB3}, {0xFE74, 0xE839, 0x2EB6}, {0xFE75, 0xE83A, 0x2EB7},
    {0xFE77, 0xE83C, 0x43B1}, {0xFE78, 0xE83D, 0x43AC}, {0xFE79, 0xE83E, 0x2EBB}, {0xFE7A, 0xE83F, 0x43DD},
    {0xFE7B, 0xE840, 0x44D6}, {0xFE7C, 0xE841, 0x4661}, {0xFE7D, 0xE842, 0x464C}, {0xFE80, 0xE844, 0x4723},
    {0xFE81, 0xE845, 0x4729}, {0xFE82, 0xE846, 0x477C}, {0xFE83, 0xE847, 0x478D}, {0xFE84, 0xE848, 0x2ECA},
    {0xFE85, 0xE849, 0x4947}, {0xFE86, 0xE84A, 0x497A}, {0xFE87, 0xE84B, 0x497D}, {0xFE88, 0xE84C, 0x4982},
    {0xFE89, 0xE84D, 0x4983}, {0xFE8A, 0xE84E, 0x4985}, {0xFE8B, 0xE84F, 0x4986}, {0xFE8C, 0xE850, 0x499F},
    {0xFE8D, 0xE851, 0x499B}, {0xFE8E, 0xE852, 0x49B7}, {0xFE8F, 0xE853, 0x49B6}, {0xFE92, 0xE856, 0x4CA3},
    {0xFE93, 0xE857, 0x4C9F}, {0xFE94, 0xE858, 0x4CA0}, {0xFE95, 0xE859, 0x4CA1}, {0xFE96, 0xE85A, 0x4C77},
    {0xFE97, 0xE85B, 0x4CA2}, {0xFE98, 0xE85C, 0x4D13}, {0xFE99, 0xE85D, 0x4D14}, {0xFE9A, 0xE85E, 0x4D15},
    {0xFE9B, 0xE85F, 0x4D16}, {0xFE9C, 0xE860, 0x4D17}, {0xFE9D, 0xE861, 0x4D18}, {0xFE9E, 0xE862, 0x4D19},
    {0xFE9F, 0xE863, 0x4DAE},
};

inline bool IsLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
inline bool IsDigit(unsigned char byte) { return byte >= 0x30 && byte <= 0x39; }
inline bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The code point of a four-byte number, or U+FFFD where the number is unused.
inline char32_t CodePointOfPointer(uint32_t pointer) {
    if (pointer >= kSupplementaryStart && pointer - kSupplementaryStart < kSupplementaryPointers)
        return 0x10000 + (pointer - kSupplementaryStart);
    if (pointer >= kBmpPointers) return kReplacement;
    std::size_t lo = 0, hi = std::size(kBmpRanges);
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        (kBmpRanges[mid].pointer <= pointer ? lo : hi) = mid;
    }
    return kBmpRanges[lo].first + (pointer - kBmpRanges[lo].pointer);
}

// The four-byte number of a code point; false where the code point has a
// shorter form in GB18030 (or none: a surrogate).
inline bool PointerOfCodePoint(char32_t code_point, uint32_t* pointer) {
    if (code_point >= 0x10000) {
        if (code_point > 0x10FFFF) return false;
        *pointer = kSupplementaryStart + (code_point - 0x10000);
        return true;
    }
    std::size_t lo = 0, hi = std::size(kBmpRanges);
    if (code_point < kBmpRanges[0].first) return false;
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        (kBmpRanges[mid].first <= code_point ? lo : hi) = mid;
    }
    const uint32_t end = lo + 1 < std::size(kBmpRanges) ? kBmpRanges[lo + 1].pointer : kBmpPointers;
    const uint32_t candidate = kBmpRanges[lo].pointer + (code_point - kBmpRanges[lo].first);
    if (candidate >= end) return false;
    *pointer = candidate;
    return true;
}

inline void AppendFourBytes(uint32_t pointer, std::string* out) {
    char bytes[4];
    bytes[3] = static_cast<char>(0x30 + pointer % 10);
    pointer /= 10;
    bytes[2] = static_cast<char>(0x81 + pointer % 126);
    pointer /= 126;
    bytes[1] = static_cast<char>(0x30 + pointer % 10);
    bytes[0] = static_cast<char>(0x81 + pointer / 10);
    out->append(bytes, 4);
}

inline void AppendCodePoint(char32_t code_point, std::wstring* out) {
    if (code_point < 0x10000) {
        out->push_back(static_cast<wchar_t>(code_point));
        return;
    }
    code_point -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (code_point >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (code_point & 0x3FF)));
}

inline const Twin* TwinOfBytes(uint16_t bytes) {
    for (const Twin& twin : kTwins)
        if (twin.bytes == bytes) return &twin;
    return nullptr;
}

// One GBK character (one or two bytes) through code page 936; U+FFFD where
// the code page has no character for it.
inline void AppendGbkCharacter(std::string_view bytes, std::wstring* out) {
    if (bytes.size() == 2) {
        const auto pair = static_cast<uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                                static_cast<unsigned char>(bytes[1]));
        if (const Twin* twin = TwinOfBytes(pair)) {
            out->push_back(static_cast<wchar_t>(twin->standard));
            return;
        }
    }
    wchar_t wide[2];
    const int n = MultiByteToWideChar(kCodePageGbk, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), wide, 2);
    if (n <= 0) {
        out->push_back(kReplacement);
        return;
    }
    out->append(wide, static_cast<std::size_t>(n));
}

inline bool IsGbkTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// The length of the GBK character at text[at]: 1 for a single byte, 2 for a
// lead byte and its trail byte, 0 for a lead byte without one.
inline std::size_t GbkCharacterLength(std::string_view text, std::size_t at) {
    if (!IsLead(static_cast<unsigned char>(text[at]))) return 1;
    return at + 1 < text.size() && IsGbkTrail(static_cast<unsigned char>(text[at + 1])) ? 2 : 0;
}

// A four-byte sequence at text[at], whose first two bytes are a lead and a
// digit: its character and 4, or U+FFFD and the bytes it stands for. Cut
// short by the end of the text, it stands for the rest; with a wrong third
// or fourth byte, for its lead byte alone, and the reading goes on after it.
inline std::size_t AppendFourByteCharacter(std::string_view text, std::size_t at, std::wstring* out) {
    const std::size_t left = text.size() - at;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    std::size_t taken = 0;
    if (left < 3) taken = left;
    else if (!IsLead(byte(2))) taken = 1;
    else if (left < 4) taken = left;
    else if (!IsDigit(byte(3))) taken = 1;
    if (taken != 0) {
        out->push_back(kReplacement);
        return taken;
    }
    const uint32_t pointer = ((byte(0) - 0x81u) * 10 + (byte(1) - 0x30u)) * 1260 + (byte(2) - 0x81u) * 10 +
                             (byte(3) - 0x30u);
    AppendCodePoint(CodePointOfPointer(pointer), out);
    return 4;
}

// A plane character's GBK bytes where code page 936 holds it exactly (never
// a best-fit look-alike or the default '?'), or the two bytes GB18030 gives
// the standard one of a twin; false where it has none.
inline bool AppendGbkBytes(char32_t code_point, std::string* out) {
    const Twin* standard = nullptr;
    for (const Twin& twin : kTwins) {
        if (twin.private_use == code_point) return false;
        if (twin.standard == code_point) standard = &twin;
    }
    const wchar_t wide = static_cast<wchar_t>(code_point);
    char bytes[2];
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(kCodePageGbk, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, 2, nullptr,
                                      &used_default);
    // 936 writes U+F8F5 as the lone byte 0xFF, which it does not read back.
    const bool readable = n == 2 || (n == 1 && bytes[0] != '\xFF');
    if (readable && !used_default) {
        out->append(bytes, static_cast<std::size_t>(n));
        return true;
    }
    if (standard == nullptr) return false;
    out->push_back(static_cast<char>(standard->bytes >> 8));
    out->push_back(static_cast<char>(standard->bytes & 0xFF));
    return true;
}

// The code point of the UTF-16 unit at text[*at], stepping over the low
// half of a pair; U+FFFD for an unpaired surrogate.
inline char32_t NextCodePoint(std::wstring_view text, std::size_t* at) {
    const char32_t unit = text[*at];
    if (!IsSurrogate(unit)) return unit;
    const bool paired = unit < 0xDC00 && *at + 1 < text.size() && text[*at + 1] >= 0xDC00 && text[*at + 1] <= 0xDFFF;
    if (!paired) return kReplacement;
    ++*at;
    return 0x10000 + ((unit - 0xD800) << 10) + (text[*at] - 0xDC00);
}

}  // namespace gb18030_detail

// The characters of a GB18030 byte string (GBK with four-byte sequences).
// Never reads outside the view; a broken sequence gives U+FFFD.
inline std::wstring WideFromGb18030(std::string_view text) {
    using namespace gb18030_detail;
    std::wstring out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++at;
        } else if (IsLead(lead) && at + 1 < text.size() && IsDigit(static_cast<unsigned char>(text[at + 1]))) {
            at += AppendFourByteCharacter(text, at, &out);
        } else if (const std::size_t length = GbkCharacterLength(text, at); length == 0) {
            out.push_back(kReplacement);
            ++at;
        } else {
            AppendGbkCharacter(text.substr(at, length), &out);
            at += length;
        }
    }
    return out;
}

// The GB18030 bytes of a UTF-16 text: GBK where code page 936 holds the
// character exactly (never a best-fit look-alike or '?'), else the four-byte
// form. An unpaired surrogate goes as the four-byte form of U+FFFD.
inline std::string Gb18030FromWide(std::wstring_view text) {
    using namespace gb18030_detail;
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char32_t code_point = NextCodePoint(text, &at);
        if (code_point < 0x80) {
            out.push_back(static_cast<char>(code_point));
            continue;
        }
        if (code_point < 0x10000 && AppendGbkBytes(code_point, &out)) continue;
        uint32_t pointer = 0;
        if (!PointerOfCodePoint(code_point, &pointer)) PointerOfCodePoint(kReplacement, &pointer);
        AppendFourBytes(pointer, &out);
    }
    return out;
}

}  // namespace vela::text
