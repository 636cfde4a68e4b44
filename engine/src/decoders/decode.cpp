#include "decoders/decode.h"

#include "decoders/colour.h"
#include "decoders/gif_decode.h"
#include "decoders/heif_decode.h"
#include "decoders/jpeg_decode.h"
#include "decoders/jxl_decode.h"
#include "decoders/platform_decode.h"
#include "decoders/upright.h"
#include "decoders/webp_decode.h"
#include "picture/exif_orientation.h"
#include "picture/pixel_data.h"
#include "picture/webp_header.h"

namespace uiengine {

namespace {

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The picture as stored, and its embedded profile into *profile: from the
// decoder that read it where the decoder is ours, else from the headers.
Image DecodeStored(const void* data, size_t length, const std::atomic<bool>* cancel, std::vector<uint8_t>* profile) {
    if (!data || length == 0 || length > 0x7FFFFFFF) return Image{};
    // GDI+ reads no WebP: what libwebp refuses stays undecodable.
    if (vela::imaging::LooksLikeWebp(data, length)) {
        Image out = DecodeWebp(data, length, cancel);
        if (!out.Empty()) *profile = WebpProfile(data, length);
        return out;
    }
    // HEIC and AVIF: libheif's or nothing (GDI+ reads neither).
    if (LooksLikeHeif(data, length)) return DecodeHeif(data, length, cancel, profile);
    // Nor JPEG XL: libjxl's answer is the last word.
    if (LooksLikeJxl(data, length)) return DecodeJxl(data, length, cancel, profile);
    if (LooksLikeJpeg(data, length)) {
        Image out = DecodeJpeg(data, length, [](int, int) { return kWholeEighths; }, cancel, profile);
        // What libjpeg-turbo refuses (a damaged file, a kind it does not
        // read) is offered to GDI+, which may read more on some systems.
        if (!out.Empty() || Cancelled(cancel)) return out;
    }
    if (vela::imaging::LooksLikeGif(data, length)) {
        // What the reader cannot show goes to GDI+ as before (a GIF of no
        // screen may still be read there; its checks keep from it one whose
        // pixels are missing).
        Image out = DecodeGif(data, length, cancel);
        if (!out.Empty() || Cancelled(cancel)) return out;
    }
    Image out = DecodeWithGdiplus(data, length, cancel);
    if (!out.Empty()) *profile = StoredProfile(data, length);
    return out;
}

}  // namespace

Image DecodePicture(const void* data, size_t length, const std::atomic<bool>* cancel) {
    try {
        const int orientation = vela::imaging::JpegOrientation(data, length);
        std::vector<uint8_t> profile;
        Image out = Upright(DecodeStored(data, length, cancel, &profile), orientation, cancel);
        ToScreenColours(out, profile);
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
        std::vector<uint8_t> profile;
        Image out = Upright(DecodeJpeg(data, length, scale, cancel, &profile), orientation, cancel);
        ToScreenColours(out, profile);
        return out;
    } catch (...) {
        return Image{};
    }
}

}  // namespace uiengine
