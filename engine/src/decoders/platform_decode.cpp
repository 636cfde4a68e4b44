#include "decoders/platform_decode.h"

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/unique.h"
#include "picture/decoder_guards.h"
#include "picture/picture_stream.h"
#include "picture/pixel_data.h"

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
// one piece, and beside it GDI+'s own decoded copy (24-bit for a photo).
bool SizeAllowed(UINT w, UINT h) {
    if (w == 0 || h == 0 || w > 32768 || h > 32768) return false;
    const uint64_t pixels = static_cast<uint64_t>(w) * h;
    return RoomFor(pixels * 4, pixels * 3);
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The last few byte sequences the platform's decoder refused, compared in
// full. Wine's PNG and GIF codecs keep 3 to 25 KB on every failed load
// (its GIF decoder closes the partly read file only after a load that
// worked), and a damaged picture is decoded up to three times (ahead as the
// next neighbour, shown, ahead as the previous one). The same bytes fail the
// same way, so they are not handed over again; a refusal for want of memory
// is not remembered, as the next try may have the room.
class Refused {
public:
    bool Holds(const void* data, size_t length) {
        AcquireSRWLockShared(&lock_);
        bool found = false;
        for (const auto& r : entries_)
            if (r.size() == length && std::memcmp(r.data(), data, length) == 0) found = true;
        ReleaseSRWLockShared(&lock_);
        return found;
    }
    void Add(const void* data, size_t length) {
        if (length > kLargest) return;
        // Without room for the copy the bytes are not remembered: a later
        // decode of them asks the platform again.
        std::vector<uint8_t> copy, gone;  // gone is freed outside the lock
        try {
            copy.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
        } catch (...) {
            return;
        }
        AcquireSRWLockExclusive(&lock_);
        if (entries_.size() == kEntries) {
            gone.swap(entries_.front());
            entries_.erase(entries_.begin());
        }
        try {
            entries_.push_back(std::move(copy));
        } catch (...) {
        }
        ReleaseSRWLockExclusive(&lock_);
    }

private:
    // The shown picture, both neighbours and one more; 4 MiB held at most.
    // Damaged files are mostly small; a larger one is simply decoded again.
    static constexpr size_t kEntries = 4;
    static constexpr size_t kLargest = 1u << 20;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::vector<uint8_t>> entries_;
};

Refused& RefusedBytes() {
    static Refused refused;
    return refused;
}

// Under Wine a GIF the codec cannot read through keeps its partly read
// file, and a PNG whose rows fail to read keeps its table of rows: a
// picture whose pixels cannot all be in its data is not handed over, nor
// bytes it refused before.
bool MayHandOver(const void* data, size_t length) {
    return vela::imaging::DecodersMayRead(data, length) && !RefusedBytes().Holds(data, length) &&
           vela::imaging::GifPicturesComplete(data, length) && vela::imaging::PngRowsFitData(data, length);
}

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

}  // namespace

Image DecodeWithGdiplus(const void* data, size_t length, const std::atomic<bool>* cancel) {
    Image out;
    if (!data || length == 0 || length > 0x7FFFFFFF) return out;
    // A moving GIF cut after its first picture is shown by that picture
    // alone (the frame player reads the original bytes for the rest).
    const std::vector<uint8_t> firstAlone = vela::imaging::GifFirstPictureAlone(data, length);
    if (!firstAlone.empty()) {
        data = firstAlone.data();
        length = firstAlone.size();
    }
    if (!MayHandOver(data, length) || !StartGdiplus()) return out;
    const size_t decodable = vela::imaging::DecodableLength(data, length);
    uiengine::Unique<IStream*, uiengine::ComRelease<IStream>> stream(vela::imaging::PictureStream::Create(data, decodable));
    if (!stream) return out;
    uiengine::Unique<Gdiplus::GpBitmap*, DisposeImage> bitmap;
    const Gdiplus::Status status = gp::GdipCreateBitmapFromStream(stream.Get(), bitmap.Out());
    if (status != Gdiplus::Ok || !bitmap) {
        vela::imaging::PictureStream::Discard(stream.Get());
        if (status != Gdiplus::OutOfMemory) RefusedBytes().Add(data, length);
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

}  // namespace uiengine
