// Starts the real viewer with a picture and saves PNG screenshots of the
// screen in the states a reviewer looks at: the normal window, a button
// under the mouse, a button pressed, the maximized window and the
// association window. Usage: viewer_screenshots <picture> <output folder>
// (Windows paths). Without a compositor the translucent backdrop shows over
// black on the X screen.
//     viewer_screenshots --over <output folder> <tag>
// shoots the window over a white, a black and a busy picture, each larger
// than the screen so that it reaches the title, as over-<kind>-<tag>.png.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "test_support.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

bool SavePng(HBITMAP bitmap, const std::wstring& path) {
    CLSID png;
    CLSIDFromString(L"{557CF406-1A04-11D3-9A73-0000F81EF32E}", &png);
    Gdiplus::Bitmap image(bitmap, nullptr);
    return image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

bool CaptureScreen(const std::wstring& path) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    bool ok = SavePng(bitmap, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("%s %ls\n", ok ? "saved" : "FAILED", path.c_str());
    return ok;
}

POINT CentreOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void MouseButton(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// Lets the viewer repaint after a change it was sent.
void Settle() { WaitFor([] { return false; }, 700); }

// A 24-bit BMP of w x h whose pixel colours come from colour(x, y).
template <typename Fn>
vela::Bytes Bitmap(int w, int h, Fn colour) {
    const int stride = (w * 3 + 3) & ~3;
    const DWORD size = 54 + static_cast<DWORD>(stride) * h;
    vela::Bytes b(size, 0);
    BITMAPFILEHEADER fh{0x4D42, size, 0, 0, 54};
    BITMAPINFOHEADER ih{sizeof ih, w, h, 1, 24, BI_RGB, 0, 2835, 2835, 0, 0};
    memcpy(b.data(), &fh, sizeof fh);
    memcpy(b.data() + 14, &ih, sizeof ih);
    for (int y = 0; y < h; ++y) {
        unsigned char* row = b.data() + 54 + static_cast<size_t>(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            row[3 * x] = GetBValue(c), row[3 * x + 1] = GetGValue(c), row[3 * x + 2] = GetRValue(c);
        }
    }
    return b;
}

// The window over pictures that test the chrome: plain white, plain black,
// and a busy one (bright and dark stripes, dots and grain of every hue).
int ShootOver(const std::wstring& out, const std::wstring& tag) {
    vela::test::ScratchFolder dir{"over"};
    const int w = 2600, h = 1700;
    const struct {
        const char* name;
        vela::Bytes picture;
    } pictures[] = {
        {"white", Bitmap(w, h, [](int, int) { return RGB(255, 255, 255); })},
        {"black", Bitmap(w, h, [](int, int) { return RGB(0, 0, 0); })},
        {"busy", Bitmap(w, h, [](int x, int y) {
             const unsigned n = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y) * 40503u);
             const bool light = ((x / 23) + (y / 17)) % 3 != 0;
             const int grain = static_cast<int>(n >> 27);
             const int base = light ? 215 : 35;
             return RGB(std::min(255, base + grain + (x % 97 < 9 ? 40 : 0)), std::min(255, base + (y % 61) / 3),
                        std::min(255, base + ((x * y) >> 12) % 40));
         })},
    };
    int failures = 0;
    for (const auto& p : pictures) {
        const std::string name = std::string(p.name) + ".bmp";
        if (!WriteBytes(dir / name.c_str(), p.picture)) return 1;
        Viewer viewer;
        if (!viewer.Start(Quoted(dir / name.c_str())) || !viewer.Main()) {
            std::fprintf(stderr, "the viewer did not start\n");
            return 1;
        }
        WaitFor([&] { return viewer.ControlText(kZoomRatioButton).back() == L'%'; });
        SetCursorPos(5, 5);
        Settle();
        failures += !CaptureScreen(out + L"over-" + vela::WideFromGbk(p.name) + L"-" + tag + L".png");
        viewer.Kill();
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--over") {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        const int status = ShootOver(vela::WideFromGbk(argv[2]) + L"\\", vela::WideFromGbk(argv[3]));
        Gdiplus::GdiplusShutdown(token);
        return status;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: viewer_screenshots <picture> <output folder>\n");
        return 2;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const std::wstring out = vela::WideFromGbk(argv[2]) + L"\\";

    Viewer viewer;
    if (!viewer.Start(Quoted(argv[1])) || !viewer.Main()) {
        std::fprintf(stderr, "the viewer did not start\n");
        return 1;
    }
    WaitFor([&] { return viewer.ControlText(kZoomRatioButton).back() == L'%'; });
    SetCursorPos(5, 5);
    Settle();
    CaptureScreen(out + L"1-normal.png");

    const POINT zoomIn = CentreOf(viewer.Control(kZoomInButton));
    SetCursorPos(zoomIn.x, zoomIn.y);
    Settle();
    CaptureScreen(out + L"2-hover-zoomin.png");

    const POINT close = CentreOf(viewer.Control(kCloseButton));
    SetCursorPos(close.x, close.y);
    Settle();
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    Settle();
    CaptureScreen(out + L"3-pressed-close.png");
    // Released away from the button: no click, the viewer stays.
    SetCursorPos(5, 5);
    Settle();
    MouseButton(MOUSEEVENTF_LEFTUP);

    viewer.Click(viewer.Control(kMaximizeButton));
    WaitFor([&] { return IsZoomed(viewer.Main()) != 0; });
    SetCursorPos(5, 5);
    Settle();
    CaptureScreen(out + L"4-maximized.png");
    viewer.Click(viewer.Control(kMaximizeButton));
    WaitFor([&] { return !IsZoomed(viewer.Main()); });

    viewer.Click(viewer.Control(kSettingsButton));
    HWND association = nullptr;
    WaitFor([&] {
        for (HWND w : TopLevelWindows(viewer.ProcessId())) {
            if (w != viewer.Main() && IsWindowVisible(w) && WindowTextW(w) == L"关联文件类型") association = w;
        }
        return association != nullptr;
    });
    Settle();
    CaptureScreen(out + L"5-association.png");
    if (association) PostMessageW(association, WM_CLOSE, 0, 0);
    viewer.Kill();
    Gdiplus::GdiplusShutdown(token);
    return association ? 0 : 1;
}
