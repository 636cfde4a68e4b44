#include "app/slideshow.h"

#include <windows.h>

#include "app/full_screen.h"
#include "files/navigation.h"
#include "files/picture_list.h"
#include "forms/forms.h"
#include "shell/config_file.h"

namespace vela {
namespace {

constexpr UINT_PTR kSlideshowTimer = 0x564C5331;
constexpr UINT kMsPerSecond = 1000;

bool running = false;
// The F5 press that stopped a running show: its release must not start it again.
bool stoppedByF5 = false;

bool ShowsLastPicture() { return !HasCurrentPicture() || CurrentIndex >= static_cast<int>(PictureList.size()); }

void CALLBACK OnSlideshowTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!running || forms::StartWindowClosed()) return;
    if (!InFullScreen() || ShowsLastPicture()) {
        StopSlideshow();
        return;
    }
    // The step prepares the picture after it while this one is shown.
    ShowNextPicture();
    if (running && ShowsLastPicture()) StopSlideshow();
}

}  // namespace

void StartSlideshow() {
    if (forms::StartWindowClosed()) return;
    if (!InFullScreen()) EnterFullScreen();
    if (!InFullScreen()) return;
    running = true;
    // Read at each start, so that a changed file counts from the next show.
    const UINT interval = static_cast<UINT>(ReadSlideshowSeconds()) * kMsPerSecond;
    SetTimer(forms::NativeWindow(forms::Ctl::MainWindow), kSlideshowTimer, interval, OnSlideshowTick);
}

void StopSlideshow() {
    if (!running) return;
    running = false;
    if (!forms::StartWindowClosed()) KillTimer(forms::NativeWindow(forms::Ctl::MainWindow), kSlideshowTimer);
}

bool SlideshowRunning() { return running; }

void OnSlideshowKeyReleased() {
    if (stoppedByF5) {
        stoppedByF5 = false;
        return;
    }
    StartSlideshow();
}

void StopSlideshowOnInput(int virtualKey) {
    stoppedByF5 = running && virtualKey == VK_F5;
    StopSlideshow();
}

}  // namespace vela
