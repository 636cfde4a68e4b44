#pragma once
// The start and the end of the viewer process.
#include "files/drop_handler.h"

namespace vela {

// Runs the viewer: engine, floating-point state, shared state, exit routine,
// MainWindow and the message loop. Returns the process's exit code.
int RunViewer();
// Runs once when the program ends, whichever way it ends.
void ExitRoutine();
// The one DropHandler of the process (null before start-up and after the end).
DropHandler* TheDropHandler();

}  // namespace vela
