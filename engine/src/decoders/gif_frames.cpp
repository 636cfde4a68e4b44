// GIF pictures, decoded here rather than through GDI+: the platform's
// decoder gives each frame's own pixels (or composes them differently on
// each system, and this platform's measures a still picture by its first
// frame instead of its logical screen) and decodes the whole file at once,
// where a moving picture needs one frame at a time composed by the file's
// disposal rules. A still GIF is the first frame of the same composition.
#include <algorithm>
#include <cstring>

#include "core/canvas.h"
#include "decoders/animation.h"
#include "decoders/gif_decode.h"
#include "picture/decoder_guards.h"
#include "picture/pixel_data.h"

namespace uiengine {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

enum class Disposal { Keep, Background, Previous };

// What the reader met looking for the next picture: one, the end of a play
// (the trailer, the data ending between blocks, or a block that is no
// block), or the data ending inside a block (a file cut short, as one
// partly downloaded), after which nothing more can be shown.
enum class NextBlock { Frame, End, Cut };

// One picture of the file as read from its blocks.
struct FrameHeader {
    int x = 0, y = 0, w = 0, h = 0;
    bool interlaced = false;
    const uint8_t* palette = nullptr;  // 3 bytes an entry
    int colours = 0;
    int transparent = -1;
    int delayMs = 0;
    Disposal disposal = Disposal::Keep;
    size_t data = 0;  // the LZW minimum code size byte, then sub-blocks
};

// Where stored row `row` of an interlaced picture of `h` rows is shown: its
// four passes hold every 8th row from 0, every 8th from 4, every 4th from
// 2, every 2nd from 1.
int ShownRow(int row, int h) {
    const int pass1 = (h + 7) / 8, pass2 = (h + 3) / 8, pass3 = (h + 1) / 4;
    if (row < pass1) return row * 8;
    row -= pass1;
    if (row < pass2) return row * 8 + 4;
    row -= pass2;
    if (row < pass3) return row * 4 + 2;
    return (row - pass3) * 2 + 1;
}

// Puts a frame's indexes, as the stream gives them, where they are shown
// inside the kept part of the frame (columns x rows from its top-left).
class Placer {
public:
    Placer(const FrameHeader& f, int columns, int rows, std::vector<int16_t>& out)
        : f_(f), columns_(columns), rows_(rows), out_(out) {}
    void Put(int index) {
        if (col_ < columns_ && shown_ < rows_)
            out_[static_cast<size_t>(shown_) * columns_ + col_] = static_cast<int16_t>(index);
        if (++col_ == f_.w) {
            col_ = 0;
            ++row_;
            shown_ = f_.interlaced ? ShownRow(row_, f_.h) : row_;
        }
    }
    // True once no row left in the stream can be kept (rows in order only).
    bool Done() const { return !f_.interlaced && row_ >= rows_; }

private:
    const FrameHeader& f_;
    int columns_, rows_;
    std::vector<int16_t>& out_;
    int col_ = 0, row_ = 0, shown_ = 0;
};

class GifReader {
public:
    GifReader(const uint8_t* p, size_t n) : p_(p), n_(n) {}

    bool Screen(int* w, int* h, size_t* firstBlock) {
        if (n_ < 13 || std::memcmp(p_, "GIF8", 4) != 0) return false;
        *w = p_[6] | (p_[7] << 8);
        *h = p_[8] | (p_[9] << 8);
        size_t at = 13;
        if (p_[10] & 0x80) {
            palette_ = p_ + 13;
            colours_ = 2 << (p_[10] & 7);
            at += static_cast<size_t>(3) * colours_;
        }
        *firstBlock = at;
        return at <= n_ && *w > 0 && *h > 0;
    }

    // The next picture from `at` (extensions before it read on the way).
    NextBlock NextFrame(size_t* at, FrameHeader* f) {
        FrameHeader h;
        while (*at < n_) {
            const uint8_t type = p_[(*at)++];
            if (type == 0x21) {
                if (*at >= n_) return NextBlock::Cut;
                const uint8_t label = p_[(*at)++];
                if (label == 0xF9 && *at + 5 <= n_ && p_[*at] >= 4) {
                    const uint8_t flags = p_[*at + 1];
                    const int method = (flags >> 2) & 7;
                    h.disposal = method == 2 ? Disposal::Background : method == 3 ? Disposal::Previous : Disposal::Keep;
                    h.delayMs = (p_[*at + 2] | (p_[*at + 3] << 8)) * 10;
                    h.transparent = (flags & 1) ? p_[*at + 4] : -1;
                }
                if (!SkipSubBlocks(at)) return NextBlock::Cut;
            } else if (type == 0x2C) {
                if (*at + 9 > n_) return NextBlock::Cut;
                h.x = p_[*at] | (p_[*at + 1] << 8);
                h.y = p_[*at + 2] | (p_[*at + 3] << 8);
                h.w = p_[*at + 4] | (p_[*at + 5] << 8);
                h.h = p_[*at + 6] | (p_[*at + 7] << 8);
                const uint8_t flags = p_[*at + 8];
                *at += 9;
                h.interlaced = (flags & 0x40) != 0;
                h.palette = palette_;
                h.colours = colours_;
                if (flags & 0x80) {
                    h.palette = p_ + *at;
                    h.colours = 2 << (flags & 7);
                    *at += static_cast<size_t>(3) * h.colours;
                }
                if (*at >= n_) return NextBlock::Cut;
                h.data = *at;
                ++*at;
                if (!SkipSubBlocks(at)) return NextBlock::Cut;
                *f = h;
                return NextBlock::Frame;
            } else {
                return NextBlock::End;
            }
        }
        return NextBlock::End;
    }

    // The frame's colour indexes inside the screen: the first `columns` of
    // its first `rows` rows as shown (interlaced rows put in their place),
    // in `out` (columns x rows, never more than the screen's). The rest of
    // the stream is read and dropped, or not read once no row to keep is
    // left. A short or damaged stream leaves the rest as -1. False when the
    // memory budget has no room for them.
    bool Indexes(const FrameHeader& f, int columns, int rows, std::vector<int16_t>& out) {
        const uint64_t kept = static_cast<uint64_t>(columns) * rows;
        if (!RoomFor(kept * sizeof(int16_t))) return false;
        out.assign(static_cast<size_t>(kept), -1);
        Placer place(f, columns, rows, out);
        size_t at = f.data;
        const int minimum = p_[at++];
        if (minimum < 1 || minimum > 11) return true;
        const int clear = 1 << minimum, end = clear + 1;
        std::vector<uint16_t> prefix(kMaxCodes);
        std::vector<uint8_t> suffix(kMaxCodes), stack(kMaxCodes + 1);
        int bits = minimum + 1, next = end + 1, previous = -1;
        uint8_t first = 0;
        uint32_t buffer = 0;
        int held = 0;
        size_t block = 0;
        uint64_t written = 0;
        const uint64_t total = static_cast<uint64_t>(f.w) * f.h;
        for (int i = 0; i < clear; ++i) suffix[i] = static_cast<uint8_t>(i);
        while (written < total && !place.Done()) {
            while (held < bits) {
                if (block == 0) {
                    if (at >= n_ || p_[at] == 0) return true;
                    block = p_[at++];
                }
                if (at >= n_) return true;
                buffer |= static_cast<uint32_t>(p_[at++]) << held;
                held += 8;
                --block;
            }
            const int code = static_cast<int>(buffer & ((1u << bits) - 1));
            buffer >>= bits;
            held -= bits;
            if (code == clear) {
                bits = minimum + 1;
                next = end + 1;
                previous = -1;
                continue;
            }
            if (code == end) return true;
            int c = code, depth = 0;
            if (previous < 0) {
                if (code >= clear) return true;  // must start with a colour
                first = static_cast<uint8_t>(code);
                place.Put(code);
                ++written;
                previous = code;
                continue;
            }
            if (code > next || (code == next && next >= kMaxCodes)) return true;
            if (code == next) {
                stack[depth++] = first;
                c = previous;
            }
            while (c >= clear) {
                if (depth >= kMaxCodes) return true;
                stack[depth++] = suffix[c];
                c = prefix[c];
            }
            first = static_cast<uint8_t>(c);
            stack[depth++] = first;
            for (; depth > 0 && written < total; ++written) place.Put(stack[--depth]);
            if (next < kMaxCodes) {
                prefix[next] = static_cast<uint16_t>(previous);
                suffix[next] = first;
                ++next;
                if (next == (1 << bits) && bits < kMaxCodeBits) ++bits;
            }
            previous = code;
        }
        return true;
    }

private:
    // False when the data ends before the sub-blocks' terminator.
    bool SkipSubBlocks(size_t* at) {
        while (*at < n_) {
            const size_t size = p_[(*at)++];
            if (size == 0) return true;
            *at += size;
        }
        return false;
    }

    const uint8_t* p_;
    size_t n_;
    const uint8_t* palette_ = nullptr;
    int colours_ = 0;
};

class GifFrames : public FrameSource {
public:
    // Over `bytes` kept alive by the source, or (a still decode, `bytes`
    // null) over data the caller keeps for the source's life.
    GifFrames(SharedBytes bytes, const uint8_t* data, size_t length, int w, int h, size_t first, int loops)
        : bytes_(std::move(bytes)), reader_(data, length), w_(w), h_(h), first_(first), at_(first),
          playsLeft_(loops) {
        int sw, sh;
        size_t f;
        reader_.Screen(&sw, &sh, &f);  // takes the global palette
    }

    // The first picture composed on the clear screen, the canvas itself
    // handed over (no copy): what a still GIF shows. Empty when the data
    // holds no whole picture or without room for it.
    Image First() {
        Image out;
        FrameHeader f;
        if (!canvas_.Reset(w_, h_, 0) || reader_.NextFrame(&at_, &f) != NextBlock::Frame || !Compose(f)) return out;
        out = std::move(canvas_);
        canvas_.Clear();
        out.opaque = AllOpaque(out);
        return out;
    }

    bool Next(Image* out, int* delayMs) override {
        out->Clear();
        if (canvas_.Empty() && !canvas_.Reset(w_, h_, 0)) return false;
        FrameHeader f;
        const NextBlock next = reader_.NextFrame(&at_, &f);
        // A picture the data ends inside is never shown half drawn, and no
        // play follows: the last whole frame stays.
        if (next == NextBlock::Cut) return false;
        if (next == NextBlock::End) {
            // The end of one play: again from the first picture, on a clear
            // canvas, while plays remain.
            if (frames_ > 0) ++playsDone_;
            if (playsLeft_ == 1 || frames_ == 0) return false;
            if (playsLeft_ > 1) --playsLeft_;
            at_ = first_;
            last_ = FrameHeader{};
            saved_.Clear();
            if (!canvas_.Reset(w_, h_, 0) || reader_.NextFrame(&at_, &f) != NextBlock::Frame) return false;
        }
        ++frames_;
        Dispose();
        // A frame the budget has no room for ends the play on the frame shown.
        if (!Compose(f)) return false;
        *delayMs = f.delayMs;
        *out = CopyOf(canvas_);
        return !out->Empty();
    }

private:
    // What the previous frame asked to leave behind it.
    void Dispose() {
        if (last_.disposal == Disposal::Background) {
            FillCopy(Canvas::Of(canvas_), RECT{last_.x, last_.y, last_.x + last_.w, last_.y + last_.h}, 0);
        } else if (last_.disposal == Disposal::Previous && !saved_.Empty()) {
            canvas_.pixels = saved_.pixels;
        }
        last_ = FrameHeader{};
    }

    // The frame drawn over the canvas, clipped to the screen: what lies
    // outside it is never held. False without room for the frame.
    bool Compose(const FrameHeader& f) {
        if (f.disposal == Disposal::Previous) {
            saved_ = CopyOf(canvas_);
        } else {
            saved_.Clear();
        }
        const int columns = std::max(0, std::min(f.w, w_ - f.x));
        const int rows = columns == 0 ? 0 : std::max(0, std::min(f.h, h_ - f.y));
        if (!reader_.Indexes(f, columns, rows, indexes_)) return false;
        for (int row = 0; row < rows; ++row) {
            const int16_t* in = indexes_.data() + static_cast<size_t>(row) * columns;
            uint32_t* dst = canvas_.Row(f.y + row) + f.x;
            for (int col = 0; col < columns; ++col) {
                const int i = in[col];
                if (i < 0 || i == f.transparent || i >= f.colours || !f.palette) continue;
                const uint8_t* c = f.palette + 3 * i;
                dst[col] = 0xFF000000u | (c[0] << 16) | (c[1] << 8) | c[2];
            }
        }
        last_ = f;
        return true;
    }

    SharedBytes bytes_;
    GifReader reader_;
    int w_, h_;
    size_t first_, at_;
    int playsLeft_;  // 0: for ever
    int frames_ = 0;
    Image canvas_, saved_;
    FrameHeader last_;
    std::vector<int16_t> indexes_;
};

}  // namespace

int GifLoopCount(const void* data, size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    static const uint8_t kNetscape[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01};
    if (!p || length < sizeof kNetscape + 2) return -1;
    const uint8_t* hit = std::search(p, p + length, kNetscape, kNetscape + sizeof kNetscape);
    if (hit + sizeof kNetscape + 2 > p + length) return -1;
    return hit[sizeof kNetscape] | (hit[sizeof kNetscape + 1] << 8);
}

std::unique_ptr<FrameSource> OpenGifFrames(SharedBytes bytes) {
    if (!bytes || !vela::imaging::GifPixelsFitData(bytes->data(), bytes->size())) return nullptr;
    GifReader reader(bytes->data(), bytes->size());
    int w = 0, h = 0;
    size_t first = 0;
    if (!reader.Screen(&w, &h, &first) || !RoomFor(static_cast<uint64_t>(w) * h * 4 * 4)) return nullptr;
    // NETSCAPE2.0's count is of repetitions after the first play (browsers
    // play a count of 1 twice); without the block the picture plays once.
    const int stored = GifLoopCount(bytes->data(), bytes->size());
    const int plays = stored < 0 ? 1 : stored == 0 ? 0 : std::min(stored + 1, 65536);
    try {
        const uint8_t* data = bytes->data();
        const size_t length = bytes->size();
        return std::make_unique<GifFrames>(std::move(bytes), data, length, w, h, first, plays);
    } catch (...) {
        return nullptr;
    }
}

Image DecodeGif(const void* data, size_t length, const std::atomic<bool>* cancel) {
    const auto* p = static_cast<const uint8_t*>(data);
    // A first picture whose pixels are not all in the data is refused, as
    // the platform's decoder refuses it; one followed by a cut or damaged
    // picture (a moving GIF partly downloaded) is shown.
    if (!vela::imaging::GifPixelsFitData(p, length) || !vela::imaging::GifFirstPictureWhole(p, length)) return Image{};
    GifReader reader(p, length);
    int w = 0, h = 0;
    size_t first = 0;
    if (!reader.Screen(&w, &h, &first)) return Image{};
    // The screen's pixels and, beside them, the first picture's indexes
    // (never more than the screen's).
    const uint64_t pixels = static_cast<uint64_t>(w) * h;
    if (!RoomFor(pixels * 4, pixels * sizeof(int16_t))) return Image{};
    if (cancel && cancel->load(std::memory_order_relaxed)) return Image{};
    GifFrames frames(nullptr, p, length, w, h, first, 1);
    Image out = frames.First();
    if (cancel && cancel->load(std::memory_order_relaxed)) out.Clear();
    return out;
}

}  // namespace uiengine
