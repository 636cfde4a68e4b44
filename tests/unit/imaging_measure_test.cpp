// Measuring pictures: every format the viewer lists, content that spells a
// path, and the measurements GDI+ makes for pictures whose header settles
// nothing, remembered by their bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include "files/paths.h"
#include "icon_files.h"
#include "imaging/imaging.h"
#include "test_support.h"

using namespace vela;
using vela::test::MakePicture;

namespace {

struct Measured {
    int width = -1;
    int height = -1;
};

Measured MeasureBoth(const Bytes& picture) {
    Measured m;
    m.width = MeasurePictureWidth(picture);
    m.height = MeasurePictureHeight(picture);
    return m;
}

// Measures its own copy of the bytes ahead, handed over to the memo.
DWORD WINAPI MeasureAheadThread(void* picture) {
    Bytes copy = *static_cast<const Bytes*>(picture);
    MeasureAhead(std::move(copy));
    return 0;
}

// A PNG of w x h inside an icon whose directory lists 256 x 256, padded
// with `padding` bytes after the PNG inside its entry: the header settles no
// size, so GDI+ measures it (the PNG's size) and the memo remembers it.
Bytes Undecided(int width, int height, size_t padding = 0) {
    Bytes png = MakePicture(width, height, L"image/png");
    png.resize(png.size() + padding, 0);
    return test::IconDirectory({{0, 0, png}});
}

Bytes BytesOfText(const std::string& text, bool withZero) {
    Bytes b(text.begin(), text.end());
    if (withZero) b.push_back(0);
    return b;
}

}  // namespace

TEST(ImagingMeasure, EveryEncodedFormatGivesItsNaturalSize) {
    const struct {
        const wchar_t* mime;
        int width, height;
    } cases[] = {{L"image/jpeg", 640, 480}, {L"image/png", 33, 77}, {L"image/bmp", 1, 1}};
    for (const auto& c : cases) {
        Bytes picture = MakePicture(c.width, c.height, c.mime);
        ASSERT_FALSE(picture.empty());
        ForgetMeasurement();
        Measured m = MeasureBoth(picture);
        EXPECT_EQ(m.width, c.width) << c.width;
        EXPECT_EQ(m.height, c.height) << c.width;
    }
}

TEST(ImagingMeasure, GifGivesItsNaturalSize) {
    ForgetMeasurement();
    Measured m = MeasureBoth(test::MakeGif(300, 2));
    EXPECT_EQ(m.width, 300);
    EXPECT_EQ(m.height, 2);
    EXPECT_EQ(test::PixelOf(test::MakeGif(8, 8), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(test::PixelOf(test::MakeGif(8, 8), 7, 7), RGB(200, 120, 40));
}

TEST(ImagingMeasure, IconHoldingAPngIsMeasured) {
    Bytes png = MakePicture(48, 48, L"image/png");
    ASSERT_FALSE(png.empty());
    // ICONDIR, one ICONDIRENTRY, then the PNG image the entry points at.
    Measured m = MeasureBoth(test::IconDirectory({{48, 48, png}}));
    EXPECT_EQ(m.width, 48);
    EXPECT_EQ(m.height, 48);
}

TEST(ImagingMeasure, EmptyBytesMeasureZero) {
    Measured m = MeasureBoth({});
    EXPECT_EQ(m.width, 0);
    EXPECT_EQ(m.height, 0);
}

TEST(ImagingMeasure, ContentSpellingAPathIsNoPicture) {
    // A real picture, and texts that name it in every form a path takes:
    // none of them is opened, neither by the measurement nor by the turn.
    test::ScratchFolder folder("图片测量");
    const std::string path = folder / "照片.png";
    ASSERT_TRUE(test::WriteBytes(path, MakePicture(21, 34, L"image/png")));
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
    const std::string names[] = {path, "\\\\?\\" + path, "\\\\.\\" + path, "照片.png", "\\\\127.0.0.1\\share\\a.png"};
    for (const std::string& name : names) {
        for (bool withZero : {false, true}) {
            ForgetMeasurement();
            const Bytes content = BytesOfText(name, withZero);
            Measured m = MeasureBoth(content);
            EXPECT_EQ(m.width, 0) << name << withZero;
            EXPECT_EQ(m.height, 0) << name << withZero;
            EXPECT_TRUE(RotatePictureBytes(content).empty()) << name;
        }
    }
    SetCurrentDirectoryA(cwd);
}

TEST(ImagingMeasure, RememberedResultsEqualFreshOnes) {
    const Bytes a = MakePicture(120, 80, L"image/png");
    const Bytes b = MakePicture(64, 99, L"image/jpeg");
    ForgetMeasurement();
    EXPECT_EQ(MeasurePictureWidth(a), 120);
    EXPECT_EQ(MeasurePictureHeight(a), 80);  // from the remembered decode
    EXPECT_EQ(MeasurePictureHeight(b), 99);
    EXPECT_EQ(MeasurePictureWidth(b), 64);
    EXPECT_EQ(MeasurePictureWidth(a), 120);
    // A copy equal in content is the same picture.
    Bytes copy = a;
    EXPECT_EQ(MeasurePictureHeight(copy), 80);
    // The start of the remembered picture is other bytes: its first 12
    // (the signature and no header) are no picture, whether the picture is
    // remembered or not.
    const Bytes start(a.begin(), a.begin() + 12);
    const Measured withMemo = MeasureBoth(start);
    EXPECT_EQ(withMemo.width, 0);
    EXPECT_EQ(withMemo.height, 0);
    ForgetMeasurement();
    const Measured fresh = MeasureBoth(start);
    EXPECT_EQ(fresh.width, 0);
    EXPECT_EQ(fresh.height, 0);
    EXPECT_EQ(MeasurePictureWidth(a), 120);
}

TEST(ImagingMeasure, ChangedBytesOfEqualLengthAreMeasuredAfresh) {
    // Two 24-bit BMPs of the same length: rows of 4 and of 3 pixels both
    // take 12 bytes, so 4 x 5 and 3 x 5 differ only inside.
    Bytes wide = MakePicture(4, 5, L"image/bmp");
    Bytes narrow = MakePicture(3, 5, L"image/bmp");
    ASSERT_EQ(wide.size(), narrow.size());
    EXPECT_EQ(MeasurePictureWidth(wide), 4);
    EXPECT_EQ(MeasurePictureWidth(narrow), 3);
    EXPECT_EQ(MeasurePictureHeight(narrow), 5);
    EXPECT_EQ(MeasurePictureWidth(wide), 4);
}

TEST(ImagingMeasure, BytesReadWhereTheyLieAreRememberedByContentNotPlace) {
    const Bytes picture = MakePicture(37, 23, L"image/png");
    ASSERT_FALSE(picture.empty());
    // The picture in the middle of a larger block, as a view of its bytes.
    Bytes block(7, 0xAB);
    block.insert(block.end(), picture.begin(), picture.end());
    block.insert(block.end(), 5, 0xCD);
    const ByteView view(block.data() + 7, picture.size());
    ForgetMeasurement();
    EXPECT_EQ(MeasurePictureWidth(view), 37);
    EXPECT_EQ(MeasurePictureHeight(view), 23);
    const int misses = InspectMeasurements().misses;
    EXPECT_EQ(MeasurePictureWidth(picture), 37);  // the same bytes elsewhere: remembered
    EXPECT_EQ(InspectMeasurements().misses, misses);
    // The viewed memory rewritten in place: measured afresh, and undecodable.
    block[7] = 0;
    EXPECT_EQ(MeasurePictureWidth(view), 0);
    EXPECT_EQ(InspectMeasurements().misses, misses + 1);
}

TEST(ImagingMeasure, MeasuringTheSameBytesAgainDoesNotDecode) {
    const Bytes big = Undecided(3000, 2000);
    ASSERT_FALSE(big.empty());
    ForgetMeasurement();
    const MeasurementCacheInfo before = InspectMeasurements();
    EXPECT_EQ(MeasurePictureWidth(big), 3000);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(MeasurePictureHeight(big), 2000);
    // One decode, and ten answers that were remembered.
    const MeasurementCacheInfo after = InspectMeasurements();
    EXPECT_EQ(after.misses, before.misses + 1);
    EXPECT_EQ(after.hits, before.hits + 10);
}

TEST(ImagingMeasure, SeveralPicturesAreRememberedByTheirBytes) {
    test::ScratchFolder folder("measurecache");
    const struct {
        int width, height;
    } sizes[] = {{31, 17}, {17, 31}, {40, 41}};
    std::vector<Bytes> pictures;
    for (const auto& s : sizes) pictures.push_back(Undecided(s.width, s.height));
    ForgetMeasurement();
    for (const Bytes& p : pictures) MeasureAhead(p);
    MeasurementCacheInfo info = InspectMeasurements();
    EXPECT_EQ(info.entries, 3);
    // Each one again, read from a file at another path: all found, none decoded.
    const int hits = info.hits, misses = info.misses;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::string path = folder / ("copy" + std::to_string(i) + ".png");
        ASSERT_TRUE(test::WriteBytes(path, pictures[i]));
        Measured m = MeasureBoth(ReadWholeFile(test::W(path)));
        EXPECT_EQ(m.width, sizes[i].width) << i;
        EXPECT_EQ(m.height, sizes[i].height) << i;
    }
    info = InspectMeasurements();
    EXPECT_EQ(info.hits - hits, 6);
    EXPECT_EQ(info.misses, misses);
    // Different bytes miss and are measured afresh.
    EXPECT_EQ(MeasurePictureWidth(Undecided(32, 17)), 32);
    EXPECT_EQ(InspectMeasurements().misses, misses + 1);
}

TEST(ImagingMeasure, RememberedMeasurementsStayBounded) {
    ForgetMeasurement();
    // Every later picture measured pushes out the oldest beyond the count...
    for (int i = 1; i <= 12; ++i) MeasureAhead(Undecided(i, 5));
    MeasurementCacheInfo info = InspectMeasurements();
    EXPECT_EQ(info.entries, 4);
    const int misses = info.misses;
    EXPECT_EQ(MeasurePictureWidth(Undecided(12, 5)), 12);  // the newest stays
    EXPECT_EQ(MeasurePictureWidth(Undecided(1, 5)), 1);    // the oldest went
    EXPECT_EQ(InspectMeasurements().misses, misses + 1);
    // ...and beyond the bytes held: a 40 MB picture leaves room for one of its size.
    const Bytes big = Undecided(380, 380, 41u << 20);
    ASSERT_GT(big.size(), 40u << 20);
    MeasureAhead(big);
    MeasureAhead(Bytes(big.begin(), big.end() - 1));
    info = InspectMeasurements();
    EXPECT_LE(info.bytes, 64u << 20);
    EXPECT_EQ(info.entries, 1);
    ForgetMeasurement();
    EXPECT_EQ(InspectMeasurements().bytes, 0u);
}

TEST(ImagingMeasure, AMeasurementOfBytesBeingMeasuredAheadWaitsForThatAnswer) {
    const Bytes big = Undecided(3000, 2000);
    ASSERT_FALSE(big.empty());
    ForgetMeasurement();
    const MeasurementCacheInfo before = InspectMeasurements();
    HANDLE ahead = CreateThread(nullptr, 0, MeasureAheadThread, const_cast<Bytes*>(&big), 0, nullptr);
    ASSERT_NE(ahead, nullptr);
    // The thread's own look-up misses just before its decode starts.
    while (InspectMeasurements().misses == before.misses && WaitForSingleObject(ahead, 0) == WAIT_TIMEOUT) Sleep(0);
    EXPECT_EQ(MeasurePictureWidth(big), 3000);
    EXPECT_EQ(MeasurePictureHeight(big), 2000);
    EXPECT_EQ(WaitForSingleObject(ahead, 10000), WAIT_OBJECT_0);
    CloseHandle(ahead);
    const MeasurementCacheInfo after = InspectMeasurements();
    EXPECT_EQ(after.misses, before.misses + 1) << "the picture was decoded twice";
    EXPECT_EQ(after.entries, 1);
    EXPECT_EQ(after.bytes, big.size());
}
