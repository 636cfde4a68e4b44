// The main window in the states worth looking at: normal with a picture, a
// button under the mouse, a button pressed, maximized; and the association
// window's layout. Each state is checked here; with VELA_SCREENSHOTS set to a
// folder (scripts/screenshots.sh does that) each is also saved as PNG:
// the engine's composed frame over a desktop-like ground (what a compositing
// desktop shows) and what the X screen holds.
#include <gtest/gtest.h>

#include <objbase.h>
#include <gdiplus.h>

#include <cstdlib>
#include <string>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;

namespace {

std::string ShotFolder() {
    const char* dir = getenv("VELA_SCREENSHOTS");
    return dir ? dir : "";
}

void SavePixels(const std::string& name, int w, int h, std::vector<uint32_t>& pixels) {
    if (ShotFolder().empty() || w <= 0) return;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        Gdiplus::Bitmap bitmap(w, h, w * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(pixels.data()));
        CLSID png;
        const std::string path = ShotFolder() + "\\" + name + ".png";
        std::wstring wide(path.begin(), path.end());
        if (EncoderClsid(L"image/png", &png)) bitmap.Save(wide.c_str(), &png, nullptr);
    }
    Gdiplus::GdiplusShutdown(token);
}

// The composed frame over a blue-grey gradient with stripes, so that the
// translucent parts show as translucent.
void SaveComposed(const std::string& name, HWND top) {
    FrameShot s = Shoot(top);
    std::vector<uint32_t> out(s.pixels.size());
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t ground = ((x / 40 + y / 40) % 2) ? 0x5A7FA8 : 0x7FA6C9;
            const uint32_t p = s.At(x, y), a = p >> 24;
            uint32_t o = 0;
            for (int k = 0; k < 24; k += 8) {
                const uint32_t c = ((p >> k) & 0xFF) + (((ground >> k) & 0xFF) * (255 - a) + 127) / 255;
                o |= std::min<uint32_t>(c, 255) << k;
            }
            out[static_cast<size_t>(y) * s.width + x] = o;
        }
    }
    SavePixels(name + "-composed", s.width, s.height, out);
}

// What the screen shows in the window's rectangle.
void SaveScreen(const std::string& name, HWND window) {
    if (ShotFolder().empty()) return;
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<uint32_t> pixels = ScreenPixels(r);
    if (pixels.empty()) return;
    SavePixels(name + "-screen", w, h, pixels);
}

// Part of the viewer's layout: the picture fitted to the window less 100
// pixels and centred, the edge buttons and the toolbar placed by the window size.
void Layout(const SkinnedMain& m, int picW, int picH) {
    RECT r{};
    GetWindowRect(m.top, &r);
    const int W = r.right - r.left, H = r.bottom - r.top;
    int vw = picW, vh = picH;
    if (picW > W - 100) {
        vw = W - 100;
        vh = static_cast<int>(picH / (static_cast<double>(picW) / vw));
    }
    auto place = [](HWND h, int x, int y, int w = -1, int hh = -1) {
        SetWindowPos(h, nullptr, x, y, w, hh, SWP_NOZORDER | SWP_NOACTIVATE | (w < 0 ? SWP_NOSIZE : 0));
    };
    place(m.picture, W / 2 - vw / 2, H / 2 - vh / 2, vw, vh);
    place(m.previous, 0, H / 2 - 45);
    place(m.next, W - 30, H / 2 - 45);
    place(m.toolbar, W / 2 - 150, H - 50);
    place(m.close, W - 30, 0);
    place(m.maximize, W - 60, 0);
    place(m.minimize, W - 90, 0);
    place(m.settings, W - 120, 0);
    SetText(m.zoomRatio, 17, (std::to_string(vw * 100 / picW) + "%").c_str());
}

}  // namespace

TEST(EngineScreens, MainWindowStates) {
    ASSERT_NE(Engine().dll, nullptr);
    const vela::Bytes sample = ReadBytes(ProgramFolder() + "\\sample\\sample.png");
    ASSERT_FALSE(sample.empty());
    const int W = 1000, H = 700;
    SkinnedMain m = MakeSkinnedMain((GetSystemMetrics(SM_CXSCREEN) - W) / 2, (GetSystemMetrics(SM_CYSCREEN) - H) / 2,
                                    W, H);
    SetText(m.frame, 18, "sample.png—Vela图片查看器");
    ASSERT_EQ(SetData(m.picture, 8, sample.data(), static_cast<int>(sample.size())), 1);
    Layout(m, 1200, 800);
    ASSERT_TRUE(WaitForFrame(m.top));
    FrameShot normal = Shoot(m.top);
    SaveComposed("1-normal", m.top);
    SaveScreen("1-normal", m.top);

    PostMessageA(m.zoomIn, WM_MOUSEMOVE, 0, MAKELPARAM(25, 25));
    ASSERT_TRUE(WaitFor([&] { return WaitForFrame(m.top) && Shoot(m.top).frames > normal.frames; }));
    SaveComposed("2-hover-zoomin", m.top);
    SaveScreen("2-hover-zoomin", m.top);
    PostMessageA(m.zoomIn, WM_MOUSELEAVE, 0, 0);
    PostMessageA(m.close, WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    PostMessageA(m.close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    const POINT corner{W - 29, 1};
    ASSERT_TRUE(WaitFor([&] { return WaitForFrame(m.top) && Shoot(m.top).At(corner.x, corner.y) == 0xFFA62A15; }));
    SaveComposed("3-pressed-close", m.top);
    SaveScreen("3-pressed-close", m.top);
    ReleaseCapture();
    PostMessageA(m.close, WM_MOUSELEAVE, 0, 0);

    ShowWindow(m.top, SW_MAXIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsZoomed(m.top) && WaitForFrame(m.top) && Shoot(m.top).width == GetSystemMetrics(SM_CXSCREEN); }));
    Layout(m, 1200, 800);
    ASSERT_TRUE(WaitForFrame(m.top));
    SaveComposed("4-maximized", m.top);
    SaveScreen("4-maximized", m.top);
    Close(m.top);
}

TEST(EngineScreens, AssociationWindowLayout) {
    // The association window is plain system controls; built here after its
    // form for a look at the layout the viewer will show.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "VelaScreensAssociation";
    RegisterClassA(&wc);
    const int W = 218, H = 274;
    HWND w = CreateWindowExA(0, wc.lpszClassName, "关联文件类型", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                             (GetSystemMetrics(SM_CXSCREEN) - W) / 2, (GetSystemMetrics(SM_CYSCREEN) - H) / 2, W, H,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(w, nullptr);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    struct Item {
        const char* cls;
        const char* text;
        int x, y, cx, cy;
        DWORD style;
    };
    const Item items[] = {{"Button", "取消关联", 117, 207, 72, 24, BS_PUSHBUTTON},
                          {"Button", "关联", 25, 207, 72, 24, BS_PUSHBUTTON},
                          {"Button", "全选", 77, 168, 60, 24, BS_AUTOCHECKBOX},
                          {"Button", "*.ico", 77, 136, 60, 24, BS_AUTOCHECKBOX},
                          {"Button", "*.gif", 77, 106, 60, 24, BS_AUTOCHECKBOX},
                          {"Button", "*.bmp", 77, 76, 60, 24, BS_AUTOCHECKBOX},
                          {"Button", "*.jpg", 77, 46, 60, 24, BS_AUTOCHECKBOX},
                          {"Button", "*.png", 77, 16, 60, 24, BS_AUTOCHECKBOX}};
    for (const Item& it : items) {
        HWND c = CreateWindowExA(0, it.cls, it.text, WS_CHILD | WS_VISIBLE | it.style, it.x, it.y, it.cx, it.cy, w,
                                 nullptr, wc.hInstance, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (it.style == BS_AUTOCHECKBOX && it.y <= 46) SendMessageA(c, BM_SETCHECK, BST_CHECKED, 0);
    }
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    WaitFor([] { return false; }, 500);  // nothing to poll: let the system controls paint
    EXPECT_TRUE(IsWindowVisible(w));
    SaveScreen("5-association", w);
    Close(w);
}
