#include "decoders/jxl_decode.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <cstring>

#include "core/unique.h"
#include "decoders/colour.h"
#include "picture/jxl_header.h"

namespace uiengine {

namespace {

void DestroyDecoder(JxlDecoder* d) { JxlDecoderDestroy(d); }
void DestroyThreads(void* r) { JxlThreadParallelRunnerDestroy(r); }

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The decoder hands 8-bit RGBA with straight alpha (whatever the stored
// depth: 16-bit and float pictures are rounded by it); the engine's own
// order and premultiplication are made afterwards in place. Into a buffer,
// not through libjxl's pixel callback: 8-bit output to a buffer is its
// fast road (written as the groups are rendered), a callback of 8-bit
// pixels is fed from a whole decoded copy.
constexpr JxlPixelFormat kRgba8{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
// What the decoder holds beside the output while it decodes a frame: it
// renders group by group, so it peaks near 4 bytes a pixel (measured with
// Debian's libjxl 0.7 on 12 MP pictures, lossy and lossless); twice that
// is asked for.
constexpr uint64_t kDecoderBytesPerPixel = 8;
// An ICC profile larger than this is not a real one: drawn without it.
constexpr size_t kLargestProfile = 4u << 20;
// Brighter pictures (HDR: PQ or HLG) are tone-mapped by the decoder down
// to a screen of this peak, in nits, rather than clipped.
constexpr float kScreenNits = 255.0f;
// libjxl's events this reader handles.
constexpr int kStillEvents = JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE;
constexpr int kMovingEvents = kStillEvents | JXL_DEC_FRAME;

// libjxl's worker threads behind a check of the cancel flag: once it is
// set, the decoder's next parallel step is refused and the decode ends
// with an error at once.
struct CancellableThreads {
    Unique<void*, DestroyThreads> threads;
    const std::atomic<bool>* cancel = nullptr;
};

JxlParallelRetCode RunUnlessCancelled(void* runner, void* jxl, JxlParallelRunInit init, JxlParallelRunFunction func,
                                      uint32_t start, uint32_t end) {
    auto* self = static_cast<CancellableThreads*>(runner);
    if (Cancelled(self->cancel)) return JXL_PARALLEL_RET_RUNNER_ERROR;
    return JxlThreadParallelRunner(self->threads.Get(), jxl, init, func, start, end);
}

// RGBA as the decoder writes it, to premultiplied BGRA in place.
void ToEnginePixels(Image& image) {
    auto* p = reinterpret_cast<uint8_t*>(image.pixels.data());
    uint32_t* out = image.pixels.data();
    const size_t count = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint8_t r = p[0], g = p[1], b = p[2], a = p[3];
        out[i] = a == 255 ? 0xFF000000u | r << 16 | g << 8 | b : Premultiply(a, r, g, b);
    }
}

// One pass of libjxl's decoder over a JPEG XL held whole in memory, frame
// by frame; the header is checked against the memory budget before any
// picture-sized allocation, so that a header that lies costs nothing.
class JxlReader {
public:
    JxlReader(const uint8_t* data, size_t length, const std::atomic<bool>* cancel) : data_(data), length_(length) {
        threads_.cancel = cancel;
    }

    bool Start(int events) {
        events_ = events;
        decoder_.Reset(JxlDecoderCreate(nullptr));
        if (!decoder_) return false;
        if (events & JXL_DEC_FULL_IMAGE) {
            threads_.threads.Reset(JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
            if (!threads_.threads ||
                JxlDecoderSetParallelRunner(decoder_.Get(), RunUnlessCancelled, &threads_) != JXL_DEC_SUCCESS)
                return false;
        }
        return Subscribe();
    }

    // Back to the first frame. libjxl 0.7 forgets the events asked for
    // (its header says they are kept), so they are asked for again.
    bool Rewind() {
        JxlDecoderRewind(decoder_.Get());
        return Subscribe();
    }

    // Runs the decoder to its header alone.
    bool ReadHeader() { return JxlDecoderProcessInput(decoder_.Get()) == JXL_DEC_BASIC_INFO && TakeBasicInfo(); }

    // The next frame as its canvas shows it into *out, upright; false at
    // the end, for damaged data, without room or once cancelled.
    bool NextFrame(Image* out) {
        for (;;) {
            if (Cancelled(threads_.cancel)) return false;
            switch (JxlDecoderProcessInput(decoder_.Get())) {
            case JXL_DEC_BASIC_INFO:
                if (!TakeBasicInfo()) return false;
                break;
            case JXL_DEC_COLOR_ENCODING:
                TakeColours();
                break;
            case JXL_DEC_FRAME:
                if (JxlDecoderGetFrameHeader(decoder_.Get(), &frame_) != JXL_DEC_SUCCESS) return false;
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
                if (!GiveOutput(out)) return false;
                break;
            case JXL_DEC_FULL_IMAGE:
                ToEnginePixels(*out);
                out->opaque = info_.alpha_bits == 0 || AllOpaque(*out);
                return true;
            default:  // the end, an error, or a file that stops short
                return false;
            }
        }
    }

    const JxlBasicInfo& Info() const { return info_; }
    const JxlFrameHeader& Frame() const { return frame_; }
    // The ICC profile of the decoded pixels; empty for sRGB ones.
    const std::vector<uint8_t>& Profile() const { return profile_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    // The events, the alpha wanted, and the whole file as input.
    bool Subscribe() {
        // The engine premultiplies itself; a premultiplied file is divided
        // back by the decoder so that every file arrives alike.
        return JxlDecoderSubscribeEvents(decoder_.Get(), events_) == JXL_DEC_SUCCESS &&
               JxlDecoderSetUnpremultiplyAlpha(decoder_.Get(), JXL_TRUE) == JXL_DEC_SUCCESS && GiveInput();
    }

    bool GiveInput() {
        if (JxlDecoderSetInput(decoder_.Get(), data_, length_) != JXL_DEC_SUCCESS) return false;
        JxlDecoderCloseInput(decoder_.Get());
        return true;
    }

    bool TakeBasicInfo() {
        if (JxlDecoderGetBasicInfo(decoder_.Get(), &info_) != JXL_DEC_SUCCESS) return false;
        // The decoder turns the picture upright: orientations 5 to 8 swap
        // the sides it stores.
        const bool swapped = info_.orientation >= JXL_ORIENT_TRANSPOSE;
        const uint32_t w = swapped ? info_.ysize : info_.xsize, h = swapped ? info_.xsize : info_.ysize;
        if (w == 0 || h == 0 || w > 0x7FFFFFFF / 4 / h) return false;
        const uint64_t pixels = static_cast<uint64_t>(w) * h;
        if (!RoomFor(pixels * 4, pixels * kDecoderBytesPerPixel)) return false;
        width_ = static_cast<int>(w);
        height_ = static_cast<int>(h);
        if (info_.intensity_target > kScreenNits) JxlDecoderSetDesiredIntensityTarget(decoder_.Get(), kScreenNits);
        return true;
    }

    // A picture stored in XYB (lossy) is turned into the colours its
    // header names; one that names only an ICC profile would come out in
    // linear sRGB, too coarse in 8 bits, so it is asked for sRGB instead.
    // Then the pixels' own profile is kept for the engine's conversion.
    void TakeColours() {
        profile_.clear();
        JxlColorEncoding encoding{};
        if (!info_.uses_original_profile &&
            JxlDecoderGetColorAsEncodedProfile(decoder_.Get(), nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &encoding) !=
                JXL_DEC_SUCCESS) {
            encoding = JxlColorEncoding{};
            encoding.color_space = info_.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
            encoding.white_point = JXL_WHITE_POINT_D65;
            encoding.primaries = JXL_PRIMARIES_SRGB;
            encoding.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
            encoding.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
            JxlDecoderSetPreferredColorProfile(decoder_.Get(), &encoding);
        }
        if (JxlDecoderGetColorAsEncodedProfile(decoder_.Get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
                JXL_DEC_SUCCESS &&
            IsSrgb(encoding))
            return;
        size_t size = 0;
        if (JxlDecoderGetICCProfileSize(decoder_.Get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
                JXL_DEC_SUCCESS ||
            size == 0 || size > kLargestProfile || !RoomFor(size))
            return;
        profile_.resize(size);
        if (JxlDecoderGetColorAsICCProfile(decoder_.Get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, profile_.data(),
                                           size) != JXL_DEC_SUCCESS)
            profile_.clear();
    }

    static bool IsSrgb(const JxlColorEncoding& e) {
        return e.color_space == JXL_COLOR_SPACE_RGB && e.white_point == JXL_WHITE_POINT_D65 &&
               e.primaries == JXL_PRIMARIES_SRGB && e.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
    }

    bool GiveOutput(Image* out) {
        size_t size = 0;
        if (JxlDecoderImageOutBufferSize(decoder_.Get(), &kRgba8, &size) != JXL_DEC_SUCCESS ||
            size != static_cast<size_t>(width_) * height_ * 4)
            return false;
        if (out->width != width_ || out->height != height_ || out->pixels.size() * 4 != size) {
            out->Clear();
            if (!out->Allocate(width_, height_)) return false;
        }
        return JxlDecoderSetImageOutBuffer(decoder_.Get(), &kRgba8, out->pixels.data(), size) == JXL_DEC_SUCCESS;
    }

    const uint8_t* data_;
    size_t length_;
    int events_ = 0;
    Unique<JxlDecoder*, DestroyDecoder> decoder_;
    CancellableThreads threads_;
    JxlBasicInfo info_{};
    JxlFrameHeader frame_{};
    std::vector<uint8_t> profile_;
    int width_ = 0, height_ = 0;
};

// A moving JPEG XL: libjxl composes each frame on the canvas (its blending
// and its frames of no duration merged), one frame at a time.
class JxlFrames : public FrameSource {
public:
    explicit JxlFrames(SharedBytes bytes) : bytes_(std::move(bytes)), reader_(bytes_->data(), bytes_->size(), nullptr) {}

    bool Open() {
        if (!reader_.Start(kMovingEvents) || !reader_.ReadHeader() || !reader_.Info().have_animation) return false;
        const JxlAnimationHeader& animation = reader_.Info().animation;
        if (animation.tps_numerator == 0 || animation.tps_denominator == 0) return false;
        ticksPerSecond_ = static_cast<double>(animation.tps_numerator) / animation.tps_denominator;
        playsLeft_ = animation.num_loops > 0x7FFFFFFF ? 0 : static_cast<int>(animation.num_loops);  // 0: for ever
        const uint64_t canvas = static_cast<uint64_t>(reader_.Width()) * reader_.Height() * 4;
        return RoomFor(canvas * 4);
    }

    bool Next(Image* out, int* delayMs) override {
        if (atEnd_) {
            ++playsDone_;
            if (playsLeft_ == 1) return false;
            if (playsLeft_ > 1) --playsLeft_;
            if (!reader_.Rewind()) return false;
            atEnd_ = false;
        }
        if (!reader_.NextFrame(&canvas_)) {
            out->Clear();
            return false;
        }
        // The frame goes out as a copy: the decoder writes the next one
        // into the canvas kept here.
        *out = CopyOf(canvas_);
        if (out->Empty()) return false;
        ToScreenColours(*out, reader_.Profile());
        const double ms = reader_.Frame().duration * 1000.0 / ticksPerSecond_;
        *delayMs = ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms + 0.5);
        atEnd_ = reader_.Frame().is_last;
        return true;
    }

private:
    SharedBytes bytes_;  // read by the decoder, never copied
    JxlReader reader_;
    Image canvas_;
    double ticksPerSecond_ = 1;
    int playsLeft_ = 0;
    bool atEnd_ = false;
};

}  // namespace

// The header table's reading, so that the viewer and the engine agree on
// what is a JPEG XL file.
bool LooksLikeJxl(const void* data, size_t length) { return vela::imaging::LooksLikeJpegXl(data, length); }

Image DecodeJxl(const void* data, size_t length, const std::atomic<bool>* cancel, std::vector<uint8_t>* profile) {
    try {
        if (!LooksLikeJxl(data, length) || length > 0x7FFFFFFF) return Image{};
        JxlReader reader(static_cast<const uint8_t*>(data), length, cancel);
        Image out;
        if (!reader.Start(kStillEvents) || !reader.NextFrame(&out) || Cancelled(cancel)) return Image{};
        if (profile) *profile = reader.Profile();
        return out;
    } catch (...) {
        return Image{};
    }
}

bool IsMovingJxl(const void* data, size_t length) {
    if (!LooksLikeJxl(data, length)) return false;
    try {
        JxlReader reader(static_cast<const uint8_t*>(data), length, nullptr);
        return reader.Start(JXL_DEC_BASIC_INFO) && reader.ReadHeader() && reader.Info().have_animation;
    } catch (...) {
        return false;
    }
}

std::unique_ptr<FrameSource> OpenJxlFrames(SharedBytes bytes) {
    if (!bytes || !LooksLikeJxl(bytes->data(), bytes->size())) return nullptr;
    try {
        auto frames = std::make_unique<JxlFrames>(std::move(bytes));
        return frames->Open() ? std::move(frames) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace uiengine
