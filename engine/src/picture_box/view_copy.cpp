#include "picture_box/view_copy.h"

#include <algorithm>

namespace uiengine {

namespace {

// The quick copy reaches this far past what the window shows, for small pans.
constexpr int kQuickMargin = 64;

}  // namespace

RECT VisiblePart(HWND host, HWND top, SIZE s) {
    RECT view{}, window{};
    GetWindowRect(host, &view);
    GetWindowRect(top, &window);
    const LONG vx = view.left - window.left, vy = view.top - window.top;
    return RECT{std::max<LONG>(0, -vx), std::max<LONG>(0, -vy), std::min<LONG>(s.cx, window.right - window.left - vx),
                std::min<LONG>(s.cy, window.bottom - window.top - vy)};
}

const Image& SourceFor(const DecodedPicture& picture, SIZE s) {
    const Image* source = picture.full ? picture.full.get() : picture.levels.front().get();
    for (const auto& level : picture.levels) {
        if (level->width >= s.cx && level->height >= s.cy) source = level.get();
    }
    return *source;
}

QuickCopy MakeQuick(const Image& source, SIZE s, RECT region) {
    InflateRect(&region, kQuickMargin, kQuickMargin);
    QuickCopy q;
    const bool close = source.width < 2 * s.cx && source.height < 2 * s.cy;
    q.image = close ? ScaleBilinear(source, s.cx, s.cy, region) : ScaleRegion(source, s.cx, s.cy, region);
    q.rect = RECT{std::max<LONG>(0, region.left), std::max<LONG>(0, region.top), std::min<LONG>(s.cx, region.right),
                  std::min<LONG>(s.cy, region.bottom)};
    q.sharp = !close && q.rect.left == 0 && q.rect.top == 0 && q.rect.right == s.cx && q.rect.bottom == s.cy;
    return q;
}

QuickCopy MakeFirst(const Image& source, SIZE s, RECT region) {
    if (static_cast<long long>(s.cx) * s.cy > kWholeCopyLimit) return MakeQuick(source, s, region);
    QuickCopy q;
    q.rect = RECT{0, 0, s.cx, s.cy};
    q.image = ScaleRegion(source, s.cx, s.cy, q.rect);
    q.sharp = !q.image.Empty();
    return q;
}

}  // namespace uiengine
