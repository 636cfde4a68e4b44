// The real viewer stepping through a folder holding a HEIC, a HEIF, an
// AVIF and a JPEG XL (made by Debian's heif-enc, avifenc and cjxl) between
// two JPEGs: each is listed and titled in turn; where this build's engine
// decodes the kind, it is shown at the size its reference tool reports
// (window, view and zoom caption as for any picture of that size) in its
// colours, and its information box tells that size; where it does not, it
// ends as any undecodable picture (0 %).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "box_answerer.h"
#include "engine_harness.h"
#include "native_command.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

uint32_t ScreenAt(Viewer& viewer, int x, int y) {
    POINT p{x, y};
    ClientToScreen(viewer.Main(), &p);
    const std::vector<uint32_t> px = ScreenPixels(RECT{p.x, p.y, p.x + 1, p.y + 1});
    return px.empty() ? 0xFFFFFFFFu : px[0] & 0xFFFFFFu;
}

bool Near(uint32_t rgb, COLORREF c, int tolerance) {
    const int d[3] = {static_cast<int>((rgb >> 16) & 0xFF) - GetRValue(c), static_cast<int>((rgb >> 8) & 0xFF) - GetGValue(c),
                      static_cast<int>(rgb & 0xFF) - GetBValue(c)};
    for (int v : d)
        if (v < -tolerance || v > tolerance) return false;
    return true;
}

// Whether this build's engine decodes the bytes at all.
bool EngineDecodes(const vela::Bytes& b) {
    ExuiPixels px{};
    const ExuiPixelsHandle h = Engine().DecodePicturePixels(b.data(), static_cast<int32_t>(b.size()), &px);
    if (h) Engine().FreePicturePixels(h);
    return h != nullptr;
}

// The text of the information box (context menu, its last item 图片信息).
std::wstring InformationText(Viewer& viewer) {
    PostMessageW(viewer.Control(kPictureView), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND menu = nullptr;
    if (!WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); })) return {};
    BoxAnswerer answerer(viewer.ProcessId(), {kOk});
    PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    if (!answerer.WaitAll()) return {};
    const std::vector<SeenBox> seen = answerer.Seen();
    return seen.empty() ? std::wstring() : seen[0].text;
}

}  // namespace

TEST(HeifJxlE2E, EachNewKindIsSteppedToAndShownAtItsSize) {
    ScratchFolder dir("heifjxle2e");
    const COLORREF colour = RGB(30, 140, 220);
    ASSERT_TRUE(WriteBytes(dir / "a.jpg", MakePicture(650, 380, L"image/jpeg")));
    ASSERT_TRUE(WriteBytes(dir / "f.jpg", MakePicture(300, 200, L"image/jpeg")));
    // 640 x 360, the top-left quarter white; near-lossless, so that the
    // colours on the screen are the drawn ones. A true-colour PNG: heif-enc
    // reads a palette PNG's colours in the wrong order.
    ASSERT_TRUE(NativeCommand(dir,
                              "convert-im6.q16 -size 640x360 xc:'rgb(30,140,220)' -fill white "
                              "-draw 'rectangle 0,0 319,179' PNG24:{q.png} && heif-enc -q 95 {q.png} -o {b.heic} && "
                              "heif-enc -q 95 {q.png} -o {c.heif} && avifenc -s 10 --min 0 --max 4 {q.png} {d.avif} && "
                              "cjxl -d 0 {q.png} {e.jxl} && rm {q.png} && echo made",
                              "made"));
    const char* const names[] = {"b.heic", "c.heif", "d.avif", "e.jxl"};
    bool decodes[4] = {};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        // The reference's size for the file: libheif's through ImageMagick,
        // djxl's decode for JPEG XL (its PNG removed before the viewer lists the folder).
        const std::string name = names[i], file = "{" + name + "}";
        const std::string sizeOf =
            name.ends_with(".jxl")
                ? "djxl " + file + " {r.png} >/dev/null 2>&1 && identify-im6.q16 -format '%w %h' {r.png} && rm {r.png}"
                : "identify-im6.q16 -format '%w %h' " + file;
        ASSERT_TRUE(NativeCommand(dir, sizeOf, name + ".size"));
        const vela::Bytes said = ReadBytes(dir / (name + ".size"));
        EXPECT_EQ(std::string(said.begin(), said.end()), "640 360");
        decodes[i] = EngineDecodes(ReadBytes(dir / name));
    }
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    ASSERT_TRUE(viewer.WaitTitle(L"a.jpg—Vela图片查看器")) << viewer.Title();
    HWND picture = viewer.Control(kPictureView);
    for (int i = 0; i < 4; ++i) {
        const char* name = names[i];
        SCOPED_TRACE(name);
        viewer.KeyRelease(picture, VK_RIGHT, true);
        const std::wstring title = std::wstring(name, name + strlen(name)) + L"—Vela图片查看器";
        ASSERT_TRUE(viewer.WaitTitle(title)) << viewer.Title();
        if (!decodes[i]) {
            std::printf("%s: no decoder for this kind in this engine; shown as undecodable\n", name);
            EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"0%")) << viewer.ControlText(kZoomRatioButton);
            continue;
        }
        // 640 x 360 in the 800 x 500 window: natural size, centred, 100 %.
        EXPECT_TRUE(WaitFor([&] { return SameRect(viewer.ControlRect(kPictureView), 80, 70, 640, 360); }))
            << RectText(viewer.ControlRect(kPictureView));
        EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, 80 + 100, 70 + 60), RGB(255, 255, 255), 10); }))
            << std::hex << ScreenAt(viewer, 80 + 100, 70 + 60);
        EXPECT_TRUE(WaitFor([&] { return Near(ScreenAt(viewer, 80 + 500, 70 + 300), colour, 10); }))
            << std::hex << ScreenAt(viewer, 80 + 500, 70 + 300);
        // The information box tells the same size.
        const std::wstring information = InformationText(viewer);
        EXPECT_NE(information.find(L"图片宽度：640\r\n图片高度：360\r\n"), std::wstring::npos) << information;
    }
    viewer.KeyRelease(picture, VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(L"f.jpg—Vela图片查看器")) << viewer.Title();
    viewer.Kill();
}
