// HEIC and AVIF through the engine's decoder, against Debian's own tools:
// pictures written by heif-enc and avifenc (8, 10 and 12 bits, alpha, a
// turn and a mirror stored as irot/imir) decode to what heif-convert and
// avifdec make of the same files, within 3 a channel; without libheif's
// DLLs beside the engine such a file is quietly undecodable.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "engine_harness.h"
#include "image_magick.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

// The engine's decode: premultiplied 0xAARRGGBB rows, and the size.
struct Decoded {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};

Decoded DecodeWith(ExuiDecodePicturePixels decode, ExuiFreePicturePixels release, const Bytes& b) {
    Decoded out;
    ExuiPixels px{};
    ExuiPixelsHandle h = decode(b.data(), static_cast<int32_t>(b.size()), &px);
    if (!h) return out;
    out.width = px.width;
    out.height = px.height;
    for (int y = 0; y < px.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(px.bits) + y * px.stride);
        out.argb.insert(out.argb.end(), row, row + px.width);
    }
    release(h);
    return out;
}

struct Case {
    const char* name;
    const char* source;     // ImageMagick's arguments drawing the picture given to the encoder
    const char* encode;     // writes {pic} from {src.png}
    const char* reference;  // writes {ref.png} from {pic}
    int width, height;      // as the picture stands
};

constexpr char kOpaque[] = "-size 64x48 gradient:#e03010-#1040d0 -swirl 120 -depth 8";
constexpr char kOpaque16[] = "-size 64x48 gradient:#e03010-#1040d0 -swirl 120 -depth 16";
constexpr char kAlpha[] = "-size 64x48 gradient:#e03010-#1040d0 -alpha set -channel A -fx i/w +channel -depth 8";
constexpr char kAlpha16[] = "-size 64x48 gradient:#e03010-#1040d0 -alpha set -channel A -fx i/w +channel -depth 16";

// avifdec writes the stored rows and leaves irot/imir to the viewer;
// heif-convert applies them, so it is the reference of the turned files.
const Case kCases[] = {
    {"heic_8bit", kOpaque, "heif-enc -q 90 -o {pic} {src.png}", "heif-convert {pic} {ref.png}", 64, 48},
    {"heic_10bit", kOpaque16, "heif-enc -q 90 -b 10 -o {pic} {src.png}", "heif-convert {pic} {ref.png}", 64, 48},
    {"heic_12bit", kOpaque16, "heif-enc -q 90 -b 12 -o {pic} {src.png}", "heif-convert {pic} {ref.png}", 64, 48},
    {"heic_alpha", kAlpha, "heif-enc -q 90 -o {pic} {src.png}", "heif-convert {pic} {ref.png}", 64, 48},
    {"avif_8bit", kOpaque, "avifenc -s 8 {src.png} {pic}", "avifdec {pic} {ref.png}", 64, 48},
    {"avif_10bit_alpha", kAlpha16, "avifenc -s 8 -d 10 {src.png} {pic}", "avifdec {pic} {ref.png}", 64, 48},
    {"avif_12bit", kOpaque16, "avifenc -s 8 -d 12 {src.png} {pic}", "avifdec {pic} {ref.png}", 64, 48},
    {"avif_lossless_alpha", kAlpha, "avifenc -s 8 -l {src.png} {pic}", "avifdec {pic} {ref.png}", 64, 48},
    {"avif_portrait_irot", kOpaque, "avifenc -s 8 --irot 1 {src.png} {pic}", "heif-convert {pic} {ref.png}", 48, 64},
    {"avif_mirrored_imir", kOpaque, "avifenc -s 8 --imir 1 {src.png} {pic}", "heif-convert {pic} {ref.png}", 64, 48},
};

// A picture written by the case's encoder, or empty.
Bytes WritePicture(const ScratchFolder& dir, const Case& c, const std::string& pic) {
    std::vector<std::string> args;
    for (std::string rest = c.source; !rest.empty();) {
        const size_t space = rest.find(' ');
        args.push_back(rest.substr(0, space));
        rest = space == std::string::npos ? "" : rest.substr(space + 1);
    }
    if (!ImageMagick(dir, args, "png:", "src.png")) return {};
    std::string encode = c.encode;
    encode.replace(encode.find("{pic}"), 5, "{" + pic + "}");
    if (!RunNative(dir, encode, pic)) return {};
    return ReadBytes(dir / pic);
}

// The reference decoder's pixels, straight RGBA 8 bits a channel.
Bytes ReferencePixels(const ScratchFolder& dir, const Case& c, const std::string& pic) {
    std::string reference = c.reference;
    reference.replace(reference.find("{pic}"), 5, "{" + pic + "}");
    if (!RunNative(dir, reference, "ref.png") || !ImageMagick(dir, {"{ref.png}", "-depth", "8"}, "rgba:", "ref.rgba"))
        return {};
    return ReadBytes(dir / "ref.rgba");
}

class HeifReference : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(HeifReference, DecodesAsDebiansDecoderWithin3) {
    const Case& c = GetParam();
    ScratchFolder dir("heif");
    const std::string pic = std::string(c.name) + (std::string(c.encode).rfind("avifenc", 0) == 0 ? ".avif" : ".heic");
    const Bytes file = WritePicture(dir, c, pic);
    ASSERT_FALSE(file.empty()) << c.encode;
    const Bytes ref = ReferencePixels(dir, c, pic);
    ASSERT_EQ(ref.size(), static_cast<size_t>(c.width) * c.height * 4) << c.reference;

    const Decoded got = DecodeWith(Engine().DecodePicturePixels, Engine().FreePicturePixels, file);
    ASSERT_EQ(got.width, c.width);
    ASSERT_EQ(got.height, c.height);
    int worst = 0;
    for (size_t i = 0; i < got.argb.size(); ++i) {
        const uint32_t a = ref[i * 4 + 3];
        // The engine's pixels are premultiplied: so is the reference.
        const auto pre = [a](uint32_t v) { return static_cast<int>((v * a + 127) / 255); };
        const int want[4] = {static_cast<int>(a), pre(ref[i * 4]), pre(ref[i * 4 + 1]), pre(ref[i * 4 + 2])};
        const uint32_t p = got.argb[i];
        const int have[4] = {static_cast<int>(p >> 24), static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
                             static_cast<int>(p & 0xFF)};
        for (int k = 0; k < 4; ++k) worst = std::max(worst, std::abs(want[k] - have[k]));
    }
    EXPECT_LE(worst, 3) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Pictures, HeifReference, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// An engine whose folder lacks libheif.dll and libde265.dll: a second copy
// of the engine DLL loaded from a folder of its own reads no HEIC and
// stays up for the next picture.
TEST(HeifLibraries, MissingBesideTheEngineLeaveHeicQuietlyUndecodable) {
    ScratchFolder dir("heif-alone");
    ScratchFolder pics("heif-pics");
    const Case& c = kCases[0];
    const Bytes file = WritePicture(pics, c, "alone.heic");
    ASSERT_FALSE(file.empty());
    wchar_t engine[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(Engine().dll, engine, MAX_PATH), 0u);
    const std::wstring copy = std::wstring(dir.Path().begin(), dir.Path().end()) + L"\\ExuiKrnln.dll";
    ASSERT_TRUE(CopyFileW(engine, copy.c_str(), FALSE));
    HMODULE alone = LoadLibraryExW(copy.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(alone, nullptr);
    ASSERT_NE(alone, Engine().dll);
    const auto decode = reinterpret_cast<ExuiDecodePicturePixels>(reinterpret_cast<void*>(GetProcAddress(alone, "DecodePicturePixels")));
    const auto release = reinterpret_cast<ExuiFreePicturePixels>(reinterpret_cast<void*>(GetProcAddress(alone, "FreePicturePixels")));
    ASSERT_TRUE(decode && release);
    EXPECT_EQ(DecodeWith(decode, release, file).width, 0);
    EXPECT_EQ(DecodeWith(decode, release, file).width, 0);  // asked again: still quietly nothing
    // The engine beside its libraries reads the same file.
    EXPECT_EQ(DecodeWith(Engine().DecodePicturePixels, Engine().FreePicturePixels, file).width, c.width);
    FreeLibrary(alone);
}

// Damaged files: cut at every few bytes and with bits flipped through the
// boxes and the coded data, each HEIC and AVIF either decodes or is
// quietly undecodable, and the engine reads the sound file after them.
TEST(HeifDamaged, CutAndFlippedFilesNeverFault) {
    ScratchFolder dir("heif-damaged");
    for (const Case& c : {kCases[3], kCases[5]}) {
        const std::string pic = std::string(c.name) + (std::string(c.encode).rfind("avifenc", 0) == 0 ? ".avif" : ".heic");
        const Bytes file = WritePicture(dir, c, pic);
        ASSERT_GT(file.size(), 64u) << c.name;
        const auto decode = [](const Bytes& b) {
            return DecodeWith(Engine().DecodePicturePixels, Engine().FreePicturePixels, b).width;
        };
        for (size_t cut = 0; cut < file.size(); cut += 1 + file.size() / 97) {
            const int w = decode(Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(cut)));
            EXPECT_TRUE(w == 0 || w == c.width) << c.name << " cut at " << cut;
        }
        uint32_t seed = 12345;
        for (int round = 0; round < 200; ++round) {
            Bytes flipped = file;
            for (int k = 0; k < 1 + round % 4; ++k) {
                seed = seed * 1103515245u + 12345u;
                flipped[(seed >> 8) % flipped.size()] ^= static_cast<uint8_t>(1u << (seed >> 4 & 7));
            }
            decode(flipped);  // any answer will do; a fault ends the test
        }
        EXPECT_EQ(decode(file), c.width) << c.name;
    }
}
