#include "decode.h"

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "util/unique.h"

namespace exui {
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

void FreeGlobal(HGLOBAL h) { GlobalFree(h); }
void DisposeImage(Gdiplus::GpBitmap* b) { gp::GdipDisposeImage(b); }

}  // namespace

Image DecodePicture(const void* data, size_t length) {
    Image out;
    if (!data || length == 0 || length > 0x7FFFFFFF || !StartGdiplus()) return out;
    vela::Unique<HGLOBAL, FreeGlobal> memory(GlobalAlloc(GMEM_MOVEABLE, length));
    if (!memory) return out;
    void* p = GlobalLock(memory.Get());
    if (!p) return out;
    memcpy(p, data, length);
    GlobalUnlock(memory.Get());
    vela::Unique<IStream*, vela::ComRelease<IStream>> stream;
    if (CreateStreamOnHGlobal(memory.Get(), FALSE, stream.Out()) != S_OK) return out;
    vela::Unique<Gdiplus::GpBitmap*, DisposeImage> bitmap;
    if (gp::GdipCreateBitmapFromStream(stream.Get(), bitmap.Out()) != Gdiplus::Ok || !bitmap) return out;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(bitmap.Get(), &w);
    gp::GdipGetImageHeight(bitmap.Get(), &h);
    // 32768 per side keeps every size computation inside 32 bits.
    if (w == 0 || h == 0 || w > 32768 || h > 32768 || static_cast<uint64_t>(w) * h > (1u << 28)) return out;
    out.Reset(static_cast<int>(w), static_cast<int>(h));
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
            if (gp::GdipBitmapLockBits(bitmap.Get(), &rect,
                                       Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                       PixelFormat24bppRGB, &bd) != Gdiplus::Ok) {
                out.Clear();
                return out;
            }
            gp::GdipBitmapUnlockBits(bitmap.Get(), &bd);
            for (UINT y = 0; y < n; ++y) {
                const uint8_t* s = rows.data() + static_cast<size_t>(y) * stride;
                uint32_t* d = out.Row(static_cast<int>(y0 + y));
                for (UINT x = 0; x < w; ++x, s += 3) d[x] = 0xFF000000u | (s[2] << 16) | (s[1] << 8) | s[0];
            }
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
        if (gp::GdipBitmapLockBits(bitmap.Get(), &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                   PixelFormat32bppPARGB, &bd) != Gdiplus::Ok) {
            out.Clear();
            return out;
        }
        gp::GdipBitmapUnlockBits(bitmap.Get(), &bd);
    }
    out.opaque = AllOpaque(out);
    return out;
}

}  // namespace exui
