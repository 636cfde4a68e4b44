#include "decode.h"

#include "colour.h"
#include "jpeg_decode.h"
#include "jpeg_scale.h"
#include "picture/exif_orientation.h"
#include "picture/webp_header.h"
#include "platform_decode.h"
#include "upright.h"
#include "webp_decode.h"

namespace uiengine {

namespace {

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

Image DecodeStored(const void* data, size_t length, const std::atomic<bool>* cancel) {
    if (!data || length == 0 || length > 0x7FFFFFFF) return Image{};
    // GDI+ reads no WebP: what libwebp refuses stays undecodable.
    if (vela::imaging::LooksLikeWebp(data, length)) return DecodeWebp(data, length, cancel);
    if (LooksLikeJpeg(data, length)) {
        Image out = DecodeJpeg(data, length, [](int, int) { return kWholeEighths; }, cancel);
        // What libjpeg-turbo refuses (a damaged file, a kind it does not
        // read) is offered to GDI+, which may read more on some systems.
        if (!out.Empty() || Cancelled(cancel)) return out;
    }
    return DecodeWithGdiplus(data, length, cancel);
}

}  // namespace

Image DecodePicture(const void* data, size_t length, const std::atomic<bool>* cancel) {
    try {
        const int orientation = vela::imaging::JpegOrientation(data, length);
        Image out = Upright(DecodeStored(data, length, cancel), orientation, cancel);
        ToScreenColours(out, data, length);
        return out;
    } catch (...) {
        // Whatever ran out of room mid-way was freed on the way out.
        return Image{};
    }
}

Image DecodeReduced(const void* data, size_t length, int (*scaleFor)(int, int), const std::atomic<bool>* cancel) {
    try {
        if (!data || length == 0 || length > 0x7FFFFFFF || !LooksLikeJpeg(data, length)) return Image{};
        const int orientation = vela::imaging::JpegOrientation(data, length);
        const bool swapped = vela::imaging::OrientationSwapsSides(orientation);
        const auto scale = [&](int w, int h) {
            const int m = swapped ? scaleFor(h, w) : scaleFor(w, h);
            return m >= 1 && m < kWholeEighths ? m : 0;
        };
        Image out = Upright(DecodeJpeg(data, length, scale, cancel), orientation, cancel);
        ToScreenColours(out, data, length);
        return out;
    } catch (...) {
        return Image{};
    }
}

}  // namespace uiengine
