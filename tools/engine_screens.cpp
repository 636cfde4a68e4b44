// The engine's own frames of the main window in the states worth looking
// at: normal with a picture, a button under the mouse, a button pressed,
// maximized; and the association window's layout as the X screen shows it.
// Each is saved as PNG into the folder given: the engine's composed frame
// over a desktop-like ground (what a compositing desktop shows) and what
// the X screen holds. Usage: engine_screens <output folder> (a Windows
// path; scripts/screenshots.sh runs it). The window and its controls are
// built through the viewer's skinned layer from its form tables, and laid
// out with the viewer's fit.
#include <windows.h>

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine_harness.h"
#include "forms/form_data.h"
#include "test_support.h"
#include "view/view_math.h"

using namespace vela::test;

namespace {

std::string g_folder;

std::string ShotFolder() { return g_folder; }

// A step that did not come: the tool stops with a message.
bool Check(bool ok, const char* what) {
    if (!ok) std::fprintf(stderr, "engine_screens: %s\n", what);
    return ok;
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

// Part of the viewer's layout: the picture fitted by the viewer's own rule
// and centred, the edge buttons and the toolbar placed by the window size.
void Layout(const SkinnedMain& m, int picW, int picH) {
    RECT r{};
    GetWindowRect(m.top, &r);
    const int W = r.right - r.left, H = r.bottom - r.top;
    const vela::view::Size fit = vela::view::FitSize(picW, picH, W);
    const int vw = fit.width, vh = fit.height;
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
    using vela::skin::AttributeIndex;
    SetText(m.zoomRatio, AttributeIndex(vela::forms::prop::Caption), vela::view::ZoomLabelText(vw, picW).c_str());
}

bool MainWindowStates() {
    if (!Check(Engine().dll != nullptr, "no engine")) return false;
    const vela::Bytes sample = ReadBytes(ProgramFolder() + "\\sample\\sample.png");
    if (!Check(!sample.empty(), "no sample picture")) return false;
    const int W = 1000, H = 700;
    SkinnedMain m = MakeSkinnedMain((GetSystemMetrics(SM_CXSCREEN) - W) / 2, (GetSystemMetrics(SM_CYSCREEN) - H) / 2,
                                    W, H);
    using vela::skin::AttributeIndex;
    SetText(m.frame, AttributeIndex(vela::forms::prop::FrameTitle), "sample.png—Vela图片查看器");
    const int taken = SetData(m.picture, AttributeIndex(vela::forms::prop::Picture), sample.data(),
                              static_cast<int>(sample.size()));
    if (!Check(taken == 1, "the picture was not taken")) return false;
    Layout(m, 1200, 800);
    if (!Check(WaitForFrame(m.top), "no frame")) return false;
    FrameShot normal = Shoot(m.top);
    SaveComposed("1-normal", m.top);
    SaveScreen("1-normal", m.top);

    PostMessageA(m.zoomIn, WM_MOUSEMOVE, 0, MAKELPARAM(25, 25));
    if (!Check(WaitFor([&] { return WaitForFrame(m.top) && Shoot(m.top).frames > normal.frames; }), "no hover frame"))
        return false;
    SaveComposed("2-hover-zoomin", m.top);
    SaveScreen("2-hover-zoomin", m.top);
    PostMessageA(m.zoomIn, WM_MOUSELEAVE, 0, 0);
    PostMessageA(m.close, WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    PostMessageA(m.close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    const POINT corner{W - 29, 1};
    if (!Check(WaitFor([&] { return WaitForFrame(m.top) && Shoot(m.top).At(corner.x, corner.y) == 0xFFA62A15; }),
               "no pressed frame"))
        return false;
    SaveComposed("3-pressed-close", m.top);
    SaveScreen("3-pressed-close", m.top);
    ReleaseCapture();
    PostMessageA(m.close, WM_MOUSELEAVE, 0, 0);

    ShowWindow(m.top, SW_MAXIMIZE);
    if (!Check(WaitFor([&] {
                   return IsZoomed(m.top) && WaitForFrame(m.top) && Shoot(m.top).width == GetSystemMetrics(SM_CXSCREEN);
               }),
               "no maximized frame"))
        return false;
    Layout(m, 1200, 800);
    if (!Check(WaitForFrame(m.top), "no frame after the layout")) return false;
    SaveComposed("4-maximized", m.top);
    SaveScreen("4-maximized", m.top);
    Close(m.top);
    return true;
}

// The association window is plain system controls, built here from its form.
bool AssociationWindowLayout() {
    const vela::forms::FormDef& form = vela::forms::AssociationWindowForm();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "VelaScreensAssociation";
    RegisterClassA(&wc);
    const int W = form.window.width, H = form.window.height;
    HWND w = CreateWindowExA(0, wc.lpszClassName, form.window.caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                             (GetSystemMetrics(SM_CXSCREEN) - W) / 2, (GetSystemMetrics(SM_CYSCREEN) - H) / 2, W, H,
                             nullptr, nullptr, wc.hInstance, nullptr);
    if (!Check(w != nullptr, "no association window")) return false;
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const vela::forms::ControlDef& c : form.controls) {
        const bool check = c.type == vela::forms::ControlType::CheckBox;
        HWND h = CreateWindowExA(0, "Button", c.caption, WS_CHILD | WS_VISIBLE | (check ? BS_AUTOCHECKBOX : BS_PUSHBUTTON),
                                 c.left, c.top, c.width, c.height, w, nullptr, wc.hInstance, nullptr);
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        // Two boxes ticked, to show both looks.
        if (c.id == vela::forms::Ctl::PngCheck || c.id == vela::forms::Ctl::JpgCheck)
            SendMessageA(h, BM_SETCHECK, BST_CHECKED, 0);
    }
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    WaitFor([] { return false; }, 500);  // nothing to poll: let the system controls paint
    SaveScreen("5-association", w);
    Close(w);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: engine_screens <output folder>\n");
        return 2;
    }
    g_folder = argv[1];
    const bool main = MainWindowStates();
    const bool association = AssociationWindowLayout();
    return main && association ? 0 : 1;
}
