#pragma once
// The slideshow: from the shown picture, each next picture of the list after
// an interval (配置.ini's "幻灯间隔", 3 s unless it holds a whole number of
// 1 to 60), in full screen, ending on the last picture. Any key, click or
// wheel turn stops it; the key still does its own work.
namespace vela {

// Enters full screen when the window is not, and starts (or restarts) the
// interval from the shown picture.
void StartSlideshow();
void StopSlideshow();
bool SlideshowRunning();
// F5 released: starts the slideshow, unless that press itself stopped a
// running one.
void OnSlideshowKeyReleased();
// The form layer's input watcher: the user's input stops a running show.
void StopSlideshowOnInput(int virtualKey);

}  // namespace vela
