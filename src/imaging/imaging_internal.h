#pragma once
// The GDI+ steps shared by measurement and rotation. Internal to imaging/
// (and its tests).
#include <windows.h>

#include "runtime/entry_points.h"
#include "runtime/text.h"
#include "runtime/unique.h"

namespace vela::imaging {

void DisposeImage(gdip::GpImage* image);
void FreeGlobal(HGLOBAL block);

using Image = Unique<gdip::GpImage*, DisposeImage>;
using GlobalBlock = Unique<HGLOBAL, FreeGlobal>;
using Stream = Unique<IStream*, ComRelease<IStream>>;

// One use of GDI+: started on construction, shut down on destruction.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Started() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

// The bytes as a stream for GDI+'s decoders; null when the header guards
// find a part a decoder would read outside them, or the picture's pixels
// cannot all be in its data. After a failed decode,
// PictureStream::Discard frees the stream's copy of the bytes at once.
Stream DecoderStream(ByteView picture);
// A GDI+ bitmap decoded from the bytes, or null.
gdip::GpImage* BitmapFromPictureBytes(const Bytes& picture);
// The image encoded as PNG (the whole memory block behind the stream), or empty.
Bytes EncodeImageAsPng(gdip::GpImage* image);
// Pictures the platform's decoder cannot read at all: WebP, HEIC, AVIF,
// JPEG XL (by their first bytes).
bool PlatformCannotDecode(ByteView picture);
// Those, GIF (whose logical screen this platform's decoder ignores), and
// pictures the platform reads without their colour profile, are decoded by
// the engine: true for those bytes.
bool EngineDecodes(ByteView picture);
// A GDI+ bitmap owning a copy of the engine's decode of the bytes (upright,
// in the screen's colours), or null (no engine, or bytes it cannot decode).
gdip::GpImage* BitmapFromEnginePixels(ByteView picture);
// The size of the engine's decode of the bytes (upright), the decode freed
// at once; false without an engine or for bytes it cannot decode.
bool EnginePictureSize(ByteView picture, int* width, int* height);

}  // namespace vela::imaging
