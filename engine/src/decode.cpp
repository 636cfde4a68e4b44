#include "decode.h"

#include <objbase.h>
#include <gdiplus.h>
#include <wincodec.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "picture/decoder_guards.h"
#include "picture/exif_orientation.h"
#include "picture/picture_stream.h"
#include "pool.h"
#include "unique.h"

namespace uiengine {
namespace gp = Gdiplus::DllExports;

namespace {

bool StartGdiplus() {
    // Started once and kept for the life of the process: shutting GDI+ down
    // from DllMain is not allowed, and the host may use GDI+ itself.
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        ok = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    });
    return ok;
}

void DisposeImage(Gdiplus::GpBitmap* b) { gp::GdipDisposeImage(b); }

// 32768 per side keeps every row computation inside 32 bits; how many
// pixels is up to the memory the process has left: the picture's buffer in
// one piece, and beside it the decoder's own copy of the picture (24-bit)
// and the halved copies that follow.
bool SizeAllowed(UINT w, UINT h) {
    if (w == 0 || h == 0 || w > 32768 || h > 32768) return false;
    const uint64_t pixels = static_cast<uint64_t>(w) * h;
    return RoomFor(pixels * 4, pixels * 3);
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// 24-bit BGR rows into opaque 32-bit pixels, four at a time through three
// 32-bit reads (the copy runs once over every pixel of a photo).
void Widen(const uint8_t* s, uint32_t* d, UINT count) {
    UINT x = 0;
    for (; x + 4 <= count; x += 4, s += 12, d += 4) {
        uint32_t w0, w1, w2;
        memcpy(&w0, s, 4);
        memcpy(&w1, s + 4, 4);
        memcpy(&w2, s + 8, 4);
        d[0] = w0 | 0xFF000000u;
        d[1] = (w0 >> 24) | (w1 << 8) | 0xFF000000u;
        d[2] = (w1 >> 16) | (w2 << 16) | 0xFF000000u;
        d[3] = (w2 >> 8) | 0xFF000000u;
    }
    for (; x < count; ++x, s += 3) *d++ = 0xFF000000u | (s[2] << 16) | (s[1] << 8) | s[0];
}

// The same for a row whose 24-bit data starts at or below where its 32-bit
// pixels go in the same memory: from the right, so every source pixel is
// read before its bytes are overwritten.
void WidenBackward(const uint8_t* s, uint32_t* d, UINT count) {
    for (UINT x = count; x-- > 0;) d[x] = 0xFF000000u | (s[3 * x + 2] << 16) | (s[3 * x + 1] << 8) | s[3 * x];
}

// The picture's rows lie packed as 24-bit BGR (3 * width bytes a row) at the
// start of its own buffer; they are widened there to opaque 32-bit pixels.
// From the bottom up in blocks of rows [a, b) whose 32-bit rows lie wholly
// above the 24-bit data of rows [0, b): inside such a block no row can
// overwrite one still to be read, so its rows are shared by the workers.
// Stops between blocks when cancelled (false; the rows are then mixed).
bool WidenInPlace(Image& out, const std::atomic<bool>* cancel) {
    const int w = out.width, h = out.height;
    uint8_t* base = reinterpret_cast<uint8_t*>(out.pixels.data());
    const int64_t packed = 3LL * w, wide = 4LL * w;
    auto source = [&](int y) { return base + packed * y; };
    int b = h;
    for (;;) {
        int a = static_cast<int>((packed * b + wide - 1) / wide);
        a = (a + 1) & ~1;
        if (a >= b) break;
        if (!ParallelRows(
                b - a,
                [&](int first, int last) {
                    for (int y = a + first; y < a + last; ++y) Widen(source(y), out.Row(y), static_cast<UINT>(w));
                },
                cancel))
            return false;
        b = a;
    }
    // The last few rows overlap their own data: one at a time, bottom up.
    for (int y = b; y-- > 0;) WidenBackward(source(y), out.Row(y), static_cast<UINT>(w));
    return true;
}

bool LooksLikeJpeg(const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return length > 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF;
}

// Width, height and component count from a JPEG's frame header; false
// when there is none before the first scan.
bool JpegFrameHeader(const uint8_t* p, size_t length, UINT* w, UINT* h, int* components) {
    size_t i = 2;
    while (i + 4 <= length) {
        if (p[i] != 0xFF) return false;
        const uint8_t marker = p[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            i += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return false;
        const size_t size = (p[i + 2] << 8) | p[i + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (i + 10 > length || size < 8) return false;
            *h = (p[i + 5] << 8) | p[i + 6];
            *w = (p[i + 7] << 8) | p[i + 8];
            *components = p[i + 9];
            return true;
        }
        i += 2 + size;
    }
    return false;
}

// Touches the pages of [begin, begin + bytes) on a worker, so that the
// system has them ready when they are written (the first write of each page
// of a fresh block costs more than the copy into it). Only a help: when no
// worker took it up by the time the pages are needed, it is skipped.
class Prefault {
    struct State {
        std::atomic<int> phase{0};  // 0 waiting, 1 touching, 2 done, 3 skipped
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ~State() {
            if (done) CloseHandle(done);
        }
    };

public:
    Prefault(void* begin, size_t bytes) {
        try {
            state_ = std::make_shared<State>();
        } catch (...) {
            return;
        }
        if (!state_->done) {
            state_.reset();
            return;
        }
        SubmitTask([state = state_, p = static_cast<volatile uint8_t*>(begin), bytes] {
            int waiting = 0;
            if (!state->phase.compare_exchange_strong(waiting, 1)) return;
            for (size_t i = 0; i < bytes; i += 4096) p[i] = 0;
            state->phase = 2;
            SetEvent(state->done);
        });
    }
    ~Prefault() { Join(); }
    Prefault(const Prefault&) = delete;
    Prefault& operator=(const Prefault&) = delete;
    void Join() {
        if (!state_) return;
        int waiting = 0;
        if (!state_->phase.compare_exchange_strong(waiting, 3)) WaitForSingleObject(state_->done, INFINITE);
        state_.reset();
    }

private:
    std::shared_ptr<State> state_;
};

template <typename I>
using Com = uiengine::Unique<I*, uiengine::ComRelease<I>>;

// JPEG through the imaging component directly: it reads the caller's bytes in
// place (no stream copy) and its rows go straight into our buffer, where
// GDI+ would first build a whole decoded bitmap of its own and copy it again
// (twice the time and the memory of the picture in its 24-bit form).
// Empty when anything is unsupported; the caller then asks GDI+.
Image DecodeJpegWic(const void* data, size_t length, bool* packed, const std::atomic<bool>* cancel) {
    Image out;
    const uiengine::ComInitialization com;
    Com<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Out()))))
        return out;
    Com<IWICStream> stream;
    if (FAILED(factory.Get()->CreateStream(stream.Out())) ||
        FAILED(stream.Get()->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                                  static_cast<DWORD>(length))))
        return out;
    // A colour picture's buffer is made ready while the decoder runs (on
    // one core): the part its 24-bit rows are copied into, no more, so that
    // the memory peak stays that of the decoder's copy and this part. (A
    // failure below returns an empty picture; the buffer goes once the
    // toucher has stopped.)
    UINT headerW = 0, headerH = 0;
    int components = 0;
    std::unique_ptr<Prefault> prefault;
    // Not for a file far too small to hold a picture of the size its header
    // claims (a JPEG keeps well over a byte per thousand pixels): such a
    // header is not worth a buffer before the decoder has looked at it.
    if (JpegFrameHeader(static_cast<const uint8_t*>(data), length, &headerW, &headerH, &components) &&
        components == 3 && length >= static_cast<uint64_t>(headerW) * headerH / 1024 &&
        SizeAllowed(headerW, headerH) &&
        out.Allocate(static_cast<int>(headerW), static_cast<int>(headerH))) {
        prefault = std::make_unique<Prefault>(out.pixels.data(), static_cast<size_t>(headerW) * headerH * 3);
    }
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory.Get()->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                      decoder.Out())))
        return Image{};
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder.Get()->GetFrame(0, frame.Out()))) return Image{};
    UINT w = 0, h = 0;
    WICPixelFormatGUID format{};
    if (FAILED(frame.Get()->GetSize(&w, &h)) || !SizeAllowed(w, h) || FAILED(frame.Get()->GetPixelFormat(&format)))
        return Image{};
    if (prefault) prefault->Join();
    if ((out.width != static_cast<int>(w) || out.height != static_cast<int>(h)) &&
        !out.Allocate(static_cast<int>(w), static_cast<int>(h)))
        return Image{};
    if (Cancelled(cancel)) return Image{};
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        // Colour photos: the decoder's rows packed into the first three
        // quarters of our buffer in one call, then the decoder goes (with
        // whatever whole copy of the picture it keeps) before the rows are
        // widened in place (here, or by the caller that asked to have them
        // packed): the two never need room at the same time.
        // In bands, so that a cancelled decode stops between them.
        const UINT stride = w * 3;
        const UINT band = 512;
        for (UINT y0 = 0; y0 < h; y0 += band) {
            const UINT n = std::min(band, h - y0);
            const WICRect rect{0, static_cast<INT>(y0), static_cast<INT>(w), static_cast<INT>(n)};
            if (Cancelled(cancel) ||
                FAILED(frame.Get()->CopyPixels(&rect, stride, stride * n,
                                               reinterpret_cast<BYTE*>(out.pixels.data()) + size_t{stride} * y0)))
                return Image{};
        }
        frame.Reset();
        decoder.Reset();
        stream.Reset();
        factory.Reset();
        if (packed) {
            *packed = true;
        } else if (!WidenInPlace(out, cancel)) {
            return Image{};
        }
    } else {
        // Grey and CMYK pictures: the component converts straight into our buffer.
        Com<IWICBitmapSource> converted;
        if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.Get(), converted.Out()))) {
            out.Clear();
            return out;
        }
        const UINT band = 256;
        for (UINT y0 = 0; y0 < h; y0 += band) {
            const UINT n = std::min(band, h - y0);
            const WICRect rect{0, static_cast<INT>(y0), static_cast<INT>(w), static_cast<INT>(n)};
            if (Cancelled(cancel) || FAILED(converted.Get()->CopyPixels(&rect, w * 4, w * 4 * n,
                                                   reinterpret_cast<BYTE*>(out.Row(static_cast<int>(y0)))))) {
                out.Clear();
                return out;
            }
        }
    }
    out.opaque = true;  // JPEG has no alpha
    return out;
}

// A colour JPEG halved while it is read: the decoder's rows come a band at
// a time into a small buffer and are halved from there, so the whole
// picture never needs a buffer of ours. The same pixels as HalvePacked of
// the whole decode. Empty when the picture is not a 24-bit colour JPEG the
// component reads, when there is no room, or once cancelled.
Image DecodeJpegHalvedWic(const void* data, size_t length, bool (*wanted)(int, int), const std::atomic<bool>* cancel) {
    Image out;
    const uiengine::ComInitialization com;
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    UINT w = 0, h = 0;
    WICPixelFormatGUID format{};
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Out()))) ||
        FAILED(factory.Get()->CreateStream(stream.Out())) ||
        FAILED(stream.Get()->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                                  static_cast<DWORD>(length))) ||
        FAILED(factory.Get()->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                      decoder.Out())) ||
        FAILED(decoder.Get()->GetFrame(0, frame.Out())) || FAILED(frame.Get()->GetSize(&w, &h)) ||
        FAILED(frame.Get()->GetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) ||
        w < 2 || h < 2 || w > 32768 || h > 32768 || !wanted(static_cast<int>(w), static_cast<int>(h)) ||
        !RoomFor(uint64_t{w / 2} * (h / 2) * 4, uint64_t{w} * h * 3) ||
        !out.Allocate(static_cast<int>(w / 2), static_cast<int>(h / 2)))
        return Image{};
    const UINT stride = w * 3;
    const int bandPairs = 128;  // rows of the halved picture per band
    std::vector<uint8_t> rows;
    try {
        rows.resize(static_cast<size_t>(stride) * 2 * bandPairs);
    } catch (...) {
        return Image{};
    }
    for (int y0 = 0; y0 < out.height; y0 += bandPairs) {
        const int n = std::min(bandPairs, out.height - y0);
        const WICRect rect{0, 2 * y0, static_cast<INT>(w), 2 * n};
        if (Cancelled(cancel) || FAILED(frame.Get()->CopyPixels(&rect, stride, stride * 2 * n, rows.data())))
            return Image{};
        const bool whole = ParallelRows(
            n,
            [&](int first, int last) {
                std::vector<uint32_t> wide(2 * static_cast<size_t>(w));
                for (int y = first; y < last; ++y) {
                    Widen(rows.data() + size_t{stride} * (2 * y), wide.data(), w);
                    Widen(rows.data() + size_t{stride} * (2 * y + 1), wide.data() + w, w);
                    HalveRow(wide.data(), wide.data() + w, out.Row(y0 + y), out.width);
                }
            },
            cancel);
        if (!whole) return Image{};
    }
    out.opaque = true;
    return out;
}

}  // namespace

Image DecodeHalved(const void* data, size_t length, bool (*wanted)(int, int), const std::atomic<bool>* cancel) {
    try {
        if (!data || length == 0 || length > 0x7FFFFFFF || !LooksLikeJpeg(data, length)) return Image{};
        return DecodeJpegHalvedWic(data, length, wanted, cancel);
    } catch (...) {
        return Image{};
    }
}

bool WidenPacked(Image& image, const std::atomic<bool>* cancel) {
    if (image.Empty() || WidenInPlace(image, cancel)) return true;
    image.Clear();
    return false;
}

Image HalvePacked(const Image& image, const std::atomic<bool>* cancel) {
    Image out;
    const int w = image.width, h = image.height;
    if (w < 2 || h < 2 || !out.Allocate(w / 2, h / 2)) return out;
    out.opaque = true;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(image.pixels.data());
    const int64_t packed = 3LL * w;
    // Each pair of rows widened into a small buffer that stays in the cache,
    // then halved as Halve does it: the same pixels as halving the widened picture.
    const bool whole = ParallelRows(
        out.height,
        [&](int first, int last) {
            std::vector<uint32_t> rows(2 * static_cast<size_t>(w));
            for (int y = first; y < last; ++y) {
                Widen(base + packed * (2 * y), rows.data(), static_cast<UINT>(w));
                Widen(base + packed * (2 * y + 1), rows.data() + w, static_cast<UINT>(w));
                HalveRow(rows.data(), rows.data() + w, out.Row(y), out.width);
            }
        },
        cancel);
    if (!whole) out.Clear();
    return out;
}

namespace {

Image DecodeAny(const void* data, size_t length, bool* packed, const std::atomic<bool>* cancel);

// A picture stood upright as its EXIF orientation (2 to 8) says; the
// decoders hand over the rows as stored. Mirrors and the half turn are made
// in place; the quarter turns and diagonal mirrors need a second buffer
// (empty when there is no room, or when cancelled).
Image Upright(Image stored, int orientation, const std::atomic<bool>* cancel) {
    const int w = stored.width, h = stored.height;
    if (stored.Empty()) return stored;
    uint32_t* all = stored.pixels.data();
    switch (orientation) {
        case 2:  // mirrored left-right
            for (int y = 0; y < h; ++y) std::reverse(stored.Row(y), stored.Row(y) + w);
            return stored;
        case 3:  // half turn
            std::reverse(all, all + static_cast<size_t>(w) * h);
            return stored;
        case 4:  // mirrored top-bottom
            for (int y = 0; y < h / 2; ++y) std::swap_ranges(stored.Row(y), stored.Row(y) + w, stored.Row(h - 1 - y));
            return stored;
        default: break;
    }
    if (orientation < 5 || orientation > 8) return stored;
    Image out;
    if (!out.Allocate(h, w)) return out;
    out.opaque = stored.opaque;
    // Row y of the upright picture reads one column of the stored one, from
    // its top (step +w) or its bottom (step -w).
    const ptrdiff_t down = w;
    const bool ok = ParallelRows(
        out.height,
        [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                ptrdiff_t at, step;
                switch (orientation) {
                    case 5: at = y, step = down; break;                                   // transposed
                    case 6: at = ptrdiff_t{h - 1} * w + y, step = -down; break;           // quarter clockwise
                    case 7: at = ptrdiff_t{h - 1} * w + (w - 1 - y), step = -down; break;  // other diagonal
                    default: at = w - 1 - y, step = down; break;                          // quarter anticlockwise
                }
                uint32_t* row = out.Row(y);
                for (int x = 0; x < out.width; ++x, at += step) row[x] = all[at];
            }
        },
        cancel);
    if (!ok) out.Clear();
    return out;
}

Image DecodeOriented(const void* data, size_t length, bool* packed, const std::atomic<bool>* cancel) {
    const int orientation = vela::imaging::JpegOrientation(data, length);
    if (orientation == vela::imaging::kOrientationUpright) return DecodeAny(data, length, packed, cancel);
    // Turned rows are made from whole pixels, never left packed.
    if (packed) *packed = false;
    return Upright(DecodeAny(data, length, nullptr, cancel), orientation, cancel);
}

}  // namespace

Image DecodePicture(const void* data, size_t length, bool* packed, const std::atomic<bool>* cancel) {
    try {
        return DecodeOriented(data, length, packed, cancel);
    } catch (...) {
        // Whatever ran out of room mid-way was freed on the way out.
        if (packed) *packed = false;
        return Image{};
    }
}

namespace {

Image DecodeAny(const void* data, size_t length, bool* packed, const std::atomic<bool>* cancel) {
    Image out;
    if (packed) *packed = false;
    if (!data || length == 0 || length > 0x7FFFFFFF) return out;
    if (LooksLikeJpeg(data, length)) {
        out = DecodeJpegWic(data, length, packed, cancel);
        if (!out.Empty() || Cancelled(cancel)) return out;
    }
    if (!vela::imaging::DecodersMayRead(data, length) || !StartGdiplus()) return out;
    length = vela::imaging::DecodableLength(data, length);
    uiengine::Unique<IStream*, uiengine::ComRelease<IStream>> stream(vela::imaging::PictureStream::Create(data, length));
    if (!stream) return out;
    uiengine::Unique<Gdiplus::GpBitmap*, DisposeImage> bitmap;
    if (gp::GdipCreateBitmapFromStream(stream.Get(), bitmap.Out()) != Gdiplus::Ok || !bitmap) {
        vela::imaging::PictureStream::Discard(stream.Get());
        return out;
    }
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(bitmap.Get(), &w);
    gp::GdipGetImageHeight(bitmap.Get(), &h);
    if (!SizeAllowed(w, h) || Cancelled(cancel) || !out.Allocate(static_cast<int>(w), static_cast<int>(h))) return out;
    Gdiplus::PixelFormat format = 0;
    gp::GdipGetImagePixelFormat(bitmap.Get(), &format);
    if (format == PixelFormat24bppRGB) {
        // Photos: read in the decoder's own format, a band at a time into a
        // small buffer (no whole second copy), widened here, opaque by nature.
        const UINT band = 128;
        const INT stride = static_cast<INT>((w * 3 + 3) & ~3u);
        std::vector<uint8_t> rows(static_cast<size_t>(stride) * band);
        for (UINT y0 = 0; y0 < h; y0 += band) {
            const UINT n = std::min(band, h - y0);
            Gdiplus::GpRect rect(0, static_cast<INT>(y0), static_cast<INT>(w), static_cast<INT>(n));
            Gdiplus::BitmapData bd{};
            bd.Width = w;
            bd.Height = n;
            bd.Stride = stride;
            bd.PixelFormat = PixelFormat24bppRGB;
            bd.Scan0 = rows.data();
            if (Cancelled(cancel) ||
                gp::GdipBitmapLockBits(bitmap.Get(), &rect,
                                       Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                       PixelFormat24bppRGB, &bd) != Gdiplus::Ok) {
                out.Clear();
                return out;
            }
            gp::GdipBitmapUnlockBits(bitmap.Get(), &bd);
            for (UINT y = 0; y < n; ++y)
                Widen(rows.data() + static_cast<size_t>(y) * stride, out.Row(static_cast<int>(y0 + y)), w);
        }
        out.opaque = true;
        return out;
    }
    // Converted straight into our buffer, in bands so that GDI+ never needs a
    // second whole copy of a large picture.
    const UINT band = 256;
    for (UINT y = 0; y < h; y += band) {
        Gdiplus::GpRect rect(0, static_cast<INT>(y), static_cast<INT>(w), static_cast<INT>(std::min(band, h - y)));
        Gdiplus::BitmapData bd{};
        bd.Width = w;
        bd.Height = rect.Height;
        bd.Stride = static_cast<INT>(w * 4);
        bd.PixelFormat = PixelFormat32bppPARGB;
        bd.Scan0 = out.Row(static_cast<int>(y));
        if (Cancelled(cancel) ||
            gp::GdipBitmapLockBits(bitmap.Get(), &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                   PixelFormat32bppPARGB, &bd) != Gdiplus::Ok) {
            out.Clear();
            return out;
        }
        gp::GdipBitmapUnlockBits(bitmap.Get(), &bd);
    }
    out.opaque = AllOpaque(out);
    return out;
}

}  // namespace

}  // namespace uiengine
