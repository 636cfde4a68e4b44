// keepwarm.cpp - a windowless Wine program that only waits, so that the
// wineserver and the prefix's services stay up between the timed launches and
// no launch pays for starting them. It draws nothing on the screen the timer
// reads. Stopped by its pid at the end of the run.
// Build: i686-w64-mingw32-g++ -O2 -static -mwindows -o keepwarm.exe keepwarm.cpp
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The libraries the timed programs load, mapped once and kept warm.
    LoadLibraryA("gdiplus.dll");
    LoadLibraryA("ole32.dll");
    for (;;) Sleep(INFINITE);
}
