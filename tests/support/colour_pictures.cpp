#include "colour_pictures.h"

#include <lcms2.h>
#include <zlib.h>

#include <algorithm>

#include "byte_fields.h"

namespace vela::test {

namespace {

Bytes Saved(cmsHPROFILE profile) {
    Bytes out;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        out.resize(size);
        if (!cmsSaveProfileToMem(profile, out.data(), &size)) out.clear();
    }
    if (profile) cmsCloseProfile(profile);
    return out;
}

// A zlib stream of stored (uncompressed) blocks.
Bytes StoredZlib(const Bytes& data) {
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, data.size() - at);
        z.push_back(at + n == data.size() ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n & 0xFF));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n & 0xFF));
        z.push_back(static_cast<unsigned char>((~n >> 8) & 0xFF));
        z.insert(z.end(), data.begin() + at, data.begin() + at + n);
        at += n;
    } while (at < data.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32BigEndian(z, (b << 16) | a);
    return z;
}

// A zlib stream from zlib's own deflate, at its best compression.
Bytes DeflatedZlib(const Bytes& data, int strategy) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15, 9, strategy) != Z_OK) return {};
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return status == Z_STREAM_END ? out : Bytes{};
}

}  // namespace

Bytes AdobeRgbProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return Saved(profile);
}

Bytes SrgbProfile() { return Saved(cmsCreate_sRGBProfile()); }

Bytes WithJpegProfile(const Bytes& jpeg, const Bytes& profile, size_t pieceSize) {
    if (jpeg.size() < 2 || pieceSize == 0) return jpeg;
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    const size_t count = (profile.size() + pieceSize - 1) / pieceSize;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = i * pieceSize, n = std::min(pieceSize, profile.size() - at);
        const size_t length = 2 + 12 + 2 + n;
        out.insert(out.end(), {0xFF, 0xE2, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length & 0xFF)});
        const char tag[] = "ICC_PROFILE";
        out.insert(out.end(), tag, tag + 12);
        out.push_back(static_cast<unsigned char>(i + 1));
        out.push_back(static_cast<unsigned char>(count));
        out.insert(out.end(), profile.begin() + at, profile.begin() + at + n);
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes MakeRgbPng(int w, int h, const std::vector<uint32_t>& rgb, const Bytes& profile, ZlibBlocks blocks) {
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    Put32BigEndian(header, static_cast<uint32_t>(w));
    Put32BigEndian(header, static_cast<uint32_t>(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    PngChunk(png, "IHDR", header);
    if (!profile.empty()) {
        const char name[] = "profile";
        Bytes iccp(name, name + sizeof name);  // with its zero
        iccp.push_back(0);                     // zlib
        const Bytes z = blocks == ZlibBlocks::Stored  ? StoredZlib(profile)
                        : blocks == ZlibBlocks::Fixed ? DeflatedZlib(profile, Z_FIXED)
                                                      : DeflatedZlib(profile, Z_DEFAULT_STRATEGY);
        iccp.insert(iccp.end(), z.begin(), z.end());
        PngChunk(png, "iCCP", iccp);
    }
    Bytes rows;
    for (int y = 0; y < h; ++y) {
        rows.push_back(0);  // no filter
        for (int x = 0; x < w; ++x) {
            const uint32_t c = rgb[static_cast<size_t>(y) * w + x];
            rows.insert(rows.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                                     static_cast<unsigned char>(c)});
        }
    }
    PngChunk(png, "IDAT", StoredZlib(rows));
    PngChunk(png, "IEND", {});
    return png;
}

}  // namespace vela::test
