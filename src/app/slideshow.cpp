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
// A moving picture still in its first play is looked at again this often,
// for at most this long past the interval (a play that never ends, a
// picture the engine cannot say of, leaves the show going).
constexpr UINT kFirstPlayPollMs = 100;
constexpr DWORD kLongestFirstPlayWaitMs = 60000;

bool running = false;
// The F5 press that stopped a running show: its release must not start it again.
bool stoppedByF5 = false;
UINT intervalMs = 0;
// When the interval of the shown picture ended while it was still playing
// its frames the first time; 0 while not waiting.
DWORD waitingSince = 0;

void CALLBACK OnSlideshowTick(HWND, UINT, UINT_PTR, DWORD);

// (Re)starts the show's one timer.
void ArmTimer(UINT ms) {
    SetTimer(forms::NativeWindow(forms::Ctl::MainWindow), kSlideshowTimer, ms, OnSlideshowTick);
}

// A moving picture plays through at least once before the next.
bool StillInFirstPlay() {
    if (!forms::GetInt(forms::Ctl::PictureView, forms::prop::PictureFirstPlay)) return false;
    const DWORD now = GetTickCount();
    if (waitingSince == 0) waitingSince = now;
    return now - waitingSince < kLongestFirstPlayWaitMs;
}

bool ShowsLastPicture() { return !HasCurrentPicture() || CurrentIndex >= static_cast<int>(PictureList.size()); }

void CALLBACK OnSlideshowTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!running || forms::StartWindowClosed()) return;
    if (!InFullScreen() || ShowsLastPicture()) {
        StopSlideshow();
        return;
    }
    if (StillInFirstPlay()) {
        ArmTimer(kFirstPlayPollMs);
        return;
    }
    waitingSince = 0;
    ArmTimer(intervalMs);
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
    waitingSince = 0;
    // Read at each start, so that a changed file counts from the next show.
    intervalMs = static_cast<UINT>(ReadSlideshowSeconds()) * kMsPerSecond;
    ArmTimer(intervalMs);
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
