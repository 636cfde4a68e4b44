// Long runs of the real viewer, not part of CI (scripts/long_run.sh):
//   long_run fuzz [files] [seed] [kind] [damage]
//                                 steps with Right through a folder of damaged
//                                 and crafted pictures (tests/support/fuzz_corpus),
//                                 all of them or only one kind (jpg, png, gif,
//                                 bmp, ico, webp, heic, avif, jxl) and one damage (cut, flip,
//                                 run, header; "all" for any), prints private
//                                 memory every 500 steps, then faults, peak
//                                 memory and PASS when memory stays flat;
//   long_run soak [steps] [large] steps back and forth through a folder of
//                                 small pictures and a few large ones and prints
//                                 private memory and handle counts every 1,000 steps,
//                                 then PASS when they stay flat (bounds in Soak);
//   long_run corpus <folder> [files] [seed]  writes the fuzz run's files there.
// A fault is the viewer ending, showing a message box, or not taking a step
// within 30 s; the run then starts the viewer again at the next file.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "fuzz_corpus.h"
#include "test_support.h"
#include "viewer_driver.h"

using namespace vela::test;
using vela::bench::NowMs;

namespace {

std::wstring Title(const std::string& name) { return std::wstring(name.begin(), name.end()) + L"—Vela图片查看器"; }

// The names the viewer lists, in its order (the folder's, by name).
bool Listed(const std::string& name) {
    for (const char* s : {".jpg", ".bmp", ".ico", ".png", ".gif", ".webp", ".heic", ".avif", ".jxl"})
        if (name.find(s) != std::string::npos) return true;
    return false;
}

struct Figures {
    size_t privateBytes = 0, peakPrivate = 0;
    double addressSpaceMiB = 0;  // reserved or committed: what leaks that are never touched take
    DWORD handles = 0, gdi = 0, user = 0, threads = 0;
};

// Handles of a process from the system's handle table (Wine answers 0 to
// GetProcessHandleCount for another process).
DWORD HandlesOf(DWORD pid) {
    using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    static const auto query =
        reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    struct Entry {
        USHORT process, backTrace;
        UCHAR type, attributes;
        USHORT value;
        void* object;
        ULONG access;
    };
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    for (int i = 0; i < 6; ++i) {
        const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) break;
        if (status != static_cast<LONG>(0xC0000004)) return 0;  // not "length mismatch"
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    DWORD n = 0;
    for (ULONG i = 0; i < count && sizeof(void*) + (i + 1) * sizeof(Entry) <= buffer.size(); ++i)
        if (entries[i].process == static_cast<USHORT>(pid)) ++n;
    return n;
}

// Committed private memory now and at its peak (Wine reports it as the
// page-file usage and its peak is not always kept, hence the larger of the two).
size_t PeakMemoryOf(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p) return 0;
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    const BOOL ok = GetProcessMemoryInfo(p, &pmc, sizeof pmc);
    CloseHandle(p);
    return ok ? std::max(pmc.PagefileUsage, pmc.PeakPagefileUsage) : 0;
}

Figures Measure(DWORD pid) {
    Figures f;
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p) return f;
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    // Committed private memory: Wine reports it as the page-file usage.
    if (GetProcessMemoryInfo(p, &pmc, sizeof pmc)) {
        f.privateBytes = pmc.PagefileUsage;
        f.peakPrivate = pmc.PeakPagefileUsage;
    }
    if (!GetProcessHandleCount(p, &f.handles) || f.handles == 0) f.handles = HandlesOf(pid);
    f.addressSpaceMiB = vela::test::AddressSpaceInUseMiB(p);
    f.gdi = GetGuiResources(p, GR_GDIOBJECTS);
    f.user = GetGuiResources(p, GR_USEROBJECTS);
    CloseHandle(p);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        THREADENTRY32 t{};
        t.dwSize = sizeof t;
        for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
            if (t.th32OwnerProcessID == pid) ++f.threads;
        CloseHandle(snap);
    }
    return f;
}

// One viewer over a folder of names; Step moves to `to` with the key and
// waits for its title. Faults restart the viewer at `to`.
class Stepper {
public:
    Stepper(const ScratchFolder& dir) : dir_(dir) {}
    ~Stepper() { Stop(); }
    bool Open(const std::string& name) {
        Stop();
        viewer_ = new Viewer;
        if (!viewer_->Start(Quoted(dir_ / name)) || !viewer_->Main()) return false;
        // Keys are taken once the folder list exists: after the first fit,
        // which the zoom caption shows.
        return viewer_->WaitTitle(Title(name), 30000) &&
               WaitFor([&] {
                   const std::wstring zoom = viewer_->ControlText(kZoomRatioButton);
                   return !zoom.empty() && zoom.back() == L'%';
               }, 30000);
    }
    // False on a fault (counted), the viewer then showing `to` afresh.
    bool Step(UINT key, const std::string& to) {
        viewer_->KeyRelease(viewer_->Control(kPictureView), key, true);
        const std::wstring want = Title(to);
        bool ok = WaitFor(
            [&] { return viewer_->Title() == want || viewer_->WaitExit(0) != STILL_ACTIVE ||
                         FindMessageBox(viewer_->ProcessId()); },
            30000);
        ok = ok && viewer_->Title() == want;
        peak_ = std::max(peak_, PeakMemoryOf(viewer_->ProcessId()));
        if (ok) return true;
        ++faults_;
        const DWORD code = viewer_->WaitExit(0);
        std::printf("fault stepping to %s: %s (exit code %ld)\n", to.c_str(),
                    code != STILL_ACTIVE ? "ended" : FindMessageBox(viewer_->ProcessId()) ? "message box" : "no step",
                    static_cast<long>(code));
        std::fflush(stdout);
        Open(to);
        return false;
    }
    bool Close() {
        if (!viewer_) return false;
        viewer_->Click(viewer_->Control(kCloseButton));
        const bool clean = viewer_->WaitExit() == 0;
        Stop();
        return clean;
    }
    DWORD Pid() const { return viewer_ ? viewer_->ProcessId() : 0; }
    int Faults() const { return faults_; }
    size_t Peak() const { return peak_; }

private:
    void Stop() {
        if (!viewer_) return;
        peak_ = std::max(peak_, PeakMemoryOf(viewer_->ProcessId()));
        viewer_->Kill();
        delete viewer_;
        viewer_ = nullptr;
    }
    const ScratchFolder& dir_;
    Viewer* viewer_ = nullptr;
    int faults_ = 0;
    size_t peak_ = 0;
};

// Flat, for the soak and the fuzz run alike: from the checkpoint at 1,000
// steps on (the first thousand fill the caches and the heaps), the largest
// and smallest private memory of all checkpoints differ by less than this; a
// growth of a few hundred bytes a step shows as several MiB over the run.
constexpr double kPrivateSpreadMiB = 8;
constexpr int kFirstJudgedStep = 1000;

// The largest less the smallest of a figure over the checkpoints.
template <typename Field>
double Spread(const std::vector<Figures>& checkpoints, Field field) {
    double low = 0, high = 0;
    for (size_t i = 0; i < checkpoints.size(); ++i) {
        const double v = static_cast<double>(field(checkpoints[i]));
        low = i ? std::min(low, v) : v;
        high = i ? std::max(high, v) : v;
    }
    return high - low;
}

double PrivateSpreadMiB(const std::vector<Figures>& checkpoints) {
    return Spread(checkpoints, [](const Figures& f) { return f.privateBytes; }) / 1048576.0;
}

int Fuzz(int files, uint32_t seed, const std::string& kind, const std::string& damage) {
    ScratchFolder dir("vela-fuzz");
    std::vector<std::string> names;
    const bool everything = kind == "all" && damage == "all";
    const FuzzKeep keep = [&](const std::string& ext, const std::string& how) {
        return (kind == "all" || ext == "." + kind) && (damage == "all" || how == damage);
    };
    for (const FuzzFile& f : everything ? MakeFuzzCorpus(seed, files) : MakeFuzzCorpus(seed, files, keep)) {
        WriteBytes(dir / f.name, f.bytes);
        if (Listed(f.name)) names.push_back(f.name);
    }
    std::sort(names.begin(), names.end());
    std::printf("fuzz: %d files made from seed %u (kind %s, damage %s), %zu of them listed by the viewer\n", files,
                seed, kind.c_str(), damage.c_str(), names.size());
    const double t0 = NowMs();
    Stepper s(dir);
    if (names.empty() || !s.Open(names[0])) return 1;
    std::vector<Figures> checkpoints;
    int stepped = 1;
    for (size_t i = 1; i < names.size(); ++i) {
        s.Step(VK_RIGHT, names[i]);
        ++stepped;
        if (stepped % 500 == 0) {
            // Damaged files take the decoders' failure paths: what they keep
            // shows here as growth.
            const Figures m = Measure(s.Pid());
            if (stepped >= kFirstJudgedStep) checkpoints.push_back(m);
            std::printf("  %d stepped, %d faults; private %.1f MiB, address space %.0f MiB, handles %lu, threads "
                        "%lu, %.0f s\n",
                        stepped, s.Faults(), m.privateBytes / 1048576.0, m.addressSpaceMiB, m.handles, m.threads,
                        (NowMs() - t0) / 1000);
            std::fflush(stdout);
        }
    }
    const int faults = s.Faults();
    const bool clean = s.Close();
    std::printf("fuzz: files stepped %d, faults %d, peak private memory %.1f MiB, closed with exit code 0: %s, %.0f s\n",
                stepped, faults, s.Peak() / 1048576.0, clean ? "yes" : "no", (NowMs() - t0) / 1000);
    const double spread = PrivateSpreadMiB(checkpoints);
    const bool flat = checkpoints.size() >= 2 && spread < kPrivateSpreadMiB;
    std::printf("fuzz: from 1,000 steps on, private memory varies by %.1f MiB (bound %.0f): %s\n", spread,
                kPrivateSpreadMiB, checkpoints.size() < 2 ? "too few steps to tell" : flat ? "flat" : "not flat");
    const bool pass = faults == 0 && clean && flat;
    std::printf("fuzz: %s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

int Soak(int steps, int large) {
    ScratchFolder dir("vela-soak");
    std::vector<std::string> names;
    // Mostly small pictures of every kind, a few large photos spread among
    // them. 51 in all: one way and back is 100 steps, so every checkpoint
    // finds the first picture shown, small and far from the large ones
    // (whose decodes, shown or prepared ahead, hold 50 MiB more).
    large = std::clamp(large, 0, 10);
    const int small = 51 - large;
    const int stride = large ? (small + large) / large : 1;
    for (int i = 0; i < small + large; ++i) {
        char name[32];
        const bool big = large > 0 && i % stride == stride / 2 && i / stride < large;
        const char* ext = big ? "jpg" : (i % 4 == 0 ? "png" : i % 4 == 1 ? "gif" : i % 4 == 2 ? "bmp" : "jpg");
        wsprintfA(name, "%03d.%s", i, ext);
        const COLORREF colour = RGB(37 * i % 256, 91 * i % 256, 53 * i % 256);
        vela::Bytes b = big ? MakePicture(4000, 3000, L"image/jpeg", colour)
                       : i % 4 == 0 ? MakePicture(640 + i, 480, L"image/png", colour)
                       : i % 4 == 1 ? MakeGif(320, 240 + i, colour)
                       : i % 4 == 2 ? MakePicture(300, 200 + i, L"image/bmp", colour)
                                    : MakePicture(1024, 768 + i, L"image/jpeg", colour);
        WriteBytes(dir / name, b);
        names.push_back(name);
    }
    std::printf("soak: %d steps back and forth through %d pictures (%d of them 4000 x 3000)\n", steps,
                small + large, large);
    std::printf("%8s %12s %8s %6s %6s %8s %8s\n", "steps", "private MiB", "handles", "GDI", "USER", "threads",
                "seconds");
    const double t0 = NowMs();
    Stepper s(dir);
    if (!s.Open(names[0])) return 1;
    auto print = [&](int n) {
        const Figures f = Measure(s.Pid());
        std::printf("%8d %12.1f %8lu %6lu %6lu %8lu %8.0f\n", n, f.privateBytes / 1048576.0, f.handles, f.gdi, f.user,
                    f.threads, (NowMs() - t0) / 1000);
        std::fflush(stdout);
        return f;
    };
    print(0);
    // Flat: from the checkpoint at 1,000 steps on, every figure varies by
    // less than its bound (kPrivateSpreadMiB for private memory).
    constexpr DWORD kHandleSpread = 16, kObjectSpread = 16, kThreadSpread = 2;
    std::vector<Figures> checkpoints;
    size_t at = 0;
    int direction = 1;
    for (int n = 1; n <= steps; ++n) {
        if ((direction > 0 && at + 1 == names.size()) || (direction < 0 && at == 0)) direction = -direction;
        at += direction;
        s.Step(direction > 0 ? VK_RIGHT : VK_LEFT, names[at]);
        if (n % kFirstJudgedStep == 0) checkpoints.push_back(print(n));
    }
    auto spread = [&](auto field) { return Spread(checkpoints, field); };
    const double privateSpread = PrivateSpreadMiB(checkpoints);
    const double handles = spread([](const Figures& f) { return f.handles; });
    const double objects = std::max(spread([](const Figures& f) { return f.gdi; }), spread([](const Figures& f) { return f.user; }));
    const double threads = spread([](const Figures& f) { return f.threads; });
    const bool flat = checkpoints.size() >= 2 && privateSpread < kPrivateSpreadMiB && handles <= kHandleSpread &&
                      objects <= kObjectSpread && threads <= kThreadSpread;
    const int faults = s.Faults();
    const bool clean = s.Close();
    std::printf("soak: faults %d, peak private memory %.1f MiB, closed with exit code 0: %s\n", faults,
                s.Peak() / 1048576.0, clean ? "yes" : "no");
    std::printf("soak: from 1,000 steps on, private memory varies by %.1f MiB (bound %.0f), handles by %.0f (%lu), "
                "GDI/USER objects by %.0f (%lu), threads by %.0f (%lu): %s\n",
                privateSpread, kPrivateSpreadMiB, handles, kHandleSpread, objects, kObjectSpread, threads, kThreadSpread,
                flat ? "flat" : "not flat");
    const bool pass = faults == 0 && clean && flat;
    std::printf("soak: %s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

// The corpus of a fuzz run written into a folder, to look at the files of
// a fault again (the run's own folder is removed when it ends).
int Corpus(const char* folder, int files, uint32_t seed) {
    CreateDirectoryA(folder, nullptr);
    for (const FuzzFile& f : MakeFuzzCorpus(seed, files)) WriteBytes(std::string(folder) + "\\" + f.name, f.bytes);
    std::printf("corpus: %d files made from seed %u in %s\n", files, seed, folder);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "corpus" && argc > 2)
        return Corpus(argv[2], argc > 3 ? std::atoi(argv[3]) : 3000, argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 1);
    if (mode == "fuzz")
        return Fuzz(argc > 2 ? std::atoi(argv[2]) : 3000, argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1,
                    argc > 4 ? argv[4] : "all", argc > 5 ? argv[5] : "all");
    if (mode == "soak") return Soak(argc > 2 ? std::atoi(argv[2]) : 10000, argc > 3 ? std::atoi(argv[3]) : 2);
    std::printf("usage: long_run fuzz [files] [seed] [kind] [damage] | long_run soak [steps] [large pictures] |\n"
                "       long_run corpus <folder> [files] [seed]\n");
    return 2;
}
