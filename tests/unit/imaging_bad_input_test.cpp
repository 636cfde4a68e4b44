// Broken, truncated, hostile and misnamed picture bytes: every measurement
// and rotation answers 0 or an empty array, promptly and without a crash.
#include <windows.h>

#include <gtest/gtest.h>

#include "picture/decoder_guards.h"
#include "picture/exif_orientation.h"
#include "picture/icc_profile.h"
#include "byte_fields.h"
#include "colour_pictures.h"
#include "fuzz_corpus.h"
#include "imaging/clipboard_picture.h"
#include "imaging/imaging.h"
#include "picture/picture_stream.h"
#include "test_support.h"
#include "runtime/unique.h"

using namespace vela;
using vela::test::MakePicture;
using vela::test::Crc32;
using vela::test::Store32;
using vela::test::Store32BigEndian;

namespace {

struct Outcome {
    int width, height;
    size_t rotated;
};

Outcome Try(const Bytes& b) {
    ForgetMeasurement();
    const Outcome o{MeasurePictureWidth(b), MeasurePictureHeight(b), RotatePictureBytes(b).size()};
    // The clipboard's copy decodes what the turn decodes, or nothing.
    const UprightPicture copy = DecodeUpright(b);
    EXPECT_EQ(copy.pixels.size() == 0, o.rotated == 0);
    EXPECT_EQ(copy.pixels.size(), std::size_t(copy.width) * copy.height * 4);
    return o;
}

Bytes Make(const wchar_t* mime) {
    return std::wstring(mime) == L"image/gif" ? test::MakeGif(64, 48) : MakePicture(64, 48, mime);
}

}  // namespace

TEST(ImagingBadInput, HeadersAloneGiveNothing) {
    for (const wchar_t* mime : {L"image/jpeg", L"image/png", L"image/gif", L"image/bmp"}) {
        Bytes b = Make(mime);
        ASSERT_GT(b.size(), 16u);
        b.resize(12);
        Outcome o = Try(b);
        EXPECT_EQ(o.width, 0) << mime;
        EXPECT_EQ(o.height, 0) << mime;
        EXPECT_EQ(o.rotated, 0u) << mime;
    }
}

TEST(ImagingBadInput, TruncatedAndScrambledPicturesDoNotCrash) {
    for (const wchar_t* mime : {L"image/jpeg", L"image/png", L"image/gif", L"image/bmp"}) {
        const Bytes whole = Make(mime);
        for (size_t keep : {whole.size() / 4, whole.size() / 2, whole.size() - 1}) {
            Outcome o = Try(Bytes(whole.begin(), whole.begin() + keep));
            // A decoder may still make sense of a cut picture; if it does,
            // the size is the real one, else there is nothing.
            EXPECT_TRUE((o.width == 64 && o.height == 48) || (o.width == 0 && o.height == 0))
                << mime << " " << keep << ": " << o.width << "x" << o.height;
        }
        Bytes scrambled = whole;
        for (size_t i = 10; i < scrambled.size(); i += 3) scrambled[i] ^= 0x5A;
        Outcome o = Try(scrambled);
        EXPECT_TRUE((o.width == 64 && o.height == 48) || (o.width == 0 && o.height == 0)) << mime;
    }
}

TEST(ImagingBadInput, TextUnderAPictureNameIsNoPicture) {
    test::ScratchFolder folder("badtext");
    const std::string text = "This is a letter, not a photograph.\r\n";
    const std::string path = folder / "letter.jpg";
    ASSERT_TRUE(test::WriteText(path, text));
    Outcome content = Try(Bytes(text.begin(), text.end()));
    EXPECT_EQ(content.width, 0);
    EXPECT_EQ(content.rotated, 0u);
    // The same file named by path.
    Bytes naming(path.begin(), path.end());
    EXPECT_EQ(MeasurePictureWidth(naming), 0);
    EXPECT_EQ(MeasurePictureHeight(naming), 0);
    // A path to a folder, and a text far longer than any path.
    Bytes folderPath(folder.Path().begin(), folder.Path().end());
    EXPECT_EQ(MeasurePictureWidth(folderPath), 0);
    EXPECT_EQ(Try(Bytes(100000, 'A')).width, 0);
    EXPECT_EQ(Try(Bytes(5000, 0)).width, 0);
}

TEST(ImagingBadInput, HugeDeclaredSizesGiveNothing) {
    const DWORD start = GetTickCount();
    // A 24-bit BMP header claiming 30000 x 30000 with a handful of pixels.
    Bytes bmp(54 + 64, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    Store32(bmp, 2, static_cast<unsigned>(bmp.size()));
    Store32(bmp, 10, 54);
    Store32(bmp, 14, 40);
    Store32(bmp, 18, 30000);
    Store32(bmp, 22, 30000);
    bmp[26] = 1;
    bmp[28] = 24;
    Outcome o = Try(bmp);
    EXPECT_EQ(o.width, 0);
    EXPECT_EQ(o.rotated, 0u);

    // A PNG whose header chunk claims 30000 x 30000, with no image data.
    const unsigned char head[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    const unsigned char iend[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    Bytes png(sizeof head + 13 + 4 + sizeof iend, 0);
    std::copy(std::begin(head), std::end(head), png.begin());
    std::copy(std::begin(iend), std::end(iend), png.end() - sizeof iend);
    Store32BigEndian(png, 16, 30000);
    Store32BigEndian(png, 20, 30000);
    png[24] = 8;  // depth
    png[25] = 2;  // truecolour
    Store32BigEndian(png, 29, Crc32(png.data() + 12, 17));
    // Its header is whole and right: the measurement reports its claim
    // without decoding anything (the engine's decode then finds nothing).
    o = Try(png);
    EXPECT_EQ(o.width, 30000);
    EXPECT_EQ(o.height, 30000);
    EXPECT_EQ(o.rotated, 0u);

    // A GIF whose screen and image claim 30000 x 30000.
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0x30, 0x75, 0x30, 0x75, 0, 0, 0,
                 0x2C, 0, 0, 0, 0, 0x30, 0x75, 0x30, 0x75, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
    o = Try(gif);
    EXPECT_EQ(o.rotated, 0u);
    EXPECT_LT(GetTickCount() - start, 20000u);
}

TEST(ImagingBadInput, GifsClaimingMorePixelsThanTheirDataLeaveNothingBehind) {
    // A picture of 4000 x 4000 claimed over a dozen bytes of codes: the
    // platform's decoder under Wine takes 16 MB for its pixels and keeps
    // them after failing; 40 tries would hold 640 MB.
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0xA0, 0x0F, 0xA0, 0x0F, 0, 0, 0, 0x2C, 0, 0, 0, 0, 0xA0, 0x0F,
                       0xA0, 0x0F, 0, 2, 12, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0xA3, 0x9C, 0xB4, 0xDA, 0x8B, 0xB3, 0,
                       0x3B};
    EXPECT_FALSE(imaging::DecodersMayRead(gif.data(), gif.size()));
    const double before = test::AddressSpaceInUseMiB();
    for (int i = 0; i < 40; ++i) {
        const Outcome o = Try(gif);
        ASSERT_EQ(o.width, 0);
        ASSERT_EQ(o.rotated, 0u);
    }
    EXPECT_LT(test::AddressSpaceInUseMiB() - before, 64.0);

    // Pictures whose codes can hold their pixels still reach the decoder,
    // also when the data is cut after them.
    const Bytes whole = test::MakeGif(48, 32);
    EXPECT_TRUE(imaging::DecodersMayRead(whole.data(), whole.size()));
    EXPECT_TRUE(imaging::DecodersMayRead(whole.data(), whole.size() - 2));
    EXPECT_EQ(Try(whole).width, 48);
}

TEST(ImagingBadInput, BrokenIconsGiveNothing) {
    // An icon directory promising an image far beyond the end of the bytes.
    Bytes icon(22, 0);
    const unsigned char head[] = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0};
    std::copy(std::begin(head), std::end(head), icon.begin());
    Store32(icon, 14, 0x7FFFFFF0);
    Store32(icon, 18, 22);
    Outcome o = Try(icon);
    EXPECT_EQ(o.width, 0);
    EXPECT_EQ(o.rotated, 0u);
    // An icon directory with no entries at all, and one cut short.
    o = Try(Bytes{0, 0, 1, 0, 0, 0});
    EXPECT_EQ(o.width, 0);
    o = Try(Bytes{0, 0, 1, 0, 5, 0, 32});
    EXPECT_EQ(o.width, 0);
}

TEST(ImagingBadInput, DamagedExifBlocksLeaveThePictureAsStored) {
    // APP1 segments of the right length whose TIFF block lies.
    const struct {
        const char* what;
        Bytes tiff;
    } cases[] = {
        {"directory beyond the segment", {'I', 'I', 42, 0, 0x00, 0xFF, 0xFF, 0xFF}},
        {"entry count beyond the segment", {'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0xFF, 0x12, 1, 3, 0}},
        {"entry cut by the segment's end", {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0, 3, 0, 0}},
        {"directory linking to itself", {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0}},
        {"orientation as a LONG", {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 4, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0}},
        {"orientation 65535", {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0, 3, 0, 0, 0, 1, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"no byte order", {'X', 'X', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 3, 0, 1, 0, 0, 0, 6, 0}},
        {"no TIFF at all", {}},
    };
    const Bytes plain = MakePicture(64, 48, L"image/jpeg");
    for (const auto& c : cases) {
        Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
        for (unsigned char b : c.tiff) app1.push_back(b);
        const Outcome o = Try(test::WithApp1(plain, app1));
        EXPECT_EQ(o.width, 64) << c.what;
        EXPECT_EQ(o.height, 48) << c.what;
        EXPECT_GT(o.rotated, 0u) << c.what;
    }
    // Bytes cut anywhere inside the EXIF block (start marker, segment
    // marker and length, then 32 bytes): never read beyond their end.
    const Bytes whole = test::WithExifOrientation(plain, 6);
    for (size_t n = 0; n < 38; ++n) EXPECT_EQ(imaging::JpegOrientation(whole.data(), n), 1) << n;
    EXPECT_EQ(imaging::JpegOrientation(whole.data(), 38), 6);
}

TEST(ImagingBadInput, NothingIsReadBeyondTheBytes) {
    // Run-length rows declared far beyond the data: the decoder seeks there
    // and reads (which once ended the process), and finds nothing.
    for (uint32_t offset : {0x7FFFFF00u, 0xFFFFFF00u}) {
        for (bool rle4 : {false, true}) {
            Outcome o = Try(test::CraftedRunLengthBmp(offset, rle4));
            EXPECT_EQ(o.width, 0) << offset << rle4;
            EXPECT_EQ(o.height, 0) << offset << rle4;
            EXPECT_EQ(o.rotated, 0u) << offset << rle4;
        }
    }
    // The stream the decoders read: bounded reads wherever it was moved.
    const unsigned char bytes[100] = {1, 2, 3};
    Unique<IStream*, ComRelease<IStream>> stream(imaging::PictureStream::Create(bytes, sizeof bytes));
    ASSERT_TRUE(stream);
    const struct { long long at; ULONG read; } reads[] = {{0, 64}, {90, 10}, {100, 0}, {101, 0}, {0x7FFFFF00, 0}};
    for (const auto& r : reads) {
        LARGE_INTEGER at{};
        at.QuadPart = r.at;
        ASSERT_EQ(stream.Get()->Seek(at, STREAM_SEEK_SET, nullptr), S_OK);
        unsigned char out[64];
        ULONG read = 12345;
        stream.Get()->Read(out, sizeof out, &read);
        EXPECT_EQ(read, r.read) << r.at;
    }
    // A stream the platform keeps after a failed load holds no copy.
    imaging::PictureStream::Discard(stream.Get());
    LARGE_INTEGER start{};
    stream.Get()->Seek(start, STREAM_SEEK_SET, nullptr);
    unsigned char out[8];
    ULONG read = 12345;
    stream.Get()->Read(out, sizeof out, &read);
    EXPECT_EQ(read, 0u);
}

// The embedded profile's readers, on bytes that end where the process may
// read no further: a WebP whose last chunk is odd-sized and has no pad byte
// (21 bytes), and JPEGs and PNGs with a profile cut at every length.
TEST(ImagingBadInput, NoProfileReaderLooksPastTheBytes) {
    const Bytes oddChunk = {'R', 'I', 'F', 'F', 13, 0, 0, 0, 'W', 'E', 'B', 'P', 'X', 'M', 'P', ' ', 1, 0, 0, 0, 'x'};
    std::vector<uint8_t> profile;
    const test::GuardedBytes webp(oddChunk);
    ASSERT_TRUE(webp.data());
    EXPECT_EQ(imaging::EmbeddedProfile(webp.data(), webp.size(), &profile), imaging::ProfileBlock::None);
    const Bytes small(200, 0x42);
    const Bytes jpeg = test::WithJpegProfile(MakePicture(8, 8, L"image/jpeg"), small, 60);
    const Bytes png = test::MakeRgbPng(2, 2, {0, 0, 0, 0}, small);
    for (const Bytes* whole : {&jpeg, &png}) {
        for (size_t n = 0; n <= whole->size(); ++n) {
            const test::GuardedBytes cut(Bytes(whole->begin(), whole->begin() + n));
            imaging::EmbeddedProfile(cut.data(), cut.size(), &profile);
        }
        EXPECT_NE(imaging::EmbeddedProfile(whole->data(), whole->size(), &profile), imaging::ProfileBlock::None);
    }
}
