#pragma once
// Drives ExuiKrnln.dll from outside the way the viewer's control layer does:
// loads the built DLL, makes a top-level window and host child windows of
// the layer's classes, records the engine's events.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ExuiExports.h"
#include "ExuiKrnln.h"
#include "ExuiPack.h"
#include "pixel_compare.h"
#include "runtime/text.h"
#include "webp_pictures.h"

namespace vela::test {

// The engine's exports, bound from the same list as the viewer's loader.
struct EngineApi : ExuiExports {
    HMODULE dll = nullptr;
};
// The engine of the test's folder, loaded once for the process.
const EngineApi& Engine();

// The frame's backdrop as the engine composes it: black at alpha 140, premultiplied.
inline constexpr uint32_t kComposedBackdrop = 0x8C000000;
// The engine's decode of whole picture bytes (DecodePicturePixels) as its
// premultiplied 0xAARRGGBB pixels, rows top-down; empty when it decodes
// nothing.
Pixels DecodedByEngine(const Bytes& b);
// What the engine reports of a top-level window's last frame.
inline ExuiFrameInfo FrameInfoOf(HWND top) {
    ExuiFrameInfo info{};
    Engine().ExuiInspectFrame(top, &info);
    return info;
}

enum class EngineType { WindowEx, MinutesboxEx, PictureBoxEx, ButtonEx, SuperbuttonEx };

struct EngineEvent {
    HWND host;
    int controlId;
    int code;
    int a1, a2, a3, a4;
};
// Every event raised so far (the callback appends); Clear() between steps.
std::vector<EngineEvent>& EngineEvents();
int __stdcall RecordEvent(const ExuiControlRecord* control, int code, int a1, int a2, int a3, int a4);

// Messages seen by the layer-like host procedure after the engine, per host.
std::vector<UINT>& HostMessagesSeen(HWND host);

// A top-level window like MainWindow (fixed border with caption, system
// menu, minimize box), shown at the given outer rectangle.
HWND MakeTopLevel(int left = 100, int top = 100, int width = 648, int height = 411);
// A host window of the type's class (child of parent) and the engine control
// over it, created as the control layer does. Returns the host; the engine
// handle is the host's "Tab_Control". The pack's length, as the caller
// vouches for it, is the pack's own header length unless given.
HWND MakeSkinned(EngineType type, HWND parent, int left, int top, int width, int height, int controlId = 1,
                 const void* pack = nullptr, int64_t packLength = -1);
// The engine tests' usual window: a top-level window at its default place,
// skinned by a frame (control 16), with one picture box (control 15) at the
// given place and size.
struct PictureWindow {
    HWND top = nullptr, picture = nullptr;
};
PictureWindow MakePictureWindow(int left, int top, int width, int height);
ExuiHandle HandleOf(HWND host);

// Attribute access as the layer does it.
int SetInt(HWND host, int index, int value);
int SetText(HWND host, int index, const char* text);
int SetData(HWND host, int index, const void* data, int length);

// A property pack of the engine's format from (tag, slot, payload) entries.
struct PackEntry {
    int tag;
    int slot;
    Bytes payload;
};
Bytes BuildPack(const std::vector<PackEntry>& entries);
Bytes TextPayload(const std::string& text);

// Pumps messages until the window's frame is composed with nothing pending.
bool WaitForFrame(HWND top, DWORD timeoutMs = 10000);
// Pumps until this thread's queue holds nothing (timers that came due
// included) and the window has nothing to compose or decode: whatever the
// messages so far were to do is done, so a check that nothing happened
// counts.
bool Settle(HWND top, DWORD timeoutMs = 10000);
// The last composed frame of a skinned window (premultiplied BGRA).
struct FrameShot {
    int width = 0, height = 0, frames = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
FrameShot Shoot(HWND top);

// Destroys a window and pumps until it is gone.
void Close(HWND window);

// The engine's prepared set as it stands; all -1 when the engine cannot tell.
ExuiPreparedInfo PreparedInfo();

// The picture tests' window (MakePictureWindow with the view at (100, 100)),
// made and composed before each test; after it the prepared set is emptied
// and the window closed.
class PictureWindowTest : public ::testing::Test {
protected:
    PictureWindowTest(int viewWidth, int viewHeight) : viewWidth_(viewWidth), viewHeight_(viewHeight) {}
    void SetUp() override;
    void TearDown() override;
    HWND top_ = nullptr, pic_ = nullptr;

private:
    int viewWidth_, viewHeight_;
};

}  // namespace vela::test

namespace vela::test {

// The main window of the viewer as its form builds it, skinned with the
// packs built into VelaViewer.exe (loaded as a data file).
struct SkinnedMain {
    HWND top = nullptr;
    HWND settings = nullptr, minimize = nullptr, maximize = nullptr, close = nullptr;
    HWND previous = nullptr, next = nullptr, toolbar = nullptr;
    HWND rotate = nullptr, remove = nullptr, save = nullptr, zoomOut = nullptr, zoomRatio = nullptr, zoomIn = nullptr;
    HWND picture = nullptr, frame = nullptr;
};
// A pack resource of VelaViewer.exe, or null.
const void* ViewerPack(const char* name);
SkinnedMain MakeSkinnedMain(int left = 100, int top = 100, int width = 648, int height = 411);

}  // namespace vela::test
