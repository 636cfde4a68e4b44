// HEIC, AVIF and JPEG XL sizes read from their headers against the
// reference tools: files made by Debian's heif-enc, avifenc and cjxl
// (turned by irot, cropped by clap, oriented by a JPEG's EXIF), their
// sizes as ImageMagick's identify (libheif) and djxl's decode report them;
// and headers that lie, which settle nothing and cost nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_corpus.h"
#include "native_command.h"
#include "imaging/imaging.h"
#include "picture/picture_header.h"
#include "test_support.h"

using namespace vela;
using namespace vela::test;

namespace {

struct Sides {
    int width = 0, height = 0;
};

// The size a reference tool's command wrote ("W H") into dir\output.
Sides ReferenceSize(const ScratchFolder& dir, const std::string& command, const std::string& output) {
    Sides s;
    if (!NativeCommand(dir, command, output)) return s;
    const Bytes text = ReadBytes(dir / output);
    std::sscanf(std::string(text.begin(), text.end()).c_str(), "%d %d", &s.width, &s.height);
    return s;
}

Sides HeaderOf(const Bytes& b) {
    imaging::HeaderSize size;
    if (!imaging::SizeFromHeader(b.data(), b.size(), &size)) return {};
    return {size.width, size.height};
}

// Each picture is drawn by ImageMagick at the given size ({src} a PNG, or
// {src.jpg} a JPEG the test writes) and made by the command into {out}.
struct Made {
    const char* name;
    int width, height;
    const char* make;
};

const Made kMade[] = {
    {"heic 64x48", 64, 48, "heif-enc -q 50 {src} -o {out}"},
    {"heic 33x17 (odd sides: clap)", 33, 17, "heif-enc -q 50 {src} -o {out}"},
    {"heic 10-bit", 40, 30, "heif-enc -b 10 {src16} -o {out}"},
    {"heic turned a quarter (irot 1)", 64, 48, "heif-enc {src} -o {tmp} && python3 " VELA_HEIF_TURN " {tmp} {out} 1"},
    {"heic turned 3, mirrored (irot, imir)", 33, 17,
     "heif-enc {src} -o {tmp} && python3 " VELA_HEIF_TURN " {tmp} {out} 3 1"},
    {"heic turned a half", 64, 48, "heif-enc {src} -o {tmp} && python3 " VELA_HEIF_TURN " {tmp} {out} 2"},
    {"avif 64x48", 64, 48, "avifenc -s 10 {src} {out}"},
    {"avif 10-bit with alpha", 61, 37, "avifenc -s 10 -d 10 {srca} {out}"},
    {"avif irot 1", 64, 48, "avifenc -s 10 --irot 1 {src} {out}"},
    {"avif irot 3 imir 1", 30, 70, "avifenc -s 10 --irot 3 --imir 1 {src} {out}"},
    {"avif clap", 64, 48, "avifenc -s 10 --crop 2,2,40,30 {src} {out}"},
    {"jxl lossless", 64, 48, "cjxl -e 1 -d 0 {src} {out}"},
    {"jxl lossy 33x17", 33, 17, "cjxl -e 1 {src} {out}"},
    {"jxl 1000x3", 1000, 3, "cjxl -e 1 {src} {out}"},
    {"jxl 256x144 (ratio 16:9)", 256, 144, "cjxl -e 1 {src} {out}"},
    {"jxl 3001x2", 3001, 2, "cjxl -e 1 -d 0 {src} {out}"},
    {"jxl 1x16000", 1, 16000, "cjxl -e 1 -d 0 {src} {out}"},
    {"jxl from a JPEG, orientation 6", 64, 48, "cjxl {src6.jpg} {out}"},
    {"jxl from a JPEG, orientation 3", 64, 48, "cjxl {src3.jpg} {out}"},
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

// Every file the tools make is settled by its header at the reference's
// size, and measured so without a decode.
TEST(ImagingHeifJxlHeader, FilesTheToolsMakeReadTheReferenceSize) {
    int portrait = 0;
    for (const Made& m : kMade) {
        SCOPED_TRACE(m.name);
        ScratchFolder dir("heifjxl");
        const std::string size = std::to_string(m.width) + "x" + std::to_string(m.height);
        const std::string draw = "convert-im6.q16 -size " + size + " gradient:red-blue ";
        // 8-bit, as libheif mirrors only 8-bit pictures; 16-bit for the 10-bit files.
        ASSERT_TRUE(NativeCommand(dir, draw + "-depth 8 {src.png} && " + draw + "-depth 16 {src16.png} && " +
                                           "convert-im6.q16 -size " + size + " gradient:'rgba(0,0,255,1)-rgba(255,0,0,0.2)' {srca.png}",
                                  "drawn"));
        if (std::string(m.make).find(".jpg") != std::string::npos) {
            const Bytes jpeg = MakePicture(m.width, m.height, L"image/jpeg");
            ASSERT_TRUE(WriteBytes(dir / "src6.jpg", WithExifOrientation(jpeg, 6)));
            ASSERT_TRUE(WriteBytes(dir / "src3.jpg", WithExifOrientation(jpeg, 3)));
        }
        const std::string ext = std::string(m.name).substr(0, std::string(m.name).find(' '));
        const std::string out = "out." + ext;
        std::string make = Replaced(Replaced(Replaced(m.make, "{src}", "{src.png}"), "{src16}", "{src16.png}"),
                                    "{srca}", "{srca.png}");
        make = Replaced(Replaced(make, "{out}", "{" + out + "}"), "{tmp}", "{tmp.heic}");
        ASSERT_TRUE(NativeCommand(dir, make + " >/dev/null 2>&1 && echo made", "made")) << make;
        // The reference: libheif's size through ImageMagick; djxl's decode (upright) for JPEG XL.
        const Sides reference = ext == "jxl" ? ReferenceSize(dir, "djxl {" + out + "} {ref.png} >/dev/null 2>&1 && "
                                                                  "identify-im6.q16 -format '%w %h' {ref.png}", "size")
                                             : ReferenceSize(dir, "identify-im6.q16 -format '%w %h' {" + out + "}", "size");
        ASSERT_GT(reference.width, 0);
        const Bytes file = ReadBytes(dir / out);
        const Sides header = HeaderOf(file);
        EXPECT_EQ(header.width, reference.width);
        EXPECT_EQ(header.height, reference.height);
        const int misses = InspectMeasurements().misses;
        ForgetMeasurement();
        EXPECT_EQ(MeasurePictureWidth(file), reference.width);
        EXPECT_EQ(MeasurePictureHeight(file), reference.height);
        EXPECT_EQ(InspectMeasurements().misses, misses) << "decoded";
        if ((reference.width < reference.height) != (m.width < m.height)) ++portrait;
    }
    // The quarter turns took: five of the files stand the other way round.
    EXPECT_EQ(portrait, 5);
}

namespace {

// The first box of `type` at the top level or inside meta/iprp: where its
// size field starts, or npos.
size_t BoxAt(const Bytes& b, const char* type) {
    for (size_t at = 4; at + 4 <= b.size(); ++at)
        if (memcmp(b.data() + at, type, 4) == 0) return at - 4;
    return std::string::npos;
}

void SetBe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

Bytes WithBe32(Bytes b, const char* type, size_t offset, uint32_t v) {
    const size_t at = BoxAt(b, type);
    if (at != std::string::npos) SetBe32(b, at + offset, v);
    return b;
}

Bytes WithByte(Bytes b, const char* type, size_t offset, uint8_t v) {
    const size_t at = BoxAt(b, type);
    if (at != std::string::npos) b[at + offset] = v;
    return b;
}

}  // namespace

// A header that lies settles nothing (or only what it claims, within a
// 32-bit size) and costs neither a decode nor memory.
TEST(ImagingHeifJxlHeader, LyingHeadersCostNothing) {
    const Bytes heic = CraftedHeif(640, 480, false);
    ASSERT_EQ(HeaderOf(heic).width, 640);
    ASSERT_EQ(HeaderOf(CraftedHeif(64, 48, true)).height, 48);
    ASSERT_EQ(HeaderOf(CraftedJpegXl(3000, 2000)).width, 3000);
    // A 64-bit size that holds the meta box whole is read as any other.
    Bytes wide = heic;
    const size_t meta = BoxAt(wide, "meta");
    const uint32_t metaSize = (wide[meta] << 24) | (wide[meta + 1] << 16) | (wide[meta + 2] << 8) | wide[meta + 3];
    Bytes large(wide.begin(), wide.begin() + static_cast<long>(meta));
    large.insert(large.end(), {0, 0, 0, 1, 'm', 'e', 't', 'a', 0, 0, 0, 0, 0, 0, 0, 0});
    SetBe32(large, meta + 12, metaSize + 8);
    large.insert(large.end(), wide.begin() + static_cast<long>(meta) + 8, wide.end());
    EXPECT_EQ(HeaderOf(large).width, 640);

    const struct {
        const char* what;
        Bytes bytes;
        int width, height;  // 0: not settled
    } cases[] = {
        {"heic claiming 2^31-1 x 30000", CraftedHeif(0x7FFFFFFF, 30000, false), 0x7FFFFFFF, 30000},
        {"jxl claiming 2^30 x 2^30", CraftedJpegXl(1u << 30, 1u << 30), 1 << 30, 1 << 30},
        {"heic claiming 2^31", CraftedHeif(0x80000000u, 5, false), 0, 0},
        {"heic with a zero side", CraftedHeif(0, 5, true), 0, 0},
        {"meta box past the end", WithBe32(heic, "meta", 0, 0x7FFFFFF0), 0, 0},
        {"64-bit size past the end", WithBe32(large, "meta", 12, 0xFFFFFFF0), 0, 0},
        {"64-bit size of 4 GiB and more", WithBe32(large, "meta", 8, 1), 0, 0},
        {"ipco overrunning iprp", WithBe32(heic, "ipco", 0, 200), 0, 0},
        {"ispe overrunning ipco", WithBe32(heic, "ispe", 0, 60), 0, 0},
        {"ipma with 2^32-1 entries", WithBe32(heic, "ipma", 12, 0xFFFFFFFF), 0, 0},
        {"pitm naming another item", WithByte(heic, "pitm", 13, 7), 0, 0},
        {"heic cut inside its meta box", Bytes(heic.begin(), heic.begin() + 60), 0, 0},
        {"jxl cut inside its size header", Bytes{0xFF, 0x0A, 0x06}, 0, 0},
        {"jxl container of a box past the end",
         Bytes{0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0, 0, 1, 0, 'j', 'x', 'l', 'c', 0xFF, 0x0A, 0, 0},
         0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Sides header = HeaderOf(c.bytes);
        EXPECT_EQ(header.width, c.width);
        EXPECT_EQ(header.height, c.height);
        const double before = AddressSpaceInUseMiB();
        ForgetMeasurement();
        EXPECT_EQ(MeasurePictureWidth(c.bytes), c.width);
        EXPECT_LT(AddressSpaceInUseMiB() - before, 1.0);
    }
}
