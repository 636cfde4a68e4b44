#include <cstring>
#include <exception>
#include <vector>

#include "picture/decoder_guards.h"
#include "imaging/imaging_internal.h"
#include "picture/picture_stream.h"
#include "picture/pixel_data.h"

namespace vela::imaging {
namespace {

// The PNG encoder built into GDI+, {557CF406-1A04-11D3-9A73-0000F81EF32E},
// in the memory layout of a GUID.
constexpr unsigned char kPngEncoder[16] = {0x06, 0xF4, 0x7C, 0x55, 0x04, 0x1A, 0xD3, 0x11,
                                           0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E};

}  // namespace

void DisposeImage(gdip::GpImage* image) { api::GdipDisposeImage(image); }
void FreeGlobal(HGLOBAL block) { api::GlobalFree(block); }

GdiplusSession::GdiplusSession() {
    // Version 1, no debug callback, background thread and external codecs
    // not suppressed.
    const gdip::StartupInput input{1, nullptr, FALSE, FALSE};
    started_ = api::GdiplusStartup(&token_, &input, nullptr) == gdip::Ok;
}

GdiplusSession::~GdiplusSession() {
    if (started_) api::GdiplusShutdown(token_);
}

Stream DecoderStream(ByteView picture) {
    // A moving GIF cut after its first picture is measured and turned as
    // that picture alone, the one a decoder can read whole.
    const std::vector<uint8_t> firstAlone = GifFirstPictureAlone(picture.data(), picture.size());
    if (!firstAlone.empty()) picture = ByteView(firstAlone.data(), firstAlone.size());
    // Pixels that cannot all be in the data would fail to decode anyway, and
    // under Wine the failure keeps memory.
    if (!DecodersMayRead(picture.data(), picture.size()) || !GifPicturesComplete(picture.data(), picture.size()) ||
        !PngRowsFitData(picture.data(), picture.size()))
        return {};
    return Stream(PictureStream::Create(picture.data(), DecodableLength(picture.data(), picture.size())));
}

gdip::GpImage* BitmapFromPictureBytes(const Bytes& picture) {
    Stream stream = DecoderStream(picture);
    if (!stream) return nullptr;
    gdip::GpImage* bitmap = nullptr;
    // A failed decode leaves the bitmap null, which is the answer.
    api::GdipCreateBitmapFromStream(stream.Get(), &bitmap);
    if (!bitmap) PictureStream::Discard(stream.Get());
    return bitmap;  // GDI+ holds its own reference to the stream while the bitmap lives
}

Bytes EncodeImageAsPng(gdip::GpImage* image) {
    if (!image) return {};
    // The block is declared before the stream so that the stream is released
    // first and the block freed after it.
    GlobalBlock block;
    Stream stream;
    if (FAILED(api::CreateStreamOnHGlobal(nullptr, FALSE, stream.Out()))) return {};
    CLSID encoder;
    std::memcpy(&encoder, kPngEncoder, sizeof encoder);
    const gdip::Status status = api::GdipSaveImageToStream(image, stream.Get(), &encoder, nullptr);
    // The stream was told not to free its block, so it is fetched and freed
    // whether or not the save worked.
    HGLOBAL handle = nullptr;
    if (SUCCEEDED(api::GetHGlobalFromStream(stream.Get(), &handle))) block.Reset(handle);
    Bytes out;
    if (status == gdip::Ok && block) {
        void* data = api::GlobalLock(block.Get());
        if (data) {
            SIZE_T size = api::GlobalSize(block.Get());
            // A rotated picture the process has no room to copy gives
            // the empty answer of a failed rotation.
            try {
                out.resize(size);
            } catch (const std::exception&) {
                size = 0;
                Bytes().swap(out);
            }
            if (size) api::RtlMoveMemory(out.data(), data, size);
            api::GlobalUnlock(block.Get());
        }
    }
    return out;
}

}  // namespace vela::imaging
