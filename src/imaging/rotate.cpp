#include <memory>

#include "picture/exif_orientation.h"
#include "imaging/imaging.h"
#include "imaging/imaging_internal.h"

namespace vela {
namespace {

using namespace imaging;

// The start of GDI+ that lasts as long as MainWindow. Deliberately not a
// static owner: shutting GDI+ down from a static destructor at process exit
// is not safe, so only StopImaging ends it.
GdiplusSession* processSession = nullptr;

// The RotateFlipType steps that stand a picture of each EXIF orientation
// upright and then turn it a quarter clockwise (index: orientation; 0 is no
// step). Only pure turns (1 to 3) and pure mirrors (4 left-right, 6
// top-bottom) are used, so that a photo turns the same on every GDI+: the
// two kinds that turn and mirror at once (5 and 7) are not read alike by
// all of them (Wine's swaps them), so the two orientations that need such
// a step take a mirror and then a turn.
// Orientation 8 (stored a quarter anticlockwise of upright) needs no step.
constexpr int kUprightThenQuarter[9][2] = {{1, 0}, {1, 0}, {4, 1}, {3, 0}, {6, 1}, {4, 0}, {2, 0}, {6, 0}, {0, 0}};

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
    // The engine's pixels stand upright already; without an engine that
    // decodes them, GDI+ reads what it can (a profile's colours aside).
    Image bitmap;
    if (EngineDecodes(picture)) bitmap.Reset(BitmapFromEnginePixels(picture));
    const bool byEngine = static_cast<bool>(bitmap);
    if (!bitmap) bitmap.Reset(BitmapFromPictureBytes(picture));
    if (!bitmap) return {};
    // The turn applies to the picture as it stands upright, so a photo the
    // camera stored on its side comes out turned from what the user saw.
    // A step that fails leaves no turned picture: the caller keeps the
    // bytes and the view as they are rather than swap the view's sides.
    for (int type : kUprightThenQuarter[byEngine ? kOrientationUpright : JpegOrientation(picture.data(), picture.size())])
        if (type != 0 && api::GdipImageRotateFlip(bitmap.Get(), type) != gdip::Ok) return {};
    return EncodeImageAsPng(bitmap.Get());
}

}  // namespace vela
