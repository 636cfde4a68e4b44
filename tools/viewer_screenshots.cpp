// Starts the real viewer with a picture and saves PNG screenshots of the
// screen in the states a reviewer looks at: the normal window, a button
// under the mouse, a button pressed, the maximized window and the
// association window. Usage: viewer_screenshots <picture> <output folder>
// (Windows paths). Without a compositor the translucent backdrop shows over
// black on the X screen.
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
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
