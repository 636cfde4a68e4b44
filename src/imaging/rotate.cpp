#include <memory>

#include "imaging/imaging.h"
#include "imaging/imaging_internal.h"

namespace vela {
namespace {

using namespace imaging;

// The start of GDI+ that lasts as long as MainWindow. Deliberately not a
// static owner: shutting GDI+ down from a static destructor at process exit
// is not safe, so only StopImaging ends it.
GdiplusSession* processSession = nullptr;

// Rotate90FlipNone: a quarter turn clockwise, no flip.
constexpr int kRotate90FlipNone = 1;

}  // namespace

bool StartImaging() {
    if (processSession && processSession->Started()) return true;
    delete processSession;
    processSession = new GdiplusSession();
    return processSession->Started();
}

void StopImaging() {
    delete processSession;
    processSession = nullptr;
}

Bytes RotatePictureBytes(const Bytes& picture) {
    // Without a process-wide start GDI+ is started around this one use.
    std::unique_ptr<GdiplusSession> local;
    if (!processSession || !processSession->Started()) {
        local = std::make_unique<GdiplusSession>();
        if (!local->Started()) return {};
    }
    Image bitmap(BitmapFromPictureBytes(picture));
    if (!bitmap) return {};
    api::GdipImageRotateFlip(bitmap.Get(), kRotate90FlipNone);
    return EncodeImageAsPng(bitmap.Get());
}

}  // namespace vela
