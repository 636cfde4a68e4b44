#include "imaging/imaging_internal.h"
#include "picture/icc_profile.h"
#include "picture/webp_header.h"
#include "skin/engine.h"

namespace vela::imaging {

namespace {

// The engine's decoded pixels, given back to it on every way out.
class EnginePixels {
public:
    explicit EnginePixels(ByteView picture) {
        const skin::Engine& engine = skin::CurrentEngine();
        if (!engine.DecodePicturePixels || !engine.FreePicturePixels || picture.empty() || picture.size() > 0x7FFFFFFF)
            return;
        free_ = engine.FreePicturePixels;
        handle_ = engine.DecodePicturePixels(picture.data(), static_cast<int32_t>(picture.size()), &pixels_);
    }
    ~EnginePixels() {
        if (handle_) free_(handle_);
    }
    EnginePixels(const EnginePixels&) = delete;
    EnginePixels& operator=(const EnginePixels&) = delete;
    const ExuiPixels* Get() const { return handle_ ? &pixels_ : nullptr; }

private:
    ExuiPixels pixels_{};
    ExuiPixelsHandle handle_ = nullptr;
    ExuiFreePicturePixels free_ = nullptr;
};

}  // namespace

bool EngineDecodes(ByteView picture) {
    return LooksLikeWebp(picture.data(), picture.size()) || HasEmbeddedProfile(picture.data(), picture.size());
}

gdip::GpImage* BitmapFromEnginePixels(ByteView picture) {
    EnginePixels decoded(picture);
    const ExuiPixels* pixels = decoded.Get();
    if (!pixels) return nullptr;
    // A bitmap over the engine's block, cloned so that the result owns its
    // pixels and the block can go back at once.
    Image view;
    api::GdipCreateBitmapFromScan0(pixels->width, pixels->height, pixels->stride, gdip::PixelFormat32bppPARGB,
                                   static_cast<BYTE*>(const_cast<void*>(pixels->bits)), view.Out());
    if (!view) return nullptr;
    gdip::GpImage* clone = nullptr;
    if (api::GdipCloneImage(view.Get(), &clone) != gdip::Ok) return nullptr;
    return clone;
}

}  // namespace vela::imaging
