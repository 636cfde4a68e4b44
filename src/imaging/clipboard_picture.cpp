#include "imaging/clipboard_picture.h"

#include <cstring>
#include <new>

#include "imaging/imaging_internal.h"
#include "picture/exif_orientation.h"

namespace vela {
namespace {

using namespace imaging;

// The RotateFlipType steps that stand a picture of each EXIF orientation
// upright (index: orientation; 0 is no step). Pure turns and pure mirrors
// only, which every GDI+ reads alike.
constexpr int kUpright[9][2] = {{0, 0}, {0, 0}, {4, 0}, {2, 0}, {6, 0}, {4, 3}, {1, 0}, {6, 3}, {3, 0}};

// A copy larger than this (a 32-bit process holds it three times over) is
// not made: 64 megapixels.
constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;

class LockedBits {
public:
    explicit LockedBits(gdip::GpImage* bitmap, UINT width, UINT height) : bitmap_(bitmap) {
        const gdip::Rect rect{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
        locked_ = api::GdipBitmapLockBits(bitmap, &rect, gdip::ImageLockModeRead, gdip::PixelFormat32bppARGB,
                                          &data_) == gdip::Ok;
    }
    ~LockedBits() {
        if (locked_) api::GdipBitmapUnlockBits(bitmap_, &data_);
    }
    LockedBits(const LockedBits&) = delete;
    LockedBits& operator=(const LockedBits&) = delete;
    bool Locked() const { return locked_; }
    const gdip::BitmapData& Data() const { return data_; }

private:
    gdip::GpImage* bitmap_;
    gdip::BitmapData data_{};
    bool locked_ = false;
};

}  // namespace

UprightPicture DecodeUpright(const Bytes& picture) {
    // GDI+ may already run for the process; a start of its own is counted.
    const GdiplusSession session;
    if (!session.Started()) return {};
    // What the platform cannot read comes from the engine, upright already.
    const bool byEngine = PlatformCannotDecode(picture);
    Image bitmap(byEngine ? BitmapFromEnginePixels(picture) : BitmapFromPictureBytes(picture));
    if (!bitmap) return {};
    for (int type : kUpright[byEngine ? kOrientationUpright : JpegOrientation(picture.data(), picture.size())])
        if (type != 0 && api::GdipImageRotateFlip(bitmap.Get(), type) != gdip::Ok) return {};
    UINT width = 0, height = 0;
    if (api::GdipGetImageWidth(bitmap.Get(), &width) != gdip::Ok ||
        api::GdipGetImageHeight(bitmap.Get(), &height) != gdip::Ok || width == 0 || height == 0 ||
        std::uint64_t{width} * height > kMaxPixels)
        return {};
    UprightPicture result;
    {
        const LockedBits bits(bitmap.Get(), width, height);
        if (!bits.Locked()) return {};
        const std::size_t row = std::size_t{width} * 4;
        try {
            result.pixels.resize(row * height);
        } catch (const std::bad_alloc&) {
            return {};
        }
        const auto* scan0 = static_cast<const unsigned char*>(bits.Data().Scan0);
        for (UINT y = 0; y < height; ++y) {
            const unsigned char* source = scan0 + static_cast<std::ptrdiff_t>(y) * bits.Data().Stride;
            std::memcpy(result.pixels.data() + (height - 1 - y) * row, source, row);
        }
    }
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    result.png = EncodeImageAsPng(bitmap.Get());
    return result;
}

}  // namespace vela
