#include "view/view_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vela::view {

bool NeedsFitting(int pictureWidth, int windowWidth, double margin) {
    return static_cast<double>(pictureWidth) > StoredDouble(windowWidth - margin);
}

int FittedWidth(int windowWidth, double margin) { return TruncToInt(StoredDouble(windowWidth - margin)); }

int FittedHeight(int pictureWidth, int pictureHeight, int viewWidth) {
    const double ratio = StoredDouble(static_cast<double>(pictureWidth) / viewWidth);
    return TruncToInt(StoredDouble(pictureHeight / ratio));
}

Size FitSize(int pictureWidth, int pictureHeight, int windowWidth, double margin) {
    if (!NeedsFitting(pictureWidth, windowWidth, margin)) return {pictureWidth, pictureHeight};
    const int width = FittedWidth(windowWidth, margin);
    return {width, FittedHeight(pictureWidth, pictureHeight, width)};
}

bool IsLongPicture(int pictureWidth, int pictureHeight) {
    return pictureWidth > 0 && static_cast<double>(pictureHeight) >= StoredDouble(pictureWidth * kLongPictureRatio);
}

Fit FitWhole(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight, double margin) {
    // A window smaller than its margins still gets a picture of one pixel.
    const double freeWidth = std::max(1.0, StoredDouble(windowWidth - margin));
    const double freeHeight = std::max(1.0, StoredDouble(windowHeight - margin));
    if (pictureWidth <= 0 || pictureHeight <= 0) return {{pictureWidth, pictureHeight}, false};
    if (IsLongPicture(pictureWidth, pictureHeight)) {
        const Size size = FitSize(pictureWidth, pictureHeight, windowWidth, margin);
        return {size, static_cast<double>(size.height) > freeHeight};
    }
    if (pictureWidth <= freeWidth && pictureHeight <= freeHeight) return {{pictureWidth, pictureHeight}, false};
    // The side that overflows more decides; the other follows the ratio.
    const bool byWidth = StoredDouble(pictureWidth * freeHeight) >= StoredDouble(pictureHeight * freeWidth);
    if (byWidth) {
        const int width = TruncToInt(freeWidth);
        return {{width, FittedHeight(pictureWidth, pictureHeight, width)}, false};
    }
    const int height = TruncToInt(freeHeight);
    return {{FittedHeight(pictureHeight, pictureWidth, height), height}, false};
}

int TopOfLongPicture(double margin) { return TruncToInt(StoredDouble(margin / 2.0)); }

int ZoomPercent(int viewWidth, int pictureWidth) {
    const double quotient = StoredDouble(static_cast<double>(viewWidth) / pictureWidth);
    return TruncToInt(StoredDouble(quotient * kPercent));
}

Text ZoomLabelText(int viewWidth, int pictureWidth) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", ZoomPercent(viewWidth, pictureWidth));
    return text;
}

int ZoomInSide(int side) { return TruncToInt(StoredDouble(side * kZoomStep)); }
int ZoomOutSide(int side) { return TruncToInt(StoredDouble(side / kZoomStep)); }

double CursorRatio(int cursor, int oldSide) { return StoredDouble(static_cast<double>(cursor) / oldSide); }

int AnchoredPosition(int position, int cursor, double ratio, int newSide, bool zoomIn) {
    const double anchor = StoredDouble(newSide * ratio);
    // Both forms move the view by the distance the anchored pixel moved.
    if (zoomIn) return TruncToInt(StoredDouble(position - StoredDouble(anchor - cursor)));
    return TruncToInt(StoredDouble(StoredDouble(static_cast<double>(position) + cursor) - anchor));
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
    if (static_cast<double>(pictureSide) < StoredDouble(screenSide - margin)) return TruncToInt(StoredDouble(pictureSide + margin));
    return screenSide;
}

Size WindowSizeForPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight, double margin) {
    const Size shown = FitWhole(pictureWidth, pictureHeight, areaWidth, areaHeight, margin).size;
    return {WindowSideForPicture(shown.width, areaWidth, margin), WindowSideForPicture(shown.height, areaHeight, margin)};
}

int FromFarEdge(int windowWidth, double offset) { return TruncToInt(StoredDouble(windowWidth - offset)); }

double DragOffset(int position, int cursor) { return StoredDouble(static_cast<double>(position) - cursor); }

int DraggedPosition(double offset, int cursor) { return TruncToInt(StoredDouble(offset + cursor)); }

}  // namespace vela::view
