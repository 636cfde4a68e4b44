#include "decoders/heif_decode.h"

#include <cstring>

#include "core/unique.h"
#include "decoders/heif_colour.h"
#include "decoders/heif_library.h"
#include "picture/heif_header.h"

namespace uiengine {

namespace {

// libheif refuses a picture wider or taller than this before it decodes;
// the memory budget is the check that counts.
constexpr int kMaxSide = 32768;
// Brands of the ftyp box that libheif reads.
void FreeContext(heif_context* c) { Heif()->heif_context_free(c); }
void ReleaseHandle(heif_image_handle* h) { Heif()->heif_image_handle_release(h); }
void ReleaseImage(heif_image* i) { Heif()->heif_image_release(i); }
void FreeOptions(heif_decoding_options* o) { Heif()->heif_decoding_options_free(o); }
void FreeNclx(heif_color_profile_nclx* n) { Heif()->heif_nclx_color_profile_free(n); }
using Context = Unique<heif_context*, FreeContext>;
using Handle = Unique<heif_image_handle*, ReleaseHandle>;
using HeifImage = Unique<heif_image*, ReleaseImage>;
using Nclx = Unique<heif_color_profile_nclx*, FreeNclx>;

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// Room for our pixels beside what libheif holds while it decodes: the
// decoded planes (at most three full ones) and the interleaved RGBA it
// converts them to, at 2 bytes a value past 8 bits.
bool SizeAllowed(int w, int h, int bits) {
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
    const uint64_t pixels = static_cast<uint64_t>(w) * h;
    const uint64_t valueBytes = bits > 8 ? 2 : 1;
    return RoomFor(pixels * 4, pixels * valueBytes * (3 + 4));
}

// The picture's colour as stored: an ICC profile into *profile, or its nclx
// colour (of the container, else of the coded stream) into *nclx.
bool ReadColour(const HeifApi& api, heif_image_handle* handle, heif_image* image, std::vector<uint8_t>* profile,
                NclxColour* nclx) {
    const heif_color_profile_type type = api.heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t size = api.heif_image_handle_get_raw_color_profile_size(handle);
        if (size == 0 || size > (8u << 20)) return false;
        profile->resize(size);
        if (api.heif_image_handle_get_raw_color_profile(handle, profile->data()).code != heif_error_Ok) profile->clear();
        return false;
    }
    Nclx n;
    if (api.heif_image_handle_get_nclx_color_profile(handle, n.Out()).code != heif_error_Ok &&
        api.heif_image_get_nclx_color_profile(image, n.Out()).code != heif_error_Ok)
        return false;
    if (!n) return false;
    const heif_color_profile_nclx& c = *n.Get();
    *nclx = NclxColour{{c.color_primary_red_x, c.color_primary_red_y},
                       {c.color_primary_green_x, c.color_primary_green_y},
                       {c.color_primary_blue_x, c.color_primary_blue_y},
                       {c.color_primary_white_x, c.color_primary_white_y},
                       TransferOfCode(c.transfer_characteristics)};
    return true;
}

// 8 bits a value, straight RGBA, into premultiplied BGRA.
void FromRgba8(const uint8_t* plane, int stride, Image& out) {
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* s = plane + static_cast<size_t>(y) * stride;
        uint32_t* d = out.Row(y);
        for (int x = 0; x < out.width; ++x, s += 4) d[x] = Premultiply(s[3], s[0], s[1], s[2]);
    }
}

// 16-bit containers holding `bits`-bit values (little-endian RGBA), each
// rounded to 8 bits, or through the tone map for a HDR picture.
void FromRgba16(const uint8_t* plane, int stride, int bits, const ToneMap* tone, Image& out) {
    const uint32_t top = (1u << bits) - 1;
    auto value = [](const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); };
    auto to8 = [top](uint32_t v) { return static_cast<uint8_t>((std::min(v, top) * 255 + top / 2) / top); };
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* s = plane + static_cast<size_t>(y) * stride;
        uint32_t* d = out.Row(y);
        for (int x = 0; x < out.width; ++x, s += 8) {
            uint8_t rgb[3];
            if (tone) {
                tone->Map(value(s), value(s + 2), value(s + 4), rgb);
            } else {
                for (int i = 0; i < 3; ++i) rgb[i] = to8(value(s + 2 * i));
            }
            d[x] = Premultiply(to8(value(s + 6)), rgb[0], rgb[1], rgb[2]);
        }
    }
}

float BrightestOf(const uint8_t* plane, int stride, int w, int h, const ToneMap& tone) {
    float brightest = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = plane + static_cast<size_t>(y) * stride;
        for (int x = 0; x < w; ++x, s += 8)
            brightest = std::max(brightest, tone.Luminance(static_cast<uint16_t>(s[0] | s[1] << 8),
                                                           static_cast<uint16_t>(s[2] | s[3] << 8),
                                                           static_cast<uint16_t>(s[4] | s[5] << 8)));
    }
    return brightest;
}

// The decoded picture, upright (libheif applies irot/imir), into our pixels.
Image Convert(const HeifApi& api, heif_image_handle* handle, heif_image* image, bool wide,
              std::vector<uint8_t>* profile) {
    Image out;
    const int w = api.heif_image_get_width(image, heif_channel_interleaved);
    const int h = api.heif_image_get_height(image, heif_channel_interleaved);
    const int bits = api.heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane = api.heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0 || bits < 8 || bits > 16 || stride < w * (wide ? 8 : 4) || !out.Allocate(w, h))
        return Image{};
    NclxColour nclx{};
    const bool coded = ReadColour(api, handle, image, profile, &nclx);
    if (!wide) {
        FromRgba8(plane, stride, out);
    } else if (coded && IsHdr(nclx.transfer)) {
        ToneMap tone(nclx.transfer, static_cast<int>((1u << bits) - 1), nclx);
        tone.SetBrightest(BrightestOf(plane, stride, w, h, tone));
        FromRgba16(plane, stride, bits, &tone, out);
    } else {
        FromRgba16(plane, stride, bits, nullptr, out);
    }
    // A HDR picture is left in sRGB's curve by the tone map, in its primaries.
    if (coded) *profile = NclxProfile(nclx, IsHdr(nclx.transfer) ? HeifTransfer::Srgb : nclx.transfer);
    out.opaque = !api.heif_image_handle_has_alpha_channel(handle) || AllOpaque(out);
    return out;
}

Image Decode(const HeifApi& api, const void* data, size_t length, const std::atomic<bool>* cancel,
             std::vector<uint8_t>* profile) {
    Context context(api.heif_context_alloc());
    if (!context) return Image{};
    api.heif_context_set_maximum_image_size_limit(context.Get(), kMaxSide);
    Handle handle;
    if (api.heif_context_read_from_memory_without_copy(context.Get(), data, length, nullptr).code != heif_error_Ok ||
        api.heif_context_get_primary_image_handle(context.Get(), handle.Out()).code != heif_error_Ok || !handle)
        return Image{};
    const int bits = api.heif_image_handle_get_luma_bits_per_pixel(handle.Get());
    if (!SizeAllowed(api.heif_image_handle_get_width(handle.Get()), api.heif_image_handle_get_height(handle.Get()), bits) ||
        Cancelled(cancel))
        return Image{};
    const bool wide = bits > 8;
    Unique<heif_decoding_options*, FreeOptions> options(api.heif_decoding_options_alloc());
    if (!options) return Image{};
    options.Get()->convert_hdr_to_8bit = 0;  // rounded here, or tone-mapped
    HeifImage image;
    const heif_chroma chroma = wide ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RGBA;
    if (api.heif_decode_image(handle.Get(), image.Out(), heif_colorspace_RGB, chroma, options.Get()).code != heif_error_Ok ||
        !image || Cancelled(cancel))
        return Image{};
    Image out = Convert(api, handle.Get(), image.Get(), wide, profile);
    if (Cancelled(cancel)) return Image{};
    return out;
}

}  // namespace

// The header table's reading, so that the viewer and the engine agree on
// what is a HEIF file.
bool LooksLikeHeif(const void* data, size_t length) {
    return vela::imaging::HeifKindOf(data, length) != vela::imaging::HeifKind::None;
}

Image DecodeHeif(const void* data, size_t length, const std::atomic<bool>* cancel, std::vector<uint8_t>* profile) {
    try {
        const HeifApi* api = Heif();
        if (!api || !LooksLikeHeif(data, length) || length > 0x7FFFFFFF) return Image{};
        return Decode(*api, data, length, cancel, profile);
    } catch (...) {
        // Whatever ran out of room mid-way was freed on the way out.
        profile->clear();
        return Image{};
    }
}

}  // namespace uiengine
