// Texts the engine gives the platform read right under any system code page:
// the window's title and a caption's mirror as other programs read them, and
// a caption as drawn. Run under code page 936 and again under 1252 (see
// tests/CMakeLists.txt); the texts go in as the GB18030 bytes the compiler
// makes of the literals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;

namespace {

// The window's text as another process reads it.
std::wstring TextSeenFromOutside(HWND window) {
    ScratchFolder folder("vela_texts");
    const std::string out = folder / "text.bin";
    Child child;
    std::string line = "\"";
    line += ProgramFolder() + "\\window_text_child.exe\" ";
    line += std::to_string(reinterpret_cast<uintptr_t>(window)) + " \"" + out + "\"";
    if (!StartChild(child, line) || child.Wait() != 0) return L"<no answer>";
    const vela::Bytes bytes = ReadBytes(out);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

constexpr int kInk = 200;  // a channel above it: the text's solid ink

// The solid white ink of a drawn text: the width from its first column to
// its last, and how many pixels it covers.
struct Ink {
    int width = 0;
    int pixels = 0;
};

template <typename Inked>
Ink InkOf(int left, int top, int right, int bottom, Inked inked) {
    int first = -1, last = -1;
    Ink ink;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (inked(x, y)) {
                if (first < 0 || x < first) first = x;
                last = std::max(last, x);
                ++ink.pixels;
            }
    ink.width = first < 0 ? 0 : last - first + 1;
    return ink;
}

// The ink the platform draws for text, white on black, in the CJK face this
// machine has, at the given size.
Ink ReferenceInk(const std::wstring& text, int points) {
    constexpr int kSide = 200;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kSide, -kSide, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font = CreateFontW(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             DEFAULT_PITCH, L"WenQuanYi Micro Hei");
    HGDIOBJ oldBitmap = SelectObject(dc, dib);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT r{0, 0, kSide, kSide};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    const Ink ink = InkOf(0, 0, kSide, kSide, [&](int x, int y) { return ((pixels[y * kSide + x] >> 8) & 0xFF) > kInk; });
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(dib);
    DeleteDC(dc);
    return ink;
}

// The system code page the run was started for (tests/CMakeLists.txt).
UINT WantedCodePage() {
    const char* wanted = std::getenv("VELA_CODE_PAGE");
    return wanted ? static_cast<UINT>(std::atoi(wanted)) : 936;
}

}  // namespace

TEST(EngineTexts, RunsUnderTheWantedCodePage) { EXPECT_EQ(GetACP(), WantedCodePage()); }

TEST(EngineTexts, TitleAndCaptionMirrorsKeepEveryCharacter) {
    const struct {
        const char* name;
        const char* bytes;
        std::wstring wide;
    } texts[] = {
        {"GBK Chinese", "中文.jpg—Vela图片查看器", L"中文.jpg—Vela图片查看器"},
        {"Korean", "한국.jpg—Vela图片查看器", L"한국.jpg—Vela图片查看器"},
        {"emoji", "z😀.png", L"z😀.png"},
        {"extension B", "\U00020000.jpg", L"\U00020000.jpg"},
    };
    HWND top = MakeTopLevel();
    HWND frame = MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16);
    HWND button = MakeSkinned(EngineType::SuperbuttonEx, top, 60, 300, 50, 50, 13);
    for (const auto& t : texts) {
        SCOPED_TRACE(t.name);
        ASSERT_EQ(SetText(frame, 18, t.bytes), 1);
        ASSERT_EQ(SetText(button, 17, t.bytes), 1);
        EXPECT_EQ(TextSeenFromOutside(top), t.wide);
        EXPECT_EQ(TextSeenFromOutside(button), t.wide);
    }
    Close(button);
    Close(frame);
    Close(top);
}

TEST(EngineTexts, CaptionIsDrawnInItsTrueCharacters) {
    SkinnedMain main = MakeSkinnedMain();
    ASSERT_TRUE(WaitForFrame(main.top));
    RECT box{};
    GetWindowRect(main.zoomRatio, &box);
    RECT window{};
    GetWindowRect(main.top, &window);
    OffsetRect(&box, -window.left, -window.top);
    for (const auto& [bytes, wide] : {std::pair<const char*, std::wstring>{"한국", L"한국"},
                                      std::pair<const char*, std::wstring>{"中文", L"中文"}}) {
        SCOPED_TRACE(bytes);
        ASSERT_EQ(SetText(main.zoomRatio, 17, bytes), 1);
        ASSERT_TRUE(WaitForFrame(main.top));
        const FrameShot shot = Shoot(main.top);
        const Ink drawn = InkOf(box.left, box.top, box.right, box.bottom,
                                [&](int x, int y) { return static_cast<int>(shot.At(x, y) & 0xFF) > kInk; });
        // The ZoomRatioButton's caption is 11 points.
        const Ink reference = ReferenceInk(wide, 11);
        ASSERT_GT(reference.pixels, 0);
        EXPECT_NEAR(drawn.width, reference.width, 2);
        EXPECT_NEAR(drawn.pixels, reference.pixels, reference.pixels / 8);
    }
    Close(main.top);
}
