#include "decoders/webp_decode.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "core/unique.h"
#include "picture/webp_header.h"

namespace uiengine {

namespace {

// libwebp's own limit is 16383 a side; the pixels must also fit beside
// what the process holds already.
bool SizeAllowed(int w, int h) {
    if (w <= 0 || h <= 0 || w > 16383 || h > 16383) return false;
    return RoomFor(static_cast<uint64_t>(w) * h * 4);
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// A still picture, decoded by libwebp straight into our buffer.
Image DecodeStill(const uint8_t* data, size_t length, const std::atomic<bool>* cancel) {
    Image out;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(data, length, &config.input) != VP8_STATUS_OK) return out;
    const int w = config.input.width, h = config.input.height;
    if (!SizeAllowed(w, h) || Cancelled(cancel) || !out.Allocate(w, h)) return out;
    config.output.colorspace = MODE_bgrA;  // premultiplied, as the engine draws
    // A lossy picture's in-loop filter runs on a second thread beside the decode.
    config.options.use_threads = 1;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(out.pixels.data());
    config.output.u.RGBA.stride = w * 4;
    config.output.u.RGBA.size = static_cast<size_t>(w) * h * 4;
    const VP8StatusCode status = WebPDecode(data, length, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK || Cancelled(cancel)) {
        out.Clear();
        return out;
    }
    out.opaque = !config.input.has_alpha || AllOpaque(out);
    return out;
}

void DeleteAnimDecoder(WebPAnimDecoder* d) { WebPAnimDecoderDelete(d); }
void DeleteDemuxer(WebPDemuxer* d) { WebPDemuxDelete(d); }

// A moving picture's first frame, composed on its canvas by the demuxer.
Image DecodeFirstFrame(const uint8_t* data, size_t length, const std::atomic<bool>* cancel) {
    Image out;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return out;
    options.color_mode = MODE_bgrA;
    options.use_threads = 0;
    WebPData webp{data, length};
    WebPAnimInfo info{};
    // The demuxer needs the whole file to be sound before it decodes a frame.
    vela::imaging::WebpHeader header;
    if (!vela::imaging::ReadWebpHeader(data, length, &header) || !SizeAllowed(header.width, header.height)) return out;
    Unique<WebPAnimDecoder*, DeleteAnimDecoder> decoder(WebPAnimDecoderNew(&webp, &options));
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.Get(), &info)) return out;
    const int w = static_cast<int>(info.canvas_width), h = static_cast<int>(info.canvas_height);
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!SizeAllowed(w, h) || Cancelled(cancel) || !WebPAnimDecoderGetNext(decoder.Get(), &frame, &timestamp) ||
        !frame || !out.Allocate(w, h))
        return out;
    std::memcpy(out.pixels.data(), frame, static_cast<size_t>(w) * h * 4);
    out.opaque = AllOpaque(out);
    return out;
}

}  // namespace

Image DecodeWebp(const void* data, size_t length, const std::atomic<bool>* cancel) {
    try {
        vela::imaging::WebpHeader header;
        if (!data || length == 0 || length > 0x7FFFFFFF || !vela::imaging::ReadWebpHeader(data, length, &header))
            return Image{};
        const auto* bytes = static_cast<const uint8_t*>(data);
        return header.animated ? DecodeFirstFrame(bytes, length, cancel) : DecodeStill(bytes, length, cancel);
    } catch (...) {
        return Image{};
    }
}

std::vector<uint8_t> WebpProfile(const void* data, size_t length) {
    std::vector<uint8_t> profile;
    if (!vela::imaging::LooksLikeWebp(data, length)) return profile;
    try {
        const WebPData webp{static_cast<const uint8_t*>(data), length};
        Unique<WebPDemuxer*, DeleteDemuxer> demuxer(WebPDemux(&webp));
        WebPChunkIterator chunk;
        if (!demuxer || !WebPDemuxGetChunk(demuxer.Get(), "ICCP", 1, &chunk)) return profile;
        profile.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    } catch (...) {
        profile.clear();  // without room for it the picture is drawn as stored
    }
    return profile;
}

}  // namespace uiengine
