#pragma once
// Drives ExuiKrnln.dll from outside through the viewer's own skinned control
// layer (src/skin): loads the built DLL as the process's engine, makes a
// top-level window and the layer's host windows with their engine controls,
// records the events the layer passes on and the messages that reach its
// host procedure.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ExuiExports.h"
#include "ExuiKrnln.h"
#include "ExuiPack.h"
#include "forms/form_data.h"
#include "pixel_compare.h"
#include "runtime/text.h"
#include "skin/skinned_control.h"
#include "webp_pictures.h"

namespace vela::test {

// The engine's exports, bound from the same list as the viewer's loader.
struct EngineApi : ExuiExports {
    HMODULE dll = nullptr;
};
// The engine of the test's folder, loaded once for the process and made the
// process's engine through the layer's loader (with its start-up handshake).
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

using EngineType = skin::SkinType;

// An engine event as the engine raised it (code 660 + n) on the host.
struct EngineEvent {
    HWND host;
    int controlId;
    int code;
    int a1, a2, a3, a4;
};
// Every event the layer passed on so far; clear() between steps.
std::vector<EngineEvent>& EngineEvents();
// A callback for the tests that call the engine's create exports themselves.
int __stdcall RecordEvent(const ExuiControlRecord* control, int code, int a1, int a2, int a3, int a4);

// Mouse messages that reached the layer's host procedure after the engine, per host.
std::vector<UINT>& HostMessagesSeen(HWND host);

// A top-level window like MainWindow (fixed border with caption, system
// menu, minimize box), shown at the given outer rectangle; MainWindow's
// size from its form unless given.
HWND MakeTopLevel(int left = 100, int top = 100, int width = forms::MainWindowForm().window.width,
                  int height = forms::MainWindowForm().window.height);
// A host window of the type's class (child of parent) and the engine control
// over it, made by the layer's CreateSkinnedControl. Returns the host; the
// engine handle is the host's "Tab_Control". The pack's length, as the
// caller vouches for it, is the pack's own header length unless given.
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

// Attribute access through the layer (SetSkinnedProperty).
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

// The main window of the viewer built from its form's table (places, sizes,
// parents, creation order, control numbers), skinned with the packs built
// into VelaViewer.exe (loaded as a data file).
struct SkinnedMain {
    HWND top = nullptr;
    HWND settings = nullptr, minimize = nullptr, maximize = nullptr, close = nullptr;
    HWND previous = nullptr, next = nullptr, toolbar = nullptr;
    HWND rotate = nullptr, remove = nullptr, save = nullptr, zoomOut = nullptr, zoomRatio = nullptr, zoomIn = nullptr;
    HWND picture = nullptr, frame = nullptr;
};
// A pack resource of VelaViewer.exe, or null.
const void* ViewerPack(const char* name);
SkinnedMain MakeSkinnedMain(int left = 100, int top = 100, int width = forms::MainWindowForm().window.width,
                            int height = forms::MainWindowForm().window.height);

}  // namespace vela::test
