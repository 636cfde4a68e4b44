#pragma once
// What the benchmarks share: a millisecond clock, medians, and one GDI+
// decode of a file's bytes as the reference every figure is compared with.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/text.h"

namespace vela::bench {

inline double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds for GDI+ to load the picture from memory and tell its width
// (it decodes the whole picture on load); -1 when it cannot be decoded.
// GDI+ must be started.
inline double GdiplusDecodeMs(const Bytes& bytes) {
    const double t0 = NowMs();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) return -1;
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        GlobalFree(block);
        return -1;
    }
    Gdiplus::GpImage* image = nullptr;
    Gdiplus::DllExports::GdipLoadImageFromStream(stream, &image);
    UINT width = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &width);
    const double elapsed = NowMs() - t0;
    if (image) Gdiplus::DllExports::GdipDisposeImage(image);
    stream->Release();
    return width ? elapsed : -1;
}

}  // namespace vela::bench
