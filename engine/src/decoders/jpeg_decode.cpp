#include "decoders/jpeg_decode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>


namespace uiengine {

bool LooksLikeJpeg(const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return data && length > 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF;
}

namespace {

constexpr int kBandRows = 64;     // rows read between two cancellation checks
constexpr int kMaxSide = 32768;   // keeps every row computation inside 32 bits

// libjpeg's default error handler prints and calls exit(); ours jumps back
// to the decode, which then gives up quietly. Warnings are shown nowhere; a
// file that ends before its picture data does is noted: such a file is
// undecodable, as the platform's decoders have always treated it (the
// viewer's measurement gives it no size), not a picture with a grey part.
// Other damage (a corrupt stretch of data) is decoded as well as it goes.
struct ErrorManager {
    jpeg_error_mgr pub;  // first: libjpeg hands this address back to us
    jmp_buf back;
    bool cutShort;
};

[[noreturn]] void JumpBack(j_common_ptr info) { longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1); }
void Silent(j_common_ptr) {}
void Note(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<ErrorManager*>(info->err)->cutShort = true;
}

// Everything the decode touches between setjmp and a longjmp lives here,
// made by the caller: no object with a destructor is ever skipped by the
// jump, and libjpeg's state is destroyed by whoever made it.
struct Decoding {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    bool made = false;
    const unsigned char* data = nullptr;
    unsigned long length = 0;
    const std::function<int(int, int)>* scaleFor = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    Image* out = nullptr;
    std::vector<uint8_t>* profile = nullptr;
    JSAMPROW rows[kBandRows] = {};

    ~Decoding() {
        if (made) jpeg_destroy_decompress(&info);
    }
};

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The profile libjpeg-turbo joined (its block is malloc's) into *to.
void TakeProfile(JOCTET* joined, unsigned int size, std::vector<uint8_t>* to) {
    const std::unique_ptr<JOCTET, void (*)(void*)> hold(joined, std::free);
    to->assign(joined, joined + size);
}

// CMYK rows (as an Adobe file stores them, inverted, or plain) into opaque
// 32-bit pixels: each colour is what its ink and the black leave of white.
void CmykRow(const JSAMPLE* s, uint32_t* d, JDIMENSION count, bool inverted) {
    for (JDIMENSION x = 0; x < count; ++x, s += 4) {
        unsigned c = s[0], m = s[1], y = s[2], k = s[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        const unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
        d[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

// The decode proper; false when libjpeg failed (through JumpBack), the
// file is cut short, the scale was refused, there is no room or the decode
// was cancelled.
bool Run(Decoding& d) {
    jpeg_decompress_struct& info = d.info;
    info.err = jpeg_std_error(&d.errors.pub);
    d.errors.pub.error_exit = JumpBack;
    d.errors.pub.output_message = Silent;
    d.errors.pub.emit_message = Note;
    if (setjmp(d.errors.back)) return false;
    jpeg_create_decompress(&info);
    d.made = true;
    jpeg_mem_src(&info, d.data, d.length);
    if (d.profile) jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
    JOCTET* joined = nullptr;
    unsigned int joinedSize = 0;
    if (d.profile && jpeg_read_icc_profile(&info, &joined, &joinedSize)) TakeProfile(joined, joinedSize, d.profile);
    const int w = static_cast<int>(info.image_width), h = static_cast<int>(info.image_height);
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
    const int eighths = (*d.scaleFor)(w, h);
    if (eighths < 1 || eighths > kWholeEighths) return false;
    info.scale_num = static_cast<unsigned>(eighths);
    info.scale_denom = kWholeEighths;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        info.out_color_space = JCS_CMYK;
    } else if (info.jpeg_color_space == JCS_GRAYSCALE || info.jpeg_color_space == JCS_YCbCr ||
               info.jpeg_color_space == JCS_RGB) {
        info.out_color_space = JCS_EXT_BGRA;  // our pixel order; alpha set to 255
    } else {
        return false;
    }
    jpeg_calc_output_dimensions(&info);
    const JDIMENSION ow = info.output_width, oh = info.output_height;
    // Beside our pixels the decoder needs little, except for a progressive
    // file: it keeps every coefficient of the picture (two bytes each).
    uint64_t working = uint64_t{info.image_width} * 64 * 4;
    if (info.progressive_mode) {
        working = 0;
        for (int i = 0; i < info.num_components; ++i)
            working += uint64_t{info.comp_info[i].width_in_blocks} * info.comp_info[i].height_in_blocks * 128;
    }
    if (!RoomFor(uint64_t{ow} * oh * 4, working) || !d.out->Allocate(static_cast<int>(ow), static_cast<int>(oh)))
        return false;
    // (A progressive file is read whole here.)
    if (Cancelled(d.cancel) || !jpeg_start_decompress(&info) || d.errors.cutShort) return false;
    JSAMPARRAY band = nullptr;
    if (cmyk) band = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, ow * 4, kBandRows);
    while (info.output_scanline < oh) {
        if (Cancelled(d.cancel) || d.errors.cutShort) return false;
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION end = std::min<JDIMENSION>(first + kBandRows, oh);
        while (info.output_scanline < end) {
            const JDIMENSION at = info.output_scanline, n = end - at;
            for (JDIMENSION i = 0; i < n; ++i)
                d.rows[i] = cmyk ? band[i] : reinterpret_cast<JSAMPROW>(d.out->Row(static_cast<int>(at + i)));
            const JDIMENSION got = jpeg_read_scanlines(&info, d.rows, n);
            if (got == 0) return false;  // cannot happen with the whole file in memory
            if (cmyk)
                for (JDIMENSION i = 0; i < got; ++i)
                    CmykRow(band[i], d.out->Row(static_cast<int>(at + i)), ow, info.saw_Adobe_marker);
        }
    }
    // The rest of the file (up to its end marker) is not needed.
    return !d.errors.cutShort;
}

}  // namespace

Image DecodeJpeg(const void* data, size_t length, const std::function<int(int, int)>& scaleFor,
                 const std::atomic<bool>* cancel, std::vector<uint8_t>* profile) {
    Image out;
    if (profile) profile->clear();
    if (!LooksLikeJpeg(data, length) || length > 0x7FFFFFFF) return out;
    try {
        Decoding d;
        d.data = static_cast<const unsigned char*>(data);
        d.length = static_cast<unsigned long>(length);
        d.scaleFor = &scaleFor;
        d.cancel = cancel;
        d.out = &out;
        d.profile = profile;
        if (!Run(d)) {
            out.Clear();
            if (profile) profile->clear();
            return out;
        }
    } catch (...) {
        out.Clear();
        if (profile) profile->clear();
        return out;
    }
    out.opaque = true;  // JPEG has no alpha
    return out;
}

}  // namespace uiengine
