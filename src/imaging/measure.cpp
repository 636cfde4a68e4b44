#include <cstring>
#include <memory>
#include <new>

#include "imaging/decoder_guards.h"
#include "imaging/imaging.h"
#include "imaging/imaging_internal.h"

namespace vela {
namespace {

using namespace imaging;

struct Size {
    int width = 0;
    int height = 0;
};

// The bytes last measured (a copy) and what they measured. Every picture is
// measured twice in a row (width, then height) and again on each fit and
// window size change; a decode of a large JPEG costs a third of a second.
struct RememberedMeasurement {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
    Size result;
    bool valid = false;

    bool Matches(const Bytes& picture) const {
        return valid && size == picture.size() && (size == 0 || std::memcmp(bytes.get(), picture.data(), size) == 0);
    }
    void Store(const Bytes& picture, Size measured) {
        Forget();
        // Without memory for the copy the result is simply not remembered.
        bytes.reset(new (std::nothrow) unsigned char[picture.size() ? picture.size() : 1]);
        if (!bytes) return;
        if (!picture.empty()) std::memcpy(bytes.get(), picture.data(), picture.size());
        size = picture.size();
        result = measured;
        valid = true;
    }
    void Forget() {
        bytes.reset();
        size = 0;
        result = {};
        valid = false;
    }
};

RememberedMeasurement remembered;

Size SizeOf(gdip::GpImage* image) {
    Size size;
    if (!image) return size;
    UINT width = 0, height = 0;
    api::GdipGetImageWidth(image, &width);
    api::GdipGetImageHeight(image, &height);
    size.width = static_cast<int>(width);
    size.height = static_cast<int>(height);
    return size;
}

Size MeasureFile(const Text& path) {
    Bytes wide = WideTextFromPath(path);
    if (wide.empty()) return {};
    Image image;
    // A failed load leaves the image null: the size is then 0 x 0.
    api::GdipLoadImageFromFile(reinterpret_cast<const WCHAR*>(wide.data()), image.Out());
    return SizeOf(image.Get());
}

Size MeasureContent(const Bytes& picture) {
    if (!BitmapRowsInside(picture.data(), picture.size()) || !IconImagesInside(picture.data(), picture.size())) return {};
    const std::size_t size = DecodableLength(picture.data(), picture.size());
    // Declared in this order so that the image is disposed first, then the
    // stream released, and the block it reads freed last.
    GlobalBlock block(api::GlobalAlloc(GMEM_MOVEABLE, size));
    Stream stream;
    Image image;
    if (!block) return {};
    void* data = api::GlobalLock(block.Get());
    if (!data) return {};
    api::RtlMoveMemory(data, picture.data(), size);
    api::GlobalUnlock(block.Get());
    if (FAILED(api::CreateStreamOnHGlobal(block.Get(), FALSE, stream.Out()))) return {};
    api::GdipLoadImageFromStream(stream.Get(), image.Out());
    return SizeOf(image.Get());
}

Size Measure(const Bytes& picture) {
    Text path;
    const bool isFile = NamesExistingFile(picture, &path);
    if (!isFile && remembered.Matches(picture)) return remembered.result;
    GdiplusSession session;
    if (!session.Started()) return {};
    if (isFile) return MeasureFile(path);
    Size measured = MeasureContent(picture);
    remembered.Store(picture, measured);
    return measured;
}

}  // namespace

int MeasurePictureWidth(const Bytes& picture) { return Measure(picture).width; }
int MeasurePictureHeight(const Bytes& picture) { return Measure(picture).height; }
void ForgetMeasurement() { remembered.Forget(); }

}  // namespace vela
