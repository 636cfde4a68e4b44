#pragma once
// Drives a real VelaViewer.exe from a test program inside Wine: starts it,
// finds its windows, sends it real input messages and reads what a user sees.
#include <windows.h>

#include <string>

#include "test_support.h"

namespace vela::test {

// Child window identifiers of MainWindow's controls (100 + their place in the form).
enum ViewerControl : int {
    kSettingsButton = 102,
    kMinimizeButton = 103,
    kMaximizeButton = 104,
    kCloseButton = 105,
    kPreviousButton = 106,
    kNextButton = 107,
    kToolbar = 108,
    kRotateButton = 109,
    kDeleteButton = 110,
    kSaveButton = 111,
    kZoomOutButton = 112,
    kZoomRatioButton = 113,
    kZoomInButton = 114,
    kPictureView = 115,
    kSkinFrame = 116,
};

class Viewer {
public:
    // Starts the viewer from the bin folder (or `program`) with the given
    // argument text, in `workingFolder` (the bin folder when empty).
    bool Start(const std::string& arguments, const std::string& program = {}, const std::string& workingFolder = {});
    // The same with a UTF-16 argument text (names outside the test's code page).
    bool Start(const std::wstring& arguments);
    // Starts a complete UTF-16 command line (an association's open command).
    bool StartCommand(const std::wstring& commandLine);
    DWORD ProcessId() const { return child_.info.dwProcessId; }
    // Waits for the main window (the top-level window holding a PictureBoxEx).
    HWND Main(DWORD timeoutMs = 20000);
    std::wstring Title();
    RECT WindowRect();
    HWND Control(int id);
    // A control's rectangle in MainWindow's client coordinates.
    RECT ControlRect(int id);
    std::wstring ControlText(int id);

    // Real input messages posted to a window of the viewer.
    void KeyRelease(HWND target, UINT virtualKey, bool extended = false);
    void Click(HWND target);
    // A double-click at a point of the target's client area.
    void DoubleClick(HWND target, int x, int y);

    bool WaitTitle(const std::wstring& title, DWORD timeoutMs = 15000);
    bool WaitControlText(int id, const std::wstring& text, DWORD timeoutMs = 15000);
    DWORD WaitExit(DWORD timeoutMs = 30000) { return child_.Wait(timeoutMs); }
    void Kill() { child_.Kill(); }

private:
    Child child_;
    HWND main_ = nullptr;
};

// The path in double quotes, as a shell passes it.
std::string Quoted(const std::string& path);
std::wstring RectText(const RECT& r);
bool SameRect(const RECT& r, int left, int top, int width, int height);

}  // namespace vela::test
