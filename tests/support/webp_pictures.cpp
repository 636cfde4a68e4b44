#include "webp_pictures.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>

#include "byte_fields.h"

namespace vela::test {

namespace {

Bytes TakeWebp(uint8_t* data, size_t size) {
    Bytes out(data, data + size);
    WebPFree(data);
    return out;
}

}  // namespace

Pixels QuarterPixels(int width, int height, COLORREF colour) {
    Pixels p{width, height, {}};
    const uint32_t solid = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    p.argb.assign(static_cast<size_t>(width) * height, solid);
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) p.argb[static_cast<size_t>(y) * width + x] = 0xFFFFFFFFu;
    return p;
}

Bytes EncodeWebp(const Pixels& pixels, bool lossless, float quality) {
    // 0xAARRGGBB in memory on a little-endian machine is B, G, R, A.
    const auto* bgra = reinterpret_cast<const uint8_t*>(pixels.argb.data());
    uint8_t* out = nullptr;
    const size_t size = lossless ? WebPEncodeLosslessBGRA(bgra, pixels.width, pixels.height, pixels.width * 4, &out)
                                 : WebPEncodeBGRA(bgra, pixels.width, pixels.height, pixels.width * 4, quality, &out);
    return size ? TakeWebp(out, size) : Bytes{};
}

Bytes EncodeAnimatedWebp(const std::vector<Pixels>& frames, int delayMs, int loops) {
    if (frames.empty()) return {};
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) return {};
    options.anim_params.loop_count = loops;
    options.minimize_size = 0;
    options.allow_mixed = 0;
    options.kmin = 1;  // every frame a key frame: drawn whole
    options.kmax = 1;
    const int w = frames[0].width, h = frames[0].height;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(w, h, &options);
    if (!encoder) return {};
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    bool ok = true;
    int timestamp = 0;
    for (const Pixels& f : frames) {
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = w;
        picture.height = h;
        ok = ok && WebPPictureImportBGRA(&picture, reinterpret_cast<const uint8_t*>(f.argb.data()), w * 4) &&
             WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += delayMs;
    }
    WebPData data;
    WebPDataInit(&data);
    ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr) && WebPAnimEncoderAssemble(encoder, &data);
    WebPAnimEncoderDelete(encoder);
    Bytes out = ok ? Bytes(data.bytes, data.bytes + data.size) : Bytes{};
    WebPDataClear(&data);
    return out;
}

Bytes WithWebpProfile(const Bytes& webp, const Bytes& profile) {
    const WebPData in{webp.data(), webp.size()}, icc{profile.data(), profile.size()};
    WebPMux* mux = WebPMuxCreate(&in, 1);
    if (!mux) return {};
    WebPData out;
    WebPDataInit(&out);
    const bool ok = WebPMuxSetChunk(mux, "ICCP", &icc, 1) == WEBP_MUX_OK && WebPMuxAssemble(mux, &out) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    Bytes bytes = ok ? Bytes(out.bytes, out.bytes + out.size) : Bytes{};
    WebPDataClear(&out);
    return bytes;
}

Bytes CraftedWebp(uint32_t width, uint32_t height, uint8_t flags) {
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
    Put32(b, 10);
    b.push_back(flags);
    b.insert(b.end(), {0, 0, 0});
    const uint32_t w = width - 1, h = height - 1;
    for (int i = 0; i < 3; ++i) b.push_back(static_cast<unsigned char>(w >> (8 * i)));
    for (int i = 0; i < 3; ++i) b.push_back(static_cast<unsigned char>(h >> (8 * i)));
    b.insert(b.end(), {'V', 'P', '8', 'L'});
    Put32(b, 5);
    b.insert(b.end(), {0x2F, 0, 0, 0, 0, 0});  // 1 x 1 and nothing after it; padded to even
    const uint32_t riff = static_cast<uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

}  // namespace vela::test
