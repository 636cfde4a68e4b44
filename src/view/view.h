#pragma once
// Sizing and placing PictureView in MainWindow, the zoom caption, the edge
// controls, rotation of the view and panning. Each operation reads a control
// property at the moment it uses it and writes it back truncated toward
// zero; the arithmetic itself lives in view_math.h.
#include "view/view_math.h"

namespace vela {

// The drag state: DragActive is 1 between a left-button press on
// PictureView and its release; the offsets are the view's position minus the
// cursor's screen position at the press.
extern int DragActive;
extern double DragOffsetX;
extern double DragOffsetY;

// PictureWidth and PictureHeight := the size of the bytes PictureView holds;
// the window shows its hint line exactly while that size is 0.
void MeasureShownPicture();
// The bytes PictureView holds now turned out to hold no picture (their
// header read, their decode failed): they measure 0 from now on.
void MarkShownPictureUndecodable();

// Full screen: the picture is fitted to the whole window (the monitor),
// with no margin; a long picture from the window's very top.
void UseFullScreenLayout(bool on);
bool InFullScreenLayout();
// The margin a fit leaves around the picture now: the window's margin at
// the display scaling, none in full screen.
double LayoutMargin();

void CentrePictureView();
void UpdateZoomLabel();
// Measure, fit the picture whole (a long one by width, from its top), centre, lay out the edge buttons, the toolbar and
// the top-right buttons, let pending messages run, refresh the caption.
void FitPictureToWindow();
void ZoomIn();
void ZoomOut();
// One step per wheel event whatever the distance; 0 refreshes the caption.
void WheelZoom(int distance);
void ShowActualSize();
// MainWindow := the picture fitted into the work area, plus the margin,
// centred on the work area; returns the fitted picture's size.
view::Size SizeWindowToPicture();
// MainWindow's place := centred on the work area (its size read as it is now).
void CentreMainWindowOnScreen();
// A quarter turn clockwise of the bytes and of the view; the measured sides
// swap with them (the turn changes nothing else of the picture).
void RotatePicture();
// The natural size when the view is fitted (or any other zoom), the fit
// when it shows the natural size.
void ToggleFitAndActualSize();

void StartDrag();
void FollowDrag();
void EndDrag();

}  // namespace vela
