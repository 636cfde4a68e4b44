#include "files/picture_clipboard.h"

#include <windows.h>

#include <cstring>

#include "imaging/clipboard_picture.h"
#include "forms/forms.h"
#include "runtime/unique.h"

namespace vela {
namespace {

using forms::Ctl;
namespace prop = forms::prop;

// LCS_sRGB ('sRGB'), written out: the header's multi-character constant.
constexpr DWORD kColourSpaceSrgb = 0x73524742;

void FreeBlock(HGLOBAL block) { GlobalFree(block); }
// Owned until the clipboard takes it.
using Block = Unique<HGLOBAL, FreeBlock>;

// A movable block holding the header and then the pixels; null when there
// is no memory for it.
template <typename Header, typename FillPixels>
Block DibBlock(const Header& header, std::size_t pixelBytes, FillPixels fill) {
    Block block(GlobalAlloc(GMEM_MOVEABLE, sizeof header + pixelBytes));
    if (!block) return block;
    auto* data = static_cast<unsigned char*>(GlobalLock(block.Get()));
    if (!data) return Block();
    std::memcpy(data, &header, sizeof header);
    fill(data + sizeof header);
    GlobalUnlock(block.Get());
    return block;
}

// With alpha: straight (not premultiplied) blue, green, red, alpha.
Block BitmapWithAlpha(const UprightPicture& p) {
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = p.width;
    h.bV5Height = p.height;  // bottom-up
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5SizeImage = static_cast<DWORD>(p.pixels.size());
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    h.bV5CSType = kColourSpaceSrgb;
    h.bV5Intent = LCS_GM_IMAGES;
    return DibBlock(h, p.pixels.size(), [&](unsigned char* out) { std::memcpy(out, p.pixels.data(), p.pixels.size()); });
}

// For programs that read no alpha: the picture laid on white, opaque.
Block PlainBitmap(const UprightPicture& p) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = p.width;
    h.biHeight = p.height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(p.pixels.size());
    return DibBlock(h, p.pixels.size(), [&](unsigned char* out) {
        for (std::size_t i = 0; i + 3 < p.pixels.size(); i += 4) {
            const unsigned alpha = p.pixels[i + 3];
            for (int c = 0; c < 3; ++c)
                out[i + c] = static_cast<unsigned char>((p.pixels[i + c] * alpha + 255 * (255 - alpha) + 127) / 255);
            out[i + 3] = 255;
        }
    });
}

Block PngBlock(const Bytes& png) {
    Block block(GlobalAlloc(GMEM_MOVEABLE, png.size()));
    if (!block) return block;
    void* data = GlobalLock(block.Get());
    if (!data) return Block();
    std::memcpy(data, png.data(), png.size());
    GlobalUnlock(block.Get());
    return block;
}

// The clipboard takes the block on success; on failure it stays ours.
void Hand(UINT format, Block block) {
    if (block && format != 0 && SetClipboardData(format, block.Get())) block.Take();
}

}  // namespace

void CopyShownPicture() {
    const UprightPicture picture = DecodeUpright(forms::GetData(Ctl::PictureView, prop::Picture));
    if (picture.width <= 0) return;
    Block withAlpha = BitmapWithAlpha(picture), plain = PlainBitmap(picture);
    Block png = picture.png.empty() ? Block() : PngBlock(picture.png);
    if (!OpenClipboard(forms::NativeWindow(Ctl::MainWindow))) return;
    if (EmptyClipboard()) {
        Hand(CF_DIBV5, std::move(withAlpha));
        Hand(CF_DIB, std::move(plain));
        Hand(RegisterClipboardFormatA("PNG"), std::move(png));
    }
    CloseClipboard();
}

}  // namespace vela
