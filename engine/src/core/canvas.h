#pragma once
// Pictures in memory as 32-bit premultiplied BGRA (the layout UpdateLayeredWindow
// and AlphaBlend take), and the few drawing steps the engine needs over them.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace uiengine {

// Premultiplied 0xAARRGGBB from straight components.
inline uint32_t Premultiply(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    auto mul = [a](uint8_t c) { return static_cast<uint32_t>((c * a + 127) / 255); };
    return (static_cast<uint32_t>(a) << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b);
}

// Leaves elements default-initialised (for pixels: not written), so that a
// picture about to be overwritten whole is not first cleared: clearing 100 MB
// costs as much as a scaling pass.
template <typename T>
struct NoInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = NoInitAllocator<U>;
    };
    NoInitAllocator() = default;
    template <typename U>
    NoInitAllocator(const NoInitAllocator<U>&) {}
    template <typename U>
    void construct(U* p) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// An owned picture, rows top-down, stride == width.
struct Image {
    int width = 0;
    int height = 0;
    bool opaque = false;  // every alpha is 255: drawn by copying rows
    std::vector<uint32_t, NoInitAllocator<uint32_t>> pixels;

    bool Empty() const { return width <= 0 || height <= 0; }
    // Both fail (leaving the image empty, never throwing) when the process
    // has no room for the pixels: every caller checks.
    bool Reset(int w, int h, uint32_t fill = 0);
    // Sized for w x h with the pixels left unwritten: for a caller that
    // writes every one of them.
    bool Allocate(int w, int h);
    void Clear() {
        width = height = 0;
        opaque = false;
        decltype(pixels)().swap(pixels);  // give the memory back at once
    }
    uint32_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
    const uint32_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

// True when a block of `bytes` can be had and still leaves room for the
// window's screen buffers: the largest free range of the address space
// must hold it, and the address space left after it must keep a margin.
// What a 32-bit process can hold depends on how it was linked and where it
// runs, so it is asked, not assumed.
// `alongside` is what other memory the caller needs at the same time.
bool RoomFor(uint64_t bytes, uint64_t alongside = 0);
// A copy of an image; empty when there is no room for it.
Image CopyOf(const Image& image);

// A view of pixels owned elsewhere (an Image or a DIB section).
struct Canvas {
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels

    static Canvas Of(Image& image) { return {image.pixels.data(), image.width, image.height, image.width}; }
    uint32_t* Row(int y) const { return bits + static_cast<size_t>(y) * stride; }
};

// Source-over of one premultiplied colour on a rectangle (clipped).
void FillOver(const Canvas& dst, RECT rect, uint32_t colour);
// Replaces the rectangle's pixels (clipped).
void FillCopy(const Canvas& dst, RECT rect, uint32_t colour);
// Source-over of src with its top-left at (x, y), unscaled; opaque rows are copied.
void DrawOver(const Canvas& dst, const Image& src, int x, int y);

// A copy of src scaled to w x h: area averaging when shrinking, bilinear when
// growing. Works on whole rows so that a 24-megapixel source stays quick.
Image Scale(const Image& src, int w, int h);
// The part `region` of src scaled to fullW x fullH (region in those
// coordinates, clipped to them).
// Empty when *cancel is set meanwhile or there is no room.
Image ScaleRegion(const Image& src, int fullW, int fullH, RECT region, const std::atomic<bool>* cancel = nullptr);
// The same with plain bilinear sampling: a few times quicker, meant for a
// source less than twice the target size (sharp enough while zooming; the
// caller may follow it with ScaleRegion once the size rests).
Image ScaleBilinear(const Image& src, int fullW, int fullH, RECT region);
// Halves both sides (2x2 averaging); the step for reduced copies. Empty
// when *cancel is set meanwhile or there is no room.
Image Halve(const Image& src, const std::atomic<bool>* cancel = nullptr);
// One row of it: d[x] the rounded average of a[2x], a[2x + 1], b[2x], b[2x + 1].
void HalveRow(const uint32_t* a, const uint32_t* b, uint32_t* d, int count);
// True when every pixel has alpha 255.
bool AllOpaque(const Image& image);

// White-on-transparent text coverage drawn through GDI in the given font,
// tinted with a premultiplied colour; in a box of w x h, vertically centred,
// horizontally by align (DT_CENTER, DT_LEFT). A halo above 0 lays a soft
// black halo that many pixels wide under the text, so that light text reads
// over light pictures too (and, being black, leaves no box over dark ones).
// Every caption text of the chrome is drawn here, so all of them look alike.
Image RenderText(const char* text, HFONT font, int w, int h, uint32_t colour, UINT align = DT_CENTER, int halo = 0);
// The halo width for text at `dpi`.
inline int TextHalo(int dpi) { return (2 * dpi + 48) / 96; }

}  // namespace uiengine
