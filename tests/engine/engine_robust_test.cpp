// Hostile and huge pictures, pictures replaced faster than they decode, and
// the engine's worker threads: nothing ends the process, replaced decodes
// stop and never pile up, and no worker outlives the last control.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>

#include "engine_harness.h"
#include "fuzz_corpus.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

int ProcessThreads() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snap);
    return n;
}

int Processors() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

// Committed private memory (Wine leaves PrivateUsage 0; this is the same).
size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

// Holds every decode of this process between its first and its complete
// state while it lives. The engine beside this program is the tests' build
// (bin/hold), whose decodes wait on this event's name.
class HoldSmallerCopies {
public:
    HoldSmallerCopies() {
        char name[64];
        wsprintfA(name, "uiengine-hold-levels-%lu", GetCurrentProcessId());
        event_ = CreateEventA(nullptr, TRUE, FALSE, name);
    }
    ~HoldSmallerCopies() {
        SetEvent(event_);
        CloseHandle(event_);
    }
    void Release() { SetEvent(event_); }

private:
    HANDLE event_;
};

// A skinned window with a 300 x 200 picture box at (100, 100).
struct Box {
    HWND top = MakeTopLevel(100, 100);
    HWND frame = MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16);
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top, 100, 100, 300, 200, 15);
    int Write(const Bytes& b) const { return SetData(pic, 8, b.data(), static_cast<int>(b.size())); }
    uint32_t Middle() const { return Shoot(top).At(100 + 250, 100 + 150); }
};

class EngineRobust : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Engine().dll, nullptr); }
};

}  // namespace

TEST_F(EngineRobust, HeadersClaimingHugePicturesShowNothingAndTheProcessGoesOn) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"jpeg 12000 x 12000", CraftedJpeg(12000, 12000)},
        {"jpeg 16384 x 16384", CraftedJpeg(16384, 16384)},
        {"jpeg 65535 x 65535", CraftedJpeg(65535, 65535)},
        {"png 16384 x 16384", CraftedPng(16384, 16384)},
        {"png 2^31 - 1 square", CraftedPng(0x7FFFFFFF, 0x7FFFFFFF)},
        {"bmp 30000 x -30000", CraftedBmp(30000, -30000, 32)},
        {"gif 65535 x 65535", CraftedGif(65535, 65535)},
        {"ico 256 x 256 beyond its end", CraftedIcon(false, 256, 256, 0x7FFFFFFF, 22)},
        // Rows declared 2 GiB and 4 GiB beyond the data: the decoder seeks
        // there and reads.
        {"rle8 bmp rows beyond its end", CraftedRunLengthBmp(0x7FFFFF00, false)},
        {"rle4 bmp rows beyond its end", CraftedRunLengthBmp(0xFFFFFF00, true)},
    };
    ASSERT_EQ(cases[0].bytes.size(), 23u);
    Box box;
    ASSERT_TRUE(WaitForFrame(box.top));
    const COLORREF colour = RGB(30, 160, 90);
    const Bytes good = MakePicture(300, 200, L"image/png", colour);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(box.Write(good), 1);
        ASSERT_TRUE(WaitForFrame(box.top));
        ASSERT_TRUE(PixelNear(box.Middle(), OpaquePixel(colour)));
        EngineEvents().clear();
        ASSERT_EQ(box.Write(c.bytes), 1);
        ASSERT_TRUE(WaitForFrame(box.top));
        // Undecodable: the old picture gone, nothing drawn, the host told once.
        EXPECT_EQ(box.Middle(), kComposedBackdrop);
        ASSERT_EQ(EngineEvents().size(), 1u);
        EXPECT_EQ(EngineEvents()[0].code, ENGINE_EVENT_UNDECODABLE);
    }
    Close(box.top);
}

TEST_F(EngineRobust, DecodesRunOnAPoolSizedFromTheProcessorsAndJoinedWithTheLastControl) {
    const COLORREF colours[] = {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200),
                                RGB(200, 200, 30), RGB(30, 200, 200), RGB(200, 30, 200)};
    std::vector<Bytes> large;
    for (COLORREF c : colours) large.push_back(MakePicture(3000, 2000, L"image/jpeg", c));
    {
        // The platform's own threads (imaging, COM) are made once, here.
        Box warm;
        ASSERT_EQ(warm.Write(large[0]), 1);
        ASSERT_TRUE(WaitForFrame(warm.top));
        Close(warm.top);
    }
    const int baseline = ProcessThreads();
    ASSERT_GT(baseline, 0);
    {
        Box box;
        ASSERT_TRUE(WaitForFrame(box.top));
        int most = 0;
        for (const Bytes& b : large) {
            ASSERT_EQ(box.Write(b), 1);
            most = std::max(most, ProcessThreads() - baseline);
        }
        ASSERT_TRUE(WaitFor([&] {
            most = std::max(most, ProcessThreads() - baseline);
            return !FrameInfoOf(box.top).pending;
        }));
        EXPECT_GE(most, 1);
        EXPECT_LE(most, Processors());
        EXPECT_TRUE(PixelNear(box.Middle(), OpaquePixel(colours[5])));
        // Closed while a decode runs: it stops, and when the window (the
        // last control) is gone, so are the workers.
        ASSERT_EQ(box.Write(large[0]), 1);
        Close(box.top);
        EXPECT_EQ(ProcessThreads(), baseline);
    }
}

TEST_F(EngineRobust, RequestsReplacedWhileADecodeRunsAreNeverDecoded) {
    const COLORREF colours[] = {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200),
                                RGB(200, 200, 30), RGB(30, 200, 200), RGB(200, 30, 200)};
    std::vector<Bytes> large;
    for (COLORREF c : colours) large.push_back(MakePicture(3000, 2000, L"image/jpeg", c));
    const size_t decoded = 3000u * 2000u * 4u;
    Box box;
    ASSERT_TRUE(WaitForFrame(box.top));
    const size_t before = PrivateBytes();
    size_t most = 0;
    auto sample = [&] { most = std::max(most, PrivateBytes() - before); };
    {
        // Every decode that reaches its first state stays there while this
        // lives, so whatever ran is still in memory when the last is shown.
        HoldSmallerCopies hold;
        const int frame = FrameInfoOf(box.top).pictureFrame;
        for (const Bytes& b : large) {
            ASSERT_EQ(box.Write(b), 1);
            sample();
        }
        ASSERT_TRUE(WaitFor([&] {
            sample();
            return FrameInfoOf(box.top).pictureFrame > frame;
        }));
        EXPECT_TRUE(PixelNear(box.Middle(), OpaquePixel(colours[5])));
        hold.Release();
        ASSERT_TRUE(WaitFor([&] {
            sample();
            return !FrameInfoOf(box.top).pending;
        }));
    }
    // One decode with the decoder's own copy beside it at the most (the
    // running one stops before the newest starts), never all six at once.
    EXPECT_LT(most, 3 * decoded) << most / 1048576 << " MiB";
    EXPECT_TRUE(PixelNear(box.Middle(), OpaquePixel(colours[5])));
    Close(box.top);
}

TEST_F(EngineRobust, AnEngineUnloadedRightAfterItsLastControlLeavesNothingRunning) {
    // A copy of its own, so that this process's engine stays loaded.
    ScratchFolder dir("vela-unload");
    const std::string copy = dir / "ExuiUnload.dll";
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\ExuiKrnln.dll").c_str(), copy.c_str(), FALSE));
    const Bytes large = MakePicture(3000, 2000, L"image/jpeg", RGB(90, 60, 200));
    HWND top = MakeTopLevel(100, 100);
    HWND host = CreateWindowExA(0, "Static", nullptr, WS_CHILD | WS_VISIBLE, 100, 100, 300, 200, top, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    const int threads = ProcessThreads();
    HMODULE engine = LoadLibraryA(copy.c_str());
    ASSERT_NE(engine, nullptr);
    const ExuiExports copyApi = BindExuiExports(engine);
    const auto create = copyApi.CreateControl_PictureBoxEx;
    const auto send = copyApi.ControlSendMessage;
    const auto destroy = copyApi.ControlDestroy;
    ASSERT_TRUE(create && send && destroy);
    ExuiBindingRecord record{host, 15, 1, 0, nullptr, 0};
    ExuiHandle control = create(0, top, 100, 100, 300, 200, RecordEvent, &record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0);
    ASSERT_NE(control, nullptr);
    ExuiData data{large.data(), static_cast<int32_t>(large.size())};
    ASSERT_EQ(send(control, ENGINE_SET_ATTRIBUTE, 8, reinterpret_cast<INT_PTR>(&data), 0, 0), 1);
    // Destroyed and unloaded while the decode runs: the decode stops and
    // its workers are gone before the library is.
    ASSERT_EQ(destroy(control), 1);
    EXPECT_TRUE(FreeLibrary(engine));
    EXPECT_EQ(GetModuleHandleA("ExuiUnload.dll"), nullptr);
    EXPECT_TRUE(WaitFor([&] { return ProcessThreads() == threads; }, 5000)) << ProcessThreads() << " vs " << threads;
    Close(top);
}

// The same damaged picture decoded again and again (as a folder of broken
// downloads is stepped through, each decoded ahead, shown, and ahead again)
// leaves the process's committed memory where it was: the platform's
// decoder, which keeps memory on each failure under Wine, sees it once.
TEST_F(EngineRobust, DecodingTheSameDamagedPictureAgainKeepsNoMemory) {
    constexpr int kDecodes = 3000;
    constexpr size_t kBound = 2u << 20;
    Bytes gif, png;
    for (const FuzzFile& seed : FuzzSeeds()) {
        if (seed.name == "seed.gif") gif = seed.bytes;
        if (seed.name == "seed.png") png = seed.bytes;
    }
    ASSERT_FALSE(gif.empty() || png.empty());
    Bytes flippedPng = png;
    flippedPng[20] ^= 0x10;  // inside the header chunk: its checksum no longer matches
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"gif cut inside its pixels", Bytes(gif.begin(), gif.begin() + gif.size() * 2 / 3)},
        {"png with a flipped header bit", flippedPng},
        {"png cut inside its pixels", Bytes(png.begin(), png.begin() + png.size() * 2 / 3)},
        {"png 64 x 64 of too few pixels", CraftedPng(64, 64)},
        {"png 16384 x 16384 of too few pixels", CraftedPng(16384, 16384)},
    };
    auto decode = [](const Bytes& b) { return !DecodedByEngine(b).argb.empty(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(decode(c.bytes));  // the first use also fills the platform's caches
        const size_t before = PrivateBytes();
        for (int i = 0; i < kDecodes; ++i) decode(c.bytes);
        const size_t after = PrivateBytes();
        EXPECT_LT(after, before + kBound) << (after - before) / kDecodes << " bytes a decode";
    }
    // Folders of damaged pictures, each file other bytes: GIFs cut at
    // another place inside their pixels, PNGs claiming more rows than their
    // data holds. All undecodable, and none kept memory.
    ASSERT_TRUE(decode(gif));
    const struct {
        const char* what;
        std::function<Bytes(int)> file;
    } folders[] = {
        {"gifs cut", [&](int i) { return Bytes(gif.begin(), gif.end() - 3 - i % (gif.size() / 2)); }},
        {"pngs of too many rows", [](int i) { return CraftedPng(64, 1000 + i); }},
    };
    for (const auto& f : folders) {
        SCOPED_TRACE(f.what);
        const size_t before = PrivateBytes();
        for (int i = 0; i < kDecodes; ++i) ASSERT_FALSE(decode(f.file(i)));
        const size_t after = PrivateBytes();
        EXPECT_LT(after, before + kBound) << (after - before) / kDecodes << " bytes a decode";
    }
}
