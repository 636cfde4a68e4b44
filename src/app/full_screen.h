#pragma once
// Full screen: the picture alone on the monitor that holds the window, on
// black, fitted whole (never enlarged). The chrome (the title, the edge
// buttons, the toolbar and the top-right buttons) is hidden; it fades in
// while the mouse moves near an edge of the screen and out once the mouse
// has rested for 2 s, when the cursor hides too. Leaving puts the window
// back where it was (place, size, normal or maximized) with the zoom the
// user had, when the same picture is still shown.
namespace vela {

bool InFullScreen();
// True once, when the window has just taken the place that entering or
// leaving laid it out for (the engine moved it with that frame): the size
// change has nothing left to do.
bool WindowTookPlannedPlace();
void EnterFullScreen();
void LeaveFullScreen();
// F11, Enter and a double-click on the window's empty area.
void ToggleFullScreen();

}  // namespace vela
