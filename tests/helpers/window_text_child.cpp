// Child program for the engine's text tests: reads a window's text as
// another program (the taskbar, a screen reader) does, through
// GetWindowTextW from outside the window's process, and writes it to a file
// as UTF-16.
// Usage: window_text_child <window handle, decimal> <output path>
#include <windows.h>

#include <cstdint>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(argv[1], nullptr, 10)));
    if (!IsWindow(window)) return 3;
    wchar_t text[512];
    const int n = GetWindowTextW(window, text, 512);
    HANDLE f = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 4;
    DWORD written = 0;
    WriteFile(f, text, static_cast<DWORD>(n) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(f);
    return 0;
}
