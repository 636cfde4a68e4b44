// Pictures prepared ahead through PreparePictures: a write of equal bytes
// shows the prepared decode, other bytes are decoded as ever, and what a
// dropped set held is given back.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

int PrepareAll(const std::vector<const Bytes*>& pictures) {
    std::vector<ExuiData> blocks;
    for (const Bytes* p : pictures) blocks.push_back(ExuiData{p->data(), static_cast<int32_t>(p->size())});
    return Engine().PreparePictures(blocks.data(), static_cast<int32_t>(blocks.size()));
}

// Private memory committed in this process, region by region.
uint64_t PrivateBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION mbi{};
    for (const char* at = nullptr; VirtualQuery(at, &mbi, sizeof mbi) == sizeof mbi;) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
        const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

// Plays a process short of memory: the engine may commit no more private
// memory in all than `bound` while this lives.
class MemoryBound {
public:
    explicit MemoryBound(uint64_t bound) {
        char name[64];
        wsprintfA(name, "uiengine-memory-bound-%lu", GetCurrentProcessId());
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
        if (void* view = mapping_ ? MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof bound) : nullptr) {
            memcpy(view, &bound, sizeof bound);
            UnmapViewOfFile(view);
        }
    }
    ~MemoryBound() {
        if (mapping_) CloseHandle(mapping_);
    }
    bool Set() const { return mapping_ != nullptr; }

private:
    HANDLE mapping_ = nullptr;
};

class EnginePrepare : public PictureWindowTest {
protected:
    EnginePrepare() : PictureWindowTest(330, 220) {}
    void Show(const Bytes& b) { ASSERT_EQ(SetData(pic_, 8, b.data(), static_cast<int>(b.size())), 1); }
};

}  // namespace

TEST_F(EnginePrepare, EqualBytesTakeThePreparedDecodeAndOtherBytesDoNot) {
    const COLORREF blue = RGB(30, 40, 220), red = RGB(220, 30, 30), green = RGB(30, 200, 60);
    const Bytes a = MakePicture(3000, 2000, L"image/jpeg", blue);
    const Bytes b = MakePicture(2000, 3000, L"image/jpeg", red);
    const Bytes other = MakePicture(3000, 2000, L"image/jpeg", green);
    ASSERT_EQ(PrepareAll({&a, &b}), 2);
    ASSERT_TRUE(WaitFor([] { return PreparedInfo().ready == 2; }, 30000));
    EXPECT_EQ(PreparedInfo().waiting, 0);
    const int taken = PreparedInfo().taken;
    // Bytes not prepared: decoded as ever, the prepared ones stay.
    Show(other);
    EXPECT_EQ(PreparedInfo().taken, taken);
    ASSERT_TRUE(WaitForFrame(top_, 20000));
    EXPECT_TRUE(PixelNear(Shoot(top_).At(100 + 250, 100 + 150), OpaquePixel(green)));
    // A copy of a prepared picture's bytes (another block, equal content).
    const Bytes copy = a;
    Show(copy);
    EXPECT_EQ(PreparedInfo().taken, taken + 1);
    ASSERT_TRUE(WaitForFrame(top_, 20000));
    EXPECT_TRUE(PixelNear(Shoot(top_).At(100 + 250, 100 + 150), OpaquePixel(blue)));
    // The same length with one byte changed is other bytes.
    Bytes changed = b;
    changed[changed.size() / 2] ^= 0x01;
    Show(changed);
    EXPECT_EQ(PreparedInfo().taken, taken + 1);
    ASSERT_TRUE(WaitForFrame(top_, 20000));
    Show(b);
    EXPECT_EQ(PreparedInfo().taken, taken + 2);
    ASSERT_TRUE(WaitForFrame(top_, 20000));
    EXPECT_TRUE(PixelNear(Shoot(top_).At(100 + 100, 100 + 150), OpaquePixel(red)));
}

TEST_F(EnginePrepare, ADroppedSetGivesItsMemoryBack) {
    const Bytes a = MakePicture(4000, 3000, L"image/jpeg", RGB(30, 40, 220));
    const Bytes b = MakePicture(64, 48, L"image/png");
    const uint64_t before = PrivateBytes();
    ASSERT_EQ(PrepareAll({&a}), 1);
    ASSERT_TRUE(WaitFor([] { return PreparedInfo().ready == 1; }, 30000));
    // Its copy reduced to 3/8 of each side (1500 x 1125, 6.75 MB: the least
    // that covers its fit in 1920 x 1080, 1440 x 1080) and the copy of the
    // bytes; not the whole picture (48 MB).
    EXPECT_GE(PreparedInfo().kilobytes, static_cast<int>((1500 * 1125 * 4 + a.size()) / 1024));
    EXPECT_LT(PreparedInfo().kilobytes, 4000 * 3000 * 4 / 1024);
    EXPECT_GE(PrivateBytes(), before + (6u << 20));
    // A new set without it drops it; the empty set drops everything.
    ASSERT_EQ(PrepareAll({&b}), 1);
    ASSERT_TRUE(WaitFor([] { return PreparedInfo().ready == 1 && PreparedInfo().waiting == 0; }, 30000));
    EXPECT_LT(PreparedInfo().kilobytes, 1024);
    EXPECT_LT(PrivateBytes(), before + (8u << 20));
    EXPECT_EQ(Engine().PreparePictures(nullptr, 0), 0);
    const ExuiPreparedInfo none = PreparedInfo();
    EXPECT_EQ(none.ready, 0);
    EXPECT_EQ(none.waiting, 0);
    EXPECT_EQ(none.kilobytes, 0);
    // Undecodable bytes are never kept.
    const Bytes junk(5000, 0x5A);
    ASSERT_EQ(PrepareAll({&junk}), 1);
    ASSERT_TRUE(WaitFor([] { return PreparedInfo().waiting == 0; }, 30000));
    EXPECT_EQ(PreparedInfo().ready, 0);
}

// Two large neighbours prepared (their copies reduced to 3/8, 13.5 MB
// each), then a shown 11000 x 600 panorama whose decode asks for its copy
// reduced to 7/8 (9625 x 525, 20 MB: no smaller one keeps 512 rows) and the
// engine's 96 MB margin while the process is bound to a little less than
// that above what it holds: the prepared pictures go first; with them gone
// the shown one fits, or, bound tighter still, fails as an empty view.
TEST_F(EnginePrepare, PreparedPicturesGoFirstWhenMemoryRunsShort) {
    const struct {
        int boundMiB;  // above what is committed once both are prepared
        bool shown;
    } cases[] = {{105, true}, {40, false}};
    const COLORREF green = RGB(30, 200, 60);
    const Bytes a = MakePicture(6000, 4000, L"image/jpeg", RGB(30, 40, 220));
    const Bytes b = MakePicture(4000, 6000, L"image/jpeg", RGB(220, 30, 30));
    const Bytes shown = MakePicture(11000, 600, L"image/jpeg", green);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.boundMiB);
        Show(MakePicture(64, 48, L"image/png", RGB(250, 250, 250)));
        ASSERT_TRUE(WaitForFrame(top_, 20000));
        ASSERT_EQ(PrepareAll({&a, &b}), 2);
        ASSERT_TRUE(WaitFor([] { return PreparedInfo().ready == 2; }, 60000));
        const MemoryBound bound(PrivateBytes() + (static_cast<uint64_t>(c.boundMiB) << 20));
        ASSERT_TRUE(bound.Set());
        Show(shown);
        ASSERT_TRUE(WaitForFrame(top_, 20000));
        EXPECT_EQ(PreparedInfo().ready, 0);
        EXPECT_EQ(PreparedInfo().waiting, 0);
        EXPECT_EQ(PixelNear(Shoot(top_).At(100 + 250, 100 + 150), OpaquePixel(green)), c.shown);
    }
}

// A 6000 x 4000 colour JPEG is shown from its halved copy (24 MB) without
// its whole picture (96 MB) until the view grows past that copy.
TEST_F(EnginePrepare, ALargeJpegIsHeldWholeOnlyOnceAZoomNeedsIt) {
    const Bytes big = MakePicture(6000, 4000, L"image/jpeg", RGB(30, 40, 220));
    const uint64_t before = PrivateBytes();
    Show(big);
    ASSERT_TRUE(WaitForFrame(top_, 20000));
    EXPECT_TRUE(PixelNear(Shoot(top_).At(100 + 250, 100 + 150), OpaquePixel(RGB(30, 40, 220))));
    EXPECT_LT(PrivateBytes(), before + (60u << 20));
    ASSERT_TRUE(SetWindowPos(pic_, nullptr, 0, 0, 3200, 2200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    InvalidateRect(pic_, nullptr, FALSE);
    EXPECT_TRUE(WaitFor([&] { return PrivateBytes() >= before + (96u << 20); }, 30000));
}
