#include "view/view_math.h"

#include <cmath>
#include <cstdio>

namespace vela::view {
namespace {

// The FPU may run at extended precision (the app resets it to its default
// state); storing each intermediate as a double gives the double results the
// rules are stated in (29 / 100 * 100 is just below 29 in double precision).
double D(double value) {
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
    return TruncToInt(D(D(outer / 2.0) - D(inner / 2.0)));
}

bool NeedsFitting(int pictureWidth, int windowWidth, double margin) {
    return static_cast<double>(pictureWidth) > D(windowWidth - margin);
}

int FittedWidth(int windowWidth, double margin) { return TruncToInt(D(windowWidth - margin)); }

int FittedHeight(int pictureWidth, int pictureHeight, int viewWidth) {
    const double ratio = D(static_cast<double>(pictureWidth) / viewWidth);
    return TruncToInt(D(pictureHeight / ratio));
}

Size FitSize(int pictureWidth, int pictureHeight, int windowWidth) {
    if (!NeedsFitting(pictureWidth, windowWidth)) return {pictureWidth, pictureHeight};
    const int width = FittedWidth(windowWidth);
    return {width, FittedHeight(pictureWidth, pictureHeight, width)};
}

int ZoomPercent(int viewWidth, int pictureWidth) {
    const double quotient = D(static_cast<double>(viewWidth) / pictureWidth);
    return TruncToInt(D(quotient * kPercent));
}

Text ZoomLabelText(int viewWidth, int pictureWidth) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", ZoomPercent(viewWidth, pictureWidth));
    return text;
}

int ZoomInSide(int side) { return TruncToInt(D(side * kZoomStep)); }
int ZoomOutSide(int side) { return TruncToInt(D(side / kZoomStep)); }

double CursorRatio(int cursor, int oldSide) { return D(static_cast<double>(cursor) / oldSide); }

int AnchoredPosition(int position, int cursor, double ratio, int newSide, bool zoomIn) {
    const double anchor = D(newSide * ratio);
    // Both forms move the view by the distance the anchored pixel moved.
    if (zoomIn) return TruncToInt(D(position - D(anchor - cursor)));
    return TruncToInt(D(D(static_cast<double>(position) + cursor) - anchor));
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
    if (static_cast<double>(pictureSide) < D(screenSide - margin)) return TruncToInt(D(pictureSide + margin));
    return screenSide;
}

int FromFarEdge(int windowWidth, double offset) { return TruncToInt(D(windowWidth - offset)); }

double DragOffset(int position, int cursor) { return D(static_cast<double>(position) - cursor); }

int DraggedPosition(double offset, int cursor) { return TruncToInt(D(offset + cursor)); }

}  // namespace vela::view
