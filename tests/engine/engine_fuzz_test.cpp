// A few hundred damaged and crafted pictures (seeded, see fuzz_corpus; WebP
// among them) through
// the engine's decode and the viewer's measurement and rotation, in this
// process: nothing ends it, nothing hangs, and the answers agree with each
// other.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine_harness.h"
#include "fuzz_corpus.h"
#include "imaging/imaging.h"
#include "skin/engine.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

constexpr uint32_t kSeed = 20261207;
constexpr int kFiles = 400;

}  // namespace

TEST(EngineFuzz, DamagedPicturesDecodeMeasureAndRotateQuietly) {
    ASSERT_NE(Engine().dll, nullptr);
    // The viewer's turn of a WebP asks the process's engine for its pixels.
    vela::skin::UseEngineModule(Engine().dll);
    ASSERT_TRUE(vela::StartImaging());
    std::vector<FuzzFile> corpus = MakeFuzzCorpus(kSeed, kFiles);
    ASSERT_EQ(corpus.size(), static_cast<size_t>(kFiles));
    // And every seed cut short within its headers, where the decoders read
    // the most before they can tell the file is damaged.
    for (const FuzzFile& seed : FuzzSeeds())
        for (size_t n = 1; n < std::min<size_t>(seed.bytes.size(), 72); ++n)
            corpus.push_back({seed.name + " cut at " + std::to_string(n), Bytes(seed.bytes.begin(), seed.bytes.begin() + n)});
    auto [top, pic] = MakePictureWindow(100, 100, 300, 200);
    ASSERT_TRUE(WaitForFrame(top));
    int measured = 0, rotated = 0;
    for (const FuzzFile& f : corpus) {
        SCOPED_TRACE(f.name);
        const Bytes& b = f.bytes;
        ASSERT_EQ(SetData(pic, 8, b.empty() ? nullptr : b.data(), static_cast<int>(b.size())), 1);
        // Placed after the bytes, as the viewer's fit does.
        SetWindowPos(pic, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
        vela::ForgetMeasurement();
        const int w = vela::MeasurePictureWidth(b), h = vela::MeasurePictureHeight(b);
        // Both or neither.
        EXPECT_EQ(w > 0, h > 0) << w << " x " << h;
        if (w <= 0) continue;
        ++measured;
        // A picture that measures turns into a PNG of the other way round,
        // or into nothing when its pixels cannot be read after all.
        const Bytes turned = vela::RotatePictureBytes(b);
        if (turned.empty()) continue;
        ++rotated;
        ASSERT_GE(turned.size(), 8u);
        EXPECT_EQ(memcmp(turned.data(), "\x89PNG", 4), 0);
        EXPECT_EQ(vela::MeasurePictureWidth(turned), h);
        EXPECT_EQ(vela::MeasurePictureHeight(turned), w);
    }
    // The corpus holds both kinds: some damage leaves a picture readable.
    EXPECT_GT(measured, 0);
    EXPECT_LT(measured, static_cast<int>(corpus.size()));
    EXPECT_GT(rotated, 0);
    std::printf("%zu files, %d measured, %d rotated\n", corpus.size(), measured, rotated);
    Close(top);
    vela::StopImaging();
}
