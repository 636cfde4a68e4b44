#include "decoders/animation.h"

#include <webp/demux.h>

#include <cstring>

#include "core/unique.h"
#include "decoders/colour.h"
#include "decoders/jxl_decode.h"
#include "decoders/webp_decode.h"
#include "picture/webp_header.h"

namespace uiengine {

namespace {

void DeleteAnimDecoder(WebPAnimDecoder* d) { WebPAnimDecoderDelete(d); }

// A moving WebP through libwebp's animation decoder, which composes each
// frame on the canvas by its blending and disposal flags and keeps only the
// canvas and the frame before it.
class WebpFrames : public FrameSource {
public:
    explicit WebpFrames(SharedBytes bytes) : bytes_(std::move(bytes)) {}

    bool Open() {
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options)) return false;
        options.color_mode = MODE_bgrA;  // premultiplied, as the engine draws
        options.use_threads = 0;
        const WebPData data{bytes_->data(), bytes_->size()};
        decoder_.Reset(WebPAnimDecoderNew(&data, &options));
        WebPAnimInfo info{};
        if (!decoder_ || !WebPAnimDecoderGetInfo(decoder_.Get(), &info) || info.frame_count == 0) return false;
        w_ = static_cast<int>(info.canvas_width);
        h_ = static_cast<int>(info.canvas_height);
        playsLeft_ = static_cast<int>(info.loop_count);  // WebP counts plays; 0: for ever
        profile_ = WebpProfile(bytes_->data(), bytes_->size());
        return RoomFor(static_cast<uint64_t>(w_) * h_ * 4 * 4);
    }

    bool Next(Image* out, int* delayMs) override {
        out->Clear();
        if (!WebPAnimDecoderHasMoreFrames(decoder_.Get())) {
            ++playsDone_;
            if (playsLeft_ == 1) return false;
            if (playsLeft_ > 1) --playsLeft_;
            WebPAnimDecoderReset(decoder_.Get());
            previousEnd_ = 0;
        }
        uint8_t* frame = nullptr;
        int end = 0;
        if (!WebPAnimDecoderGetNext(decoder_.Get(), &frame, &end) || !frame || !out->Allocate(w_, h_)) {
            out->Clear();
            return false;
        }
        std::memcpy(out->pixels.data(), frame, static_cast<size_t>(w_) * h_ * 4);
        ToScreenColours(*out, profile_);  // like the first frame
        // The decoder gives each frame's end on the picture's clock.
        *delayMs = end - previousEnd_;
        previousEnd_ = end;
        return true;
    }

private:
    SharedBytes bytes_;  // read by the decoder, never copied
    Unique<WebPAnimDecoder*, DeleteAnimDecoder> decoder_;
    std::vector<uint8_t> profile_;  // the ICCP chunk's, read once
    int w_ = 0, h_ = 0, playsLeft_ = 0, previousEnd_ = 0;
};

// Counts the pictures of a GIF up to two, walking its blocks.
bool GifHasSeveralPictures(const uint8_t* p, size_t n) {
    if (n < 13 || std::memcmp(p, "GIF8", 4) != 0) return false;
    size_t at = 13;
    if (p[10] & 0x80) at += static_cast<size_t>(3) << ((p[10] & 7) + 1);
    int pictures = 0;
    auto skip = [&] {
        while (at < n) {
            const size_t size = p[at++];
            if (size == 0) return;
            at += size;
        }
    };
    while (at < n) {
        const uint8_t type = p[at++];
        if (type == 0x21) {
            ++at;
            skip();
        } else if (type == 0x2C) {
            if (++pictures == 2) return true;
            if (at + 9 > n) return false;
            const uint8_t flags = p[at + 8];
            at += 9;
            if (flags & 0x80) at += static_cast<size_t>(3) << ((flags & 7) + 1);
            ++at;
            skip();
        } else {
            return false;
        }
    }
    return false;
}

}  // namespace

bool IsMovingPicture(const void* data, size_t length) {
    if (!data || length == 0) return false;
    vela::imaging::WebpHeader header;
    if (vela::imaging::ReadWebpHeader(data, length, &header)) return header.animated;
    if (LooksLikeJxl(data, length)) return IsMovingJxl(data, length);
    return GifHasSeveralPictures(static_cast<const uint8_t*>(data), length);
}

std::unique_ptr<FrameSource> OpenMovingPicture(SharedBytes bytes) {
    if (!bytes || !IsMovingPicture(bytes->data(), bytes->size())) return nullptr;
    try {
        if (vela::imaging::LooksLikeWebp(bytes->data(), bytes->size())) {
            auto webp = std::make_unique<WebpFrames>(std::move(bytes));
            return webp->Open() ? std::move(webp) : nullptr;
        }
        if (LooksLikeJxl(bytes->data(), bytes->size())) return OpenJxlFrames(std::move(bytes));
        return OpenGifFrames(std::move(bytes));
    } catch (...) {
        return nullptr;
    }
}

}  // namespace uiengine
