#include "imaging/imaging_internal.h"
#include "picture/heif_header.h"
#include "picture/icc_profile.h"
#include "picture/jxl_header.h"
#include "picture/pixel_data.h"
#include "picture/webp_header.h"
#include "skin/engine.h"
#include "runtime/unique.h"

namespace vela::imaging {

namespace {

// The engine that decoded a block takes it back (the engine is not
// replaced while the program runs).
void FreeEnginePixels(ExuiPixelsHandle pixels) {
    if (const auto free = skin::CurrentEngine().FreePicturePixels) free(pixels);
}
using EnginePixels = Unique<ExuiPixelsHandle, FreeEnginePixels>;

}  // namespace

bool PlatformCannotDecode(ByteView picture) {
    const void* p = picture.data();
    return LooksLikeWebp(p, picture.size()) || HeifKindOf(p, picture.size()) != HeifKind::None ||
           LooksLikeJpegXl(p, picture.size());
}

bool EngineDecodes(ByteView picture) {
    return PlatformCannotDecode(picture) || LooksLikeGif(picture.data(), picture.size()) ||
           HasEmbeddedProfile(picture.data(), picture.size());
}

bool EnginePictureSize(ByteView picture, int* width, int* height) {
    const skin::Engine& engine = skin::CurrentEngine();
    if (!engine.DecodePicturePixels || !engine.FreePicturePixels || picture.empty() || picture.size() > 0x7FFFFFFF)
        return false;
    ExuiPixels pixels{};
    const EnginePixels decoded(engine.DecodePicturePixels(picture.data(), static_cast<int32_t>(picture.size()), &pixels));
    if (!decoded) return false;
    *width = pixels.width;
    *height = pixels.height;
    return true;
}

gdip::GpImage* BitmapFromEnginePixels(ByteView picture) {
    const skin::Engine& engine = skin::CurrentEngine();
    if (!engine.DecodePicturePixels || !engine.FreePicturePixels || picture.empty() || picture.size() > 0x7FFFFFFF)
        return nullptr;
    ExuiPixels pixels{};
    const EnginePixels decoded(engine.DecodePicturePixels(picture.data(), static_cast<int32_t>(picture.size()), &pixels));
    if (!decoded) return nullptr;
    // A bitmap over the engine's block, cloned so that the result owns its
    // pixels and the block can go back at once.
    Image view;
    api::GdipCreateBitmapFromScan0(pixels.width, pixels.height, pixels.stride, gdip::PixelFormat32bppPARGB,
                                   static_cast<BYTE*>(const_cast<void*>(pixels.bits)), view.Out());
    if (!view) return nullptr;
    gdip::GpImage* clone = nullptr;
    if (api::GdipCloneImage(view.Get(), &clone) != gdip::Ok) return nullptr;
    return clone;
}

}  // namespace vela::imaging
