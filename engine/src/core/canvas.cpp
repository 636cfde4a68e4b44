#include "core/canvas.h"

#include <cmath>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include <emmintrin.h>

#include "core/pool.h"
#include "core/test_points.h"
#include "core/unique.h"
#include "text/gb18030.h"

namespace uiengine {

namespace {

// Kept free for the window's screen buffers (a full-screen frame, its
// layered copy and the view's copies) and the decoder's working memory.
constexpr uint64_t kScreenMargin = 96ull << 20;
// Blocks below this size are taken without asking the address space.
constexpr uint64_t kSmallBlock = 16ull << 20;

// The address space as the process sees it, region by region: the largest
// free range, all that is free, and the private memory committed.
struct AddressSpace {
    uint64_t largestFree = 0, free = 0, privateCommitted = 0;
};
AddressSpace ReadAddressSpace() {
    SYSTEM_INFO si{};
    GetSystemInfo(&si);
    AddressSpace a;
    auto at = static_cast<const char*>(si.lpMinimumApplicationAddress);
    const auto end = static_cast<const char*>(si.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION mbi{};
    while (at < end && VirtualQuery(at, &mbi, sizeof mbi) == sizeof mbi) {
        if (mbi.State == MEM_FREE) {
            a.largestFree = std::max<uint64_t>(a.largestFree, mbi.RegionSize);
            a.free += mbi.RegionSize;
        } else if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) {
            a.privateCommitted += mbi.RegionSize;
        }
        const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return a;
}

bool Sized(uint64_t pixels) { return pixels <= 0x3FFFFFFFull && RoomFor(pixels * 4); }

}  // namespace

namespace {

// What is left is the least of what the system reports (a report that
// need not follow this process's own allocations, as under Wine), what the
// address space has free, and what a test's bound leaves.
bool Fits(uint64_t bytes, uint64_t alongside) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return false;
    const AddressSpace space = ReadAddressSpace();
    uint64_t left = std::min<uint64_t>(status.ullAvailVirtual, space.free);
    if (const uint64_t bound = MemoryBoundPoint())
        left = std::min(left, bound > space.privateCommitted ? bound - space.privateCommitted : 0);
    return left >= bytes + alongside + kScreenMargin && space.largestFree >= bytes;
}

}  // namespace

bool RoomFor(uint64_t bytes, uint64_t alongside) {
    if (bytes + alongside < kSmallBlock) return true;
    if (Fits(bytes, alongside)) return true;
    // Pictures prepared ahead are the first to give their memory back.
    return DropWorkAhead() && Fits(bytes, alongside);
}

bool Image::Reset(int w, int h, uint32_t fill) {
    Clear();
    const uint64_t n = static_cast<uint64_t>(std::max(w, 0)) * std::max(h, 0);
    if (!Sized(n)) return false;
    try {
        pixels.assign(static_cast<size_t>(n), fill);
    } catch (const std::exception&) {
        Clear();
        return false;
    }
    opaque = (fill >> 24) == 255;
    width = std::max(w, 0);
    height = std::max(h, 0);
    return true;
}

bool Image::Allocate(int w, int h) {
    Clear();
    const uint64_t n = static_cast<uint64_t>(std::max(w, 0)) * std::max(h, 0);
    if (!Sized(n)) return false;
    try {
        pixels.resize(static_cast<size_t>(n));
    } catch (const std::exception&) {
        Clear();
        return false;
    }
    width = std::max(w, 0);
    height = std::max(h, 0);
    return true;
}

Image CopyOf(const Image& image) {
    Image out;
    if (image.Empty() || !out.Allocate(image.width, image.height)) return out;
    memcpy(out.pixels.data(), image.pixels.data(), image.pixels.size() * 4);
    out.opaque = image.opaque;
    return out;
}

namespace {

// The part of a picture scaled to fullW x fullH that a region asks for.
void ClampToPicture(RECT& region, int fullW, int fullH) {
    region.left = std::max<LONG>(region.left, 0);
    region.top = std::max<LONG>(region.top, 0);
    region.right = std::min<LONG>(region.right, fullW);
    region.bottom = std::min<LONG>(region.bottom, fullH);
}

bool Clip(const Canvas& dst, RECT& r) {
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, dst.width);
    r.bottom = std::min<LONG>(r.bottom, dst.height);
    return r.left < r.right && r.top < r.bottom;
}

// dst = src + dst * (1 - srcAlpha), all premultiplied.
inline uint32_t Over(uint32_t src, uint32_t dst) {
    const uint32_t a = src >> 24;
    if (a == 255) return src;
    if (src == 0) return dst;
    const uint32_t inv = 255 - a;
    // Two channels per 32-bit lane; x * inv / 255 rounded as (t + 128 + (t + 128 >> 8)) >> 8.
    uint32_t rb = (dst & 0x00FF00FF) * inv + 0x00800080;
    rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
    uint32_t ag = ((dst >> 8) & 0x00FF00FF) * inv + 0x00800080;
    ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
    // Premultiplied channels never exceed alpha, so the per-channel sum cannot carry.
    return (rb | ag) + src;
}

}  // namespace

void FillOver(const Canvas& dst, RECT r, uint32_t colour) {
    if (!Clip(dst, r)) return;
    if ((colour >> 24) == 255) return FillCopy(dst, r, colour);
    if (colour == 0) return;
    for (LONG y = r.top; y < r.bottom; ++y) {
        uint32_t* row = dst.Row(y);
        for (LONG x = r.left; x < r.right; ++x) row[x] = Over(colour, row[x]);
    }
}

void FillCopy(const Canvas& dst, RECT r, uint32_t colour) {
    if (!Clip(dst, r)) return;
    for (LONG y = r.top; y < r.bottom; ++y) std::fill(dst.Row(y) + r.left, dst.Row(y) + r.right, colour);
}

void DrawOver(const Canvas& dst, const Image& src, int x, int y) {
    RECT r{x, y, x + src.width, y + src.height};
    if (src.Empty() || !Clip(dst, r)) return;
    const int w = r.right - r.left;
    for (LONG dy = r.top; dy < r.bottom; ++dy) {
        const uint32_t* s = src.Row(dy - y) + (r.left - x);
        uint32_t* d = dst.Row(dy) + r.left;
        if (src.opaque) {
            memcpy(d, s, static_cast<size_t>(w) * 4);
        } else {
            for (int i = 0; i < w; ++i) d[i] = Over(s[i], d[i]);
        }
    }
}

bool AllOpaque(const Image& image) {
    for (uint32_t p : image.pixels)
        if ((p >> 24) != 255) return false;
    return !image.pixels.empty();
}

void HalveRow(const uint32_t* a, const uint32_t* b, uint32_t* d, int count) {
    // Four at a time with SSE2 in 16-bit lanes: the same sums and rounding
    // as the two-lane form below.
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    int x = 0;
    for (; x + 4 <= count; x += 4, a += 8, b += 8, d += 4) {
        __m128i out[2];
        for (int k = 0; k < 2; ++k) {
            const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4 * k));
            const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4 * k));
            // Columns 0, 1 and 2, 3 of both rows summed per channel.
            const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(pa, zero), _mm_unpacklo_epi8(pb, zero));
            const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(pa, zero), _mm_unpackhi_epi8(pb, zero));
            const __m128i sums = _mm_unpacklo_epi64(_mm_add_epi16(lo, _mm_srli_si128(lo, 8)),
                                                    _mm_add_epi16(hi, _mm_srli_si128(hi, 8)));
            out[k] = _mm_srli_epi16(_mm_add_epi16(sums, two), 2);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(out[0], out[1]));
    }
    count -= x;
    for (x = 0; x < count; ++x, a += 2, b += 2) {
        const uint32_t p0 = a[0], p1 = a[1], p2 = b[0], p3 = b[1];
        // Two channels at a time in 16-bit lanes.
        const uint32_t rb = (p0 & 0x00FF00FF) + (p1 & 0x00FF00FF) + (p2 & 0x00FF00FF) + (p3 & 0x00FF00FF) + 0x00020002;
        const uint32_t ag = ((p0 >> 8) & 0x00FF00FF) + ((p1 >> 8) & 0x00FF00FF) + ((p2 >> 8) & 0x00FF00FF) +
                            ((p3 >> 8) & 0x00FF00FF) + 0x00020002;
        d[x] = ((rb >> 2) & 0x00FF00FF) | (((ag >> 2) & 0x00FF00FF) << 8);
    }
}

Image Halve(const Image& src, const std::atomic<bool>* cancel) {
    Image out;
    if (src.Empty() || !out.Allocate(std::max(src.width / 2, 1), std::max(src.height / 2, 1))) return out;
    out.opaque = src.opaque;
    const int w = out.width;
    const bool narrow = src.width < 2;  // only then do the two columns coincide
    const bool whole = ParallelRows(out.height, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const uint32_t* a = src.Row(std::min(2 * y, src.height - 1));
            const uint32_t* b = src.Row(std::min(2 * y + 1, src.height - 1));
            uint32_t* d = out.Row(y);
            if (!narrow) {
                HalveRow(a, b, d, w);
                continue;
            }
            for (int x = 0; x < w; ++x) {
                const uint32_t p0 = a[0], p2 = b[0];
                const uint32_t rb = 2 * (p0 & 0x00FF00FF) + 2 * (p2 & 0x00FF00FF) + 0x00020002;
                const uint32_t ag = 2 * ((p0 >> 8) & 0x00FF00FF) + 2 * ((p2 >> 8) & 0x00FF00FF) + 0x00020002;
                d[x] = ((rb >> 2) & 0x00FF00FF) | (((ag >> 2) & 0x00FF00FF) << 8);
            }
        }
    }, cancel);
    if (!whole) out.Clear();
    return out;
}

namespace {

// (a * (256 - f) + b * f) / 256 per channel, two channels per 32-bit lane.
// The weights sum to 256, so a lane never exceeds 16 bits, a premultiplied
// channel stays at or below its alpha and a flat colour stays exact.
inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f) {
    const uint32_t g = 256 - f;
    const uint32_t rb = (((a & 0x00FF00FF) * g + (b & 0x00FF00FF) * f) >> 8) & 0x00FF00FF;
    const uint32_t ag = (((a >> 8) & 0x00FF00FF) * g + ((b >> 8) & 0x00FF00FF) * f) & 0xFF00FF00;
    return rb | ag;
}

// out = Lerp(a, b, f) over n pixels, four at a time in 16-bit lanes.
void BlendRows(const uint32_t* a, const uint32_t* b, uint32_t f, uint32_t* out, int n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wb = _mm_set1_epi16(static_cast<short>(f)), wa = _mm_set1_epi16(static_cast<short>(256 - f));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        // 255 * 256 fits an unsigned 16-bit lane; the low product is exact.
        const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), wa),
                                                        _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), wb)),
                                          8);
        const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), wa),
                                                        _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), wb)),
                                          8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < n; ++i) out[i] = Lerp(a[i], b[i], f);
}

// For each destination index of [first, first + count) of a side scaled from
// srcLen to dstLen: the left (upper) source sample, the right (lower) one and
// the weight of the second in 1/256.
void BilinearTaps(int srcLen, int dstLen, int first, int count, std::vector<int>& i0, std::vector<int>& i1,
                  std::vector<uint32_t>& f) {
    i0.resize(count);
    i1.resize(count);
    f.resize(count);
    const double scale = static_cast<double>(srcLen) / dstLen;
    for (int n = 0; n < count; ++n) {
        double c = (first + n + 0.5) * scale - 0.5;
        if (c < 0) c = 0;
        int a = static_cast<int>(c);
        double frac = c - a;
        if (a >= srcLen - 1) a = srcLen - 1, frac = 0;
        i0[n] = a;
        i1[n] = std::min(a + 1, srcLen - 1);
        f[n] = static_cast<uint32_t>(frac * 256);
    }
}

}  // namespace

Image ScaleBilinear(const Image& src, int fullW, int fullH, RECT region) {
    Image out;
    ClampToPicture(region, fullW, fullH);
    const int w = region.right - region.left, h = region.bottom - region.top;
    if (src.Empty() || w <= 0 || h <= 0) return out;
    std::vector<int> x0, x1, y0, y1;
    std::vector<uint32_t> fx, fy;
    BilinearTaps(src.width, fullW, region.left, w, x0, x1, fx);
    BilinearTaps(src.height, fullH, region.top, h, y0, y1, fy);
    // The source columns this region reads; rows are blended over them only.
    const int lo = x0.front(), hi = x1.back();
    for (int& v : x0) v -= lo;
    for (int& v : x1) v -= lo;
    if (!out.Allocate(w, h)) return out;
    out.opaque = src.opaque;
    const bool whole = ParallelRows(h, [&](int first, int last) {
        std::vector<uint32_t> blended(static_cast<size_t>(hi - lo + 1));
        for (int y = first; y < last; ++y) {
            const uint32_t* a = src.Row(y0[y]) + lo;
            const uint32_t* row = a;
            if (fy[y] != 0) {
                const uint32_t* b = src.Row(y1[y]) + lo;
                const uint32_t f = fy[y];
                BlendRows(a, b, f, blended.data(), hi - lo + 1);
                row = blended.data();
            }
            uint32_t* d = out.Row(y);
            for (int x = 0; x < w; ++x) d[x] = Lerp(row[x0[x]], row[x1[x]], fx[x]);
        }
    });
    if (!whole) out.Clear();
    return out;
}

namespace {

// Area averaging in one direction at a time, with 8-bit fixed-point weights.
struct Tap {
    int first;
    std::vector<uint16_t> weights;  // fixed point, summing to 4096
};

// For each destination index the covered source span and its weights (sum 4096).
// Only the indexes first .. first + count - 1 of the destination are built.
std::vector<Tap> BuildTaps(int srcLen, int dstLen, int firstIndex, int count) {
    std::vector<Tap> taps(count);
    const double scale = static_cast<double>(srcLen) / dstLen;
    for (int n = 0; n < count; ++n) {
        const int i = firstIndex + n;
        Tap& t = taps[n];
        if (scale >= 1.0) {
            double a = i * scale, b = (i + 1) * scale;
            int s0 = static_cast<int>(a), s1 = std::min(static_cast<int>(b - 1e-9), srcLen - 1);
            t.first = s0;
            std::vector<double> w;
            for (int s = s0; s <= s1; ++s) w.push_back(std::min<double>(b, s + 1) - std::max<double>(a, s));
            double sum = 0;
            for (double v : w) sum += v;
            int acc = 0;
            for (size_t k = 0; k < w.size(); ++k) {
                int v = static_cast<int>(w[k] / sum * 4096 + 0.5);
                if (k + 1 == w.size()) v = 4096 - acc;
                acc += v;
                t.weights.push_back(static_cast<uint16_t>(std::max(v, 0)));
            }
        } else {
            // Growing: bilinear between the two nearest source samples.
            double c = (i + 0.5) * scale - 0.5;
            int s0 = static_cast<int>(c < 0 ? -1 : c);
            double f = c - s0;
            if (s0 < 0) { s0 = 0; f = 0; }
            if (s0 >= srcLen - 1) { s0 = srcLen - 1; f = 0; }
            t.first = s0;
            int w1 = static_cast<int>(f * 4096 + 0.5);
            t.weights.push_back(static_cast<uint16_t>(4096 - w1));
            if (w1 > 0) t.weights.push_back(static_cast<uint16_t>(w1));
        }
    }
    return taps;
}

}  // namespace

Image Scale(const Image& src, int w, int h) { return ScaleRegion(src, w, h, RECT{0, 0, w, h}); }

Image ScaleRegion(const Image& src, int fullW, int fullH, RECT region, const std::atomic<bool>* cancel) {
    Image out;
    ClampToPicture(region, fullW, fullH);
    const int w = region.right - region.left, h = region.bottom - region.top;
    if (src.Empty() || w <= 0 || h <= 0) return out;
    if (fullW == src.width && fullH == src.height && w == fullW && h == fullH) return CopyOf(src);
    const std::vector<Tap> xt = BuildTaps(src.width, fullW, region.left, w);
    const std::vector<Tap> yt = BuildTaps(src.height, fullH, region.top, h);
    if (!out.Allocate(w, h)) return out;
    // Each source row is scaled horizontally once and kept in a small ring,
    // since the vertical windows of neighbouring output rows overlap.
    out.opaque = src.opaque;
    // The horizontal taps flattened into plain arrays for the inner loop.
    std::vector<int> xFirst(w), xCount(w), xAt(w);
    std::vector<uint16_t> xWeights;
    for (int x = 0; x < w; ++x) {
        xFirst[x] = xt[x].first;
        xCount[x] = static_cast<int>(xt[x].weights.size());
        xAt[x] = static_cast<int>(xWeights.size());
        xWeights.insert(xWeights.end(), xt[x].weights.begin(), xt[x].weights.end());
    }
    size_t maxTaps = 1;
    for (const Tap& t : yt) maxTaps = std::max(maxTaps, t.weights.size());
    const size_t slots = maxTaps + 1;
    const bool whole = ParallelRows(h, [&](int firstRow, int lastRow) {
    std::vector<uint16_t> ring(slots * static_cast<size_t>(w) * 4);
    std::vector<int> slotRow(slots, -1);
    auto horizontal = [&](int sy) -> const uint16_t* {
        const size_t slot = static_cast<size_t>(sy) % slots;
        uint16_t* hrow = ring.data() + slot * static_cast<size_t>(w) * 4;
        if (slotRow[slot] == sy) return hrow;
        slotRow[slot] = sy;
        const uint32_t* s = src.Row(sy);
        for (int x = 0; x < w; ++x) {
            const uint32_t* p = s + xFirst[x];
            const uint16_t* wts = xWeights.data() + xAt[x];
            const int taps = xCount[x];
            uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
            for (int j = 0; j < taps; ++j) {
                const uint32_t v = p[j], wt = wts[j];
                c0 += (v & 0xFF) * wt;
                c1 += ((v >> 8) & 0xFF) * wt;
                c2 += ((v >> 16) & 0xFF) * wt;
                c3 += (v >> 24) * wt;
            }
            // Keep 4 extra bits for the vertical pass.
            hrow[4 * x] = static_cast<uint16_t>((c0 + 128) >> 8);
            hrow[4 * x + 1] = static_cast<uint16_t>((c1 + 128) >> 8);
            hrow[4 * x + 2] = static_cast<uint16_t>((c2 + 128) >> 8);
            hrow[4 * x + 3] = static_cast<uint16_t>((c3 + 128) >> 8);
        }
        return hrow;
    };
    std::vector<uint32_t> acc(static_cast<size_t>(w) * 4);
    for (int y = firstRow; y < lastRow; ++y) {
        const Tap& ty = yt[y];
        std::fill(acc.begin(), acc.end(), 0u);
        for (size_t k = 0; k < ty.weights.size(); ++k) {
            const uint16_t* hrow = horizontal(ty.first + static_cast<int>(k));
            const uint32_t wt = ty.weights[k];
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += hrow[i] * wt;
        }
        uint32_t* d = out.Row(y);
        for (int x = 0; x < w; ++x) {
            auto ch = [&](int i) { return std::min<uint32_t>((acc[4 * x + i] + (1u << 15)) >> 16, 255u); };
            const uint32_t a = ch(3);
            d[x] = (a << 24) | (std::min(ch(2), a) << 16) | (std::min(ch(1), a) << 8) | std::min(ch(0), a);
        }
    }
    }, cancel);
    if (!whole) out.Clear();
    return out;
}

namespace {

// Opacity of the text halo right at the ink, of 255; it fades out over the
// halo's width.
constexpr int kHaloAlpha = 184;

// Per pixel the halo's alpha from the text's coverage: the strongest of
// every inked pixel within reach, weighed by its distance.
std::vector<uint8_t> HaloOf(const std::vector<uint8_t>& cov, int w, int h, int radius) {
    struct Tap {
        int dx, dy, weight;  // weight of 256
    };
    std::vector<Tap> taps;
    const int reach = radius + 1;
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            const double f = d <= 1.0 ? 1.0 : 1.0 - (d - 1.0) / radius;
            if (f > 0) taps.push_back({dx, dy, static_cast<int>(f * 256)});
        }
    }
    std::vector<uint8_t> halo(cov.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int c = cov[static_cast<size_t>(y) * w + x];
            if (!c) continue;
            for (const Tap& t : taps) {
                const int nx = x + t.dx, ny = y + t.dy;
                if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                uint8_t& v = halo[static_cast<size_t>(ny) * w + nx];
                const int a = c * t.weight * kHaloAlpha / (256 * 255);
                if (a > v) v = static_cast<uint8_t>(a);
            }
        }
    }
    return halo;
}

}  // namespace

Image RenderText(const char* text, HFONT font, int w, int h, uint32_t colour, UINT align, int halo) {
    Image out;
    if (!text || !*text || w <= 0 || h <= 0) return out;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    uiengine::Unique<HDC, DeleteDC> dc(CreateCompatibleDC(nullptr));
    uiengine::Unique<HBITMAP, DeleteObject> dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !dib || !bits) return out;
    {
        const uiengine::SelectedObject bitmap(dc.Get(), dib.Get());
        const uiengine::SelectedObject selectedFont(dc.Get(), font);
        SetBkMode(dc.Get(), TRANSPARENT);
        SetTextColor(dc.Get(), RGB(255, 255, 255));
        RECT r{0, 0, w, h};
        const std::wstring wide = vela::text::WideFromGb18030(text);
        DrawTextW(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &r,
                  align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        GdiFlush();
    }
    if (!out.Reset(w, h)) return out;
    const uint32_t* src = static_cast<const uint32_t*>(bits);
    std::vector<uint8_t> coverage(out.pixels.size());
    for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = (src[i] >> 8) & 0xFF;  // green: grey anti-aliasing
    std::vector<uint8_t> dark;
    if (halo > 0) dark = HaloOf(coverage, w, h, halo);
    const uint32_t ca = colour >> 24, cr = (colour >> 16) & 0xFF, cg = (colour >> 8) & 0xFF, cb = colour & 0xFF;
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        const uint32_t cov = coverage[i];
        const uint32_t under = dark.empty() ? 0 : dark[i];
        if (!cov && !under) continue;
        // The text (premultiplied) over the black halo.
        const uint32_t ta = (ca * cov + 127) / 255;
        const uint32_t a = ta + (under * (255 - ta) + 127) / 255;
        out.pixels[i] = (a << 24) | (((cr * cov + 127) / 255) << 16) | (((cg * cov + 127) / 255) << 8) |
                        ((cb * cov + 127) / 255);
    }
    return out;
}

}  // namespace uiengine
