#include "app/startup.h"

#include <float.h>

#include <memory>

#include "app/command_line.h"
#include "app/event_table.h"
#include "app/slideshow.h"
#include "files/picture_list.h"
#include "files/prepare_ahead.h"
#include "imaging/imaging.h"
#include "runtime/exit.h"
#include "runtime/library_search.h"
#include "forms/forms.h"
#include "skin/engine.h"
#include "util/startup_trace.h"

namespace vela {
namespace {
std::unique_ptr<DropHandler> g_dropHandler;
}

DropHandler* TheDropHandler() { return g_dropHandler.get(); }

void ExitRoutine() {
    StopPreparingAhead();
    ReleasePictureList();
    if (g_dropHandler) {
        g_dropHandler->Destroy();
        g_dropHandler.reset();
    }
    // Nothing measures or turns a picture any more.
    StopImaging();
}

int RunViewer() {
    // Before anything is loaded by name: the current directory is the
    // folder of a picture opened from the shell, never a place for code.
    runtime::KeepCurrentDirectoryOutOfLibrarySearch();
    StartupMark("process start");
    MeasureStartPicture(FullPathOf(CommandLinePicturePath()));
    skin::EngineLoader();
    EngineReadyForStartPicture();
    StartupMark("engine loaded");
    // Default floating-point state, every exception masked: a division by
    // zero gives an infinity and never traps.
    _fpreset();
    _controlfp(_PC_64, _MCW_PC);
    _controlfp(_MCW_EM, _MCW_EM);
    // PictureList starts empty; the one DropHandler is made unattached.
    g_dropHandler = std::make_unique<DropHandler>();
    runtime::RegisterExitRoutine(ExitRoutine);
    // The rotation relies on GDI+ being started for the window's life.
    StartImaging();
    StartupMark("imaging started");
    BindMainWindowEvents();
    forms::WatchUserInput(StopSlideshowOnInput);
    forms::LoadMainWindow();
    forms::RunMessageLoop();
    return 0;
}

}  // namespace vela
