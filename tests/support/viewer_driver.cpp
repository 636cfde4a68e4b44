#include "viewer_driver.h"

#include <cstdio>

namespace vela::test {
namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControl(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<ControlSearch*>(p);
    if (GetDlgCtrlID(w) == s->id) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

bool HasPictureBox(HWND w) {
    return FindWindowExW(w, nullptr, L"PictureBoxEx", nullptr) != nullptr;
}

}  // namespace

bool Viewer::Start(const std::string& arguments, const std::string& program, const std::string& workingFolder) {
    std::string exe = program.empty() ? ProgramFolder() + "\\VelaViewer.exe" : program;
    std::string command = "\"";
    command.append(exe).append("\"");
    if (!arguments.empty()) command.append(" ").append(arguments);
    return StartChild(child_, command, workingFolder.empty() ? ProgramFolder() : workingFolder);
}

bool Viewer::Start(const std::wstring& arguments) {
    return StartCommand(L"\"" + W(ProgramFolder()) + L"\\VelaViewer.exe\" " + arguments);
}

bool Viewer::StartCommand(const std::wstring& commandLine) {
    return StartChild(child_, commandLine, W(ProgramFolder()));
}

HWND Viewer::Main(DWORD timeoutMs) {
    if (main_ && IsWindow(main_)) return main_;
    WaitFor(
        [&] {
            for (HWND w : TopLevelWindows(ProcessId())) {
                if (IsWindowVisible(w) && HasPictureBox(w)) {
                    main_ = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return main_;
}

std::wstring Viewer::Title() { return WindowTextW(Main()); }

RECT Viewer::WindowRect() {
    RECT r{-1, -1, -1, -1};
    GetWindowRect(Main(), &r);
    return r;
}

HWND Viewer::Control(int id) {
    ControlSearch s{id, nullptr};
    EnumChildWindows(Main(), FindControl, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

RECT Viewer::ControlRect(int id) {
    RECT r{-99999, -99999, -99999, -99999};
    HWND c = Control(id);
    if (!c) return r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring Viewer::ControlText(int id) {
    HWND c = Control(id);
    return c ? WindowTextW(c) : L"<no control>";
}

void Viewer::KeyRelease(HWND target, UINT vk, bool extended) {
    UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (extended ? (1 << 24) : 0);
    LPARAM up = down | (1u << 30) | (1u << 31);
    PostMessageW(target, WM_KEYDOWN, vk, down);
    PostMessageW(target, WM_KEYUP, vk, up);
}

void Viewer::Click(HWND target) {
    RECT r{};
    GetClientRect(target, &r);
    LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    PostMessageW(target, WM_MOUSEMOVE, 0, at);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(target, WM_LBUTTONUP, 0, at);
}

void Viewer::DoubleClick(HWND target, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageW(target, WM_MOUSEMOVE, 0, at);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(target, WM_LBUTTONUP, 0, at);
    PostMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(target, WM_LBUTTONUP, 0, at);
}

bool Viewer::WaitTitle(const std::wstring& title, DWORD timeoutMs) {
    return WaitFor([&] { return Title() == title; }, timeoutMs);
}

bool Viewer::WaitControlText(int id, const std::wstring& text, DWORD timeoutMs) {
    return WaitFor([&] { return ControlText(id) == text; }, timeoutMs);
}

std::string Quoted(const std::string& path) {
    std::string q(1, '"');
    q.append(path).push_back('"');
    return q;
}

std::wstring RectText(const RECT& r) {
    wchar_t b[96];
    std::swprintf(b, 96, L"(%ld, %ld, %ld x %ld)", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return b;
}

bool SameRect(const RECT& r, int left, int top, int width, int height) {
    return r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height;
}

}  // namespace vela::test
