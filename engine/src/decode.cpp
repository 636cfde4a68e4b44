#include "decode.h"

#include <objbase.h>
#include <gdiplus.h>
#include <wincodec.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "util/unique.h"

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

void FreeGlobal(HGLOBAL h) { GlobalFree(h); }
void DisposeImage(Gdiplus::GpBitmap* b) { gp::GdipDisposeImage(b); }

bool SizeAllowed(UINT w, UINT h) {
    // 32768 per side keeps every size computation inside 32 bits.
    return w > 0 && h > 0 && w <= 32768 && h <= 32768 && static_cast<uint64_t>(w) * h <= (1u << 28);
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

bool LooksLikeJpeg(const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return length > 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF;
}

template <typename I>
using Com = vela::Unique<I*, vela::ComRelease<I>>;

// JPEG through the imaging component directly: it reads the caller's bytes in
// place (no stream copy) and its rows go straight into our buffer, where
// GDI+ would first build a whole decoded bitmap of its own and copy it again
// (twice the time and the memory of the picture in its 24-bit form).
// Empty when anything is unsupported; the caller then asks GDI+.
Image DecodeJpegWic(const void* data, size_t length) {
    Image out;
    const HRESULT co = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    struct Uninit {
        bool on;
        ~Uninit() {
            if (on) CoUninitialize();
        }
    } uninit{SUCCEEDED(co)};
    Com<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Out()))))
        return out;
    Com<IWICStream> stream;
    if (FAILED(factory.Get()->CreateStream(stream.Out())) ||
        FAILED(stream.Get()->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                                  static_cast<DWORD>(length))))
        return out;
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory.Get()->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                      decoder.Out())))
        return out;
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder.Get()->GetFrame(0, frame.Out()))) return out;
    UINT w = 0, h = 0;
    WICPixelFormatGUID format{};
    if (FAILED(frame.Get()->GetSize(&w, &h)) || !SizeAllowed(w, h) || FAILED(frame.Get()->GetPixelFormat(&format)))
        return out;
    out.Allocate(static_cast<int>(w), static_cast<int>(h));
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        // Colour photos: rows in the decoder's own format, a band at a time,
        // widened here.
        const UINT band = 64;
        const UINT stride = (w * 3 + 3) & ~3u;
        std::vector<uint8_t> rows(static_cast<size_t>(stride) * band);
        for (UINT y0 = 0; y0 < h; y0 += band) {
            const UINT n = std::min(band, h - y0);
            const WICRect rect{0, static_cast<INT>(y0), static_cast<INT>(w), static_cast<INT>(n)};
            if (FAILED(frame.Get()->CopyPixels(&rect, stride, stride * n, rows.data()))) {
                out.Clear();
                return out;
            }
            for (UINT y = 0; y < n; ++y)
                Widen(rows.data() + static_cast<size_t>(y) * stride, out.Row(static_cast<int>(y0 + y)), w);
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
            if (FAILED(converted.Get()->CopyPixels(&rect, w * 4, w * 4 * n,
                                                   reinterpret_cast<BYTE*>(out.Row(static_cast<int>(y0)))))) {
                out.Clear();
                return out;
            }
        }
    }
    out.opaque = true;  // JPEG has no alpha
    return out;
}

}  // namespace

Image DecodePicture(const void* data, size_t length) {
    Image out;
    if (!data || length == 0 || length > 0x7FFFFFFF) return out;
    if (LooksLikeJpeg(data, length)) {
        out = DecodeJpegWic(data, length);
        if (!out.Empty()) return out;
    }
    if (!StartGdiplus()) return out;
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
    if (!SizeAllowed(w, h)) return out;
    out.Allocate(static_cast<int>(w), static_cast<int>(h));
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

}  // namespace uiengine
