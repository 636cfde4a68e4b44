#include "view/view_math.h"

#include <cmath>
#include <cstdio>

namespace vela::view {
namespace {

// The FPU may run at extended precision (the app resets it to its default
// state); storing each intermediate as a double gives the double results the
// rules are stated in (29 / 100 * 100 is just below 29 in double precision).
double AsDouble(double value) {
    volatile double stored = value;
    return stored;
}

}  // namespace

int TruncToInt(double value) {
    // NaN fails both comparisons.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return 0;
    return static_cast<int>(value);
}

int CentredPosition(int outer, int inner) {
    return TruncToInt(AsDouble(AsDouble(outer / 2.0) - AsDouble(inner / 2.0)));
}

bool NeedsFitting(int pictureWidth, int windowWidth, double margin) {
    return static_cast<double>(pictureWidth) > AsDouble(windowWidth - margin);
}

int FittedWidth(int windowWidth, double margin) { return TruncToInt(AsDouble(windowWidth - margin)); }

int FittedHeight(int pictureWidth, int pictureHeight, int viewWidth) {
    const double ratio = AsDouble(static_cast<double>(pictureWidth) / viewWidth);
    return TruncToInt(AsDouble(pictureHeight / ratio));
}

Size FitSize(int pictureWidth, int pictureHeight, int windowWidth, double margin) {
    if (!NeedsFitting(pictureWidth, windowWidth, margin)) return {pictureWidth, pictureHeight};
    const int width = FittedWidth(windowWidth, margin);
    return {width, FittedHeight(pictureWidth, pictureHeight, width)};
}

int ZoomPercent(int viewWidth, int pictureWidth) {
    const double quotient = AsDouble(static_cast<double>(viewWidth) / pictureWidth);
    return TruncToInt(AsDouble(quotient * kPercent));
}

Text ZoomLabelText(int viewWidth, int pictureWidth) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", ZoomPercent(viewWidth, pictureWidth));
    return text;
}

int ZoomInSide(int side) { return TruncToInt(AsDouble(side * kZoomStep)); }
int ZoomOutSide(int side) { return TruncToInt(AsDouble(side / kZoomStep)); }

double CursorRatio(int cursor, int oldSide) { return AsDouble(static_cast<double>(cursor) / oldSide); }

int AnchoredPosition(int position, int cursor, double ratio, int newSide, bool zoomIn) {
    const double anchor = AsDouble(newSide * ratio);
    // Both forms move the view by the distance the anchored pixel moved.
    if (zoomIn) return TruncToInt(AsDouble(position - AsDouble(anchor - cursor)));
    return TruncToInt(AsDouble(AsDouble(static_cast<double>(position) + cursor) - anchor));
}

ViewRect WheelStep(ViewRect view, int windowWidth, int windowHeight, int cursorX, int cursorY, int distance) {
    if (distance == 0) return view;
    const bool zoomIn = distance > 0;
    auto step = [zoomIn](int side) { return zoomIn ? ZoomInSide(side) : ZoomOutSide(side); };
    if (view.width > windowWidth) {
        const double rx = CursorRatio(cursorX, view.width), ry = CursorRatio(cursorY, view.height);
        view.width = step(view.width);
        view.height = step(view.height);
        view.left = AnchoredPosition(view.left, cursorX, rx, view.width, zoomIn);
        view.top = AnchoredPosition(view.top, cursorY, ry, view.height, zoomIn);
    } else {
        view.width = step(view.width);
        view.height = step(view.height);
        view.left = CentredPosition(windowWidth, view.width);
        view.top = CentredPosition(windowHeight, view.height);
    }
    return view;
}

int WindowSideForPicture(int pictureSide, int screenSide, double margin) {
    if (static_cast<double>(pictureSide) < AsDouble(screenSide - margin)) return TruncToInt(AsDouble(pictureSide + margin));
    return screenSide;
}

int FromFarEdge(int windowWidth, double offset) { return TruncToInt(AsDouble(windowWidth - offset)); }

double DragOffset(int position, int cursor) { return AsDouble(static_cast<double>(position) - cursor); }

int DraggedPosition(double offset, int cursor) { return TruncToInt(AsDouble(offset + cursor)); }

}  // namespace vela::view
