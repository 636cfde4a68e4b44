#pragma once
// The arithmetic of scaling and centring, kept apart from the controls so
// that every rule can be checked with plain numbers. Geometry is computed in
// double precision from integers and written back truncated toward zero.
#include "runtime/text.h"
#include "util/centring.h"

namespace vela::view {

inline constexpr double kZoomStep = 1.1;
inline constexpr double kMargin = 100.0;
inline constexpr double kPercent = 100.0;
// Left edges of the four top-right buttons, counted from the window's right edge.
inline constexpr double kCloseOffset = 30.0, kMaximizeOffset = 60.0, kMinimizeOffset = 90.0, kSettingsOffset = 120.0;

// Truncation and centring (util/centring.h) are shared with the form layer.
using ::vela::CentredPosition;
using ::vela::TruncToInt;

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The margins below are those of 100 % display scaling; at other scalings
// the caller passes them scaled (forms::Scaled), the picture's own sides
// stay in pixels.

// A picture wider than the window less the margin is fitted; any other is
// shown at its natural size.
bool NeedsFitting(int pictureWidth, int windowWidth, double margin = kMargin);
// trunc(window width - 100).
int FittedWidth(int windowWidth, double margin = kMargin);
// The height that keeps the picture's ratio at the given view width:
// trunc(pictureHeight / (pictureWidth / viewWidth)).
int FittedHeight(int pictureWidth, int pictureHeight, int viewWidth);
// The view's size for a picture: fitted to the window's width less the
// margin, or the picture's own size.
Size FitSize(int pictureWidth, int pictureHeight, int windowWidth, double margin = kMargin);

// A picture at least this many times as tall as it is wide (a long
// screenshot, a comic strip) is read by dragging down: fitted by width only.
inline constexpr double kLongPictureRatio = 3.0;
bool IsLongPicture(int pictureWidth, int pictureHeight);

// How a picture is shown when it is opened or stepped to: whole inside the
// window less the margin on both sides, never enlarged; a long picture by
// width only, and from its top when it is taller than the free height.
struct Fit {
    Size size;
    bool fromTop = false;
    bool operator==(const Fit&) const = default;
};
Fit FitWhole(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight, double margin = kMargin);
// The top of a view shown from its top: half the margin, as at the sides.
int TopOfLongPicture(double margin = kMargin);

// trunc((viewWidth / pictureWidth) * 100): the quotient first; 0 when the
// picture width is 0.
int ZoomPercent(int viewWidth, int pictureWidth);
// The caption: the percentage in decimal followed by "%".
Text ZoomLabelText(int viewWidth, int pictureWidth);

int ZoomInSide(int side);   // trunc(side * 1.1)
int ZoomOutSide(int side);  // trunc(side / 1.1)

// One wheel step, anchored at the cursor: the picture pixel under the
// cursor (cursor given relative to the view) stays under it. ratio is the
// cursor's place in the old side (cursor / old side), newSide the side after
// the step; the result is the view's new position.
double CursorRatio(int cursor, int oldSide);
int AnchoredPosition(int position, int cursor, double ratio, int newSide, bool zoomIn);

struct ViewRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const ViewRect&) const = default;
};
// The whole wheel rule on plain numbers: anchored when the view is wider
// than the window, else scaled and centred; distance 0 changes nothing.
ViewRect WheelStep(ViewRect view, int windowWidth, int windowHeight, int cursorX, int cursorY, int distance);

// Window side for a picture side: the side plus the margin while that stays
// under the screen side less the margin, else the whole screen side.
int WindowSideForPicture(int pictureSide, int screenSide, double margin = kMargin);

// The window's size for a newly opened picture in an area (the work area):
// each side the fitted picture's side plus the margin, capped at the area.
Size WindowSizeForPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight,
                          double margin = kMargin);

// trunc(outer side - offset): the edge buttons, the toolbar and the
// top-right buttons sit at fixed distances from the window's far edges.
int FromFarEdge(int windowWidth, double offset);

// Panning: the offset is position minus cursor at the start; the view then
// sits at trunc(offset + cursor).
double DragOffset(int position, int cursor);
int DraggedPosition(double offset, int cursor);

}  // namespace vela::view
