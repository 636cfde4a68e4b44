#include "files/prepare_ahead.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>
#include <vector>

#include "files/paths.h"
#include "files/picture_list.h"
#include "imaging/header_measure.h"
#include "imaging/imaging.h"
#include "forms/forms.h"
#include "skin/engine.h"
#include "runtime/unique.h"
#include "view/view.h"
#include "view/view_math.h"

namespace vela {
namespace {

// What a neighbour's fitted view follows from.
struct WindowFit {
    int width = 0;
    int height = 0;
    double margin = 0;
};

// The request shared with the background thread. The thread reads no
// process-wide value of the UI thread: it gets its paths here.
struct Request {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    std::vector<Path> paths;  // the newest request, not taken yet
    // The window's size and the fit's margin when it was made: a picture's
    // view size follows from them and its header, as the step's fit finds it.
    WindowFit window;
    bool pending = false;
    bool stopping = false;
    unsigned generation = 0;  // counts requests: a worker on an older one stops
    HANDLE thread = nullptr;  // UI thread only
};
Request g_request;

bool StillWanted(unsigned generation) {
    AcquireSRWLockShared(&g_request.lock);
    const bool wanted = !g_request.stopping && g_request.generation == generation;
    ReleaseSRWLockShared(&g_request.lock);
    return wanted;
}

// The view a picture will be fitted to in a window of this width: known
// when its header gives its size, else 0 x 0.
ExuiFittedPicture Fitted(const Bytes& picture, const WindowFit& window) {
    ExuiFittedPicture out{ExuiData{picture.data(), static_cast<int32_t>(picture.size())}, 0, 0};
    int width = 0, height = 0;
    if (window.width > 0 && window.height > 0 && imaging::MeasureFromHeader(picture, &width, &height)) {
        const view::Size view = view::FitWhole(width, height, window.width, window.height, window.margin).size;
        out.viewWidth = view.width;
        out.viewHeight = view.height;
    }
    return out;
}

// The engine's prepared set becomes the pictures read so far for the
// current request, each with the view it will be fitted to when the engine
// can make that view's copy ahead.
void HandToEngine(const std::vector<Bytes>& pictures, unsigned generation, const WindowFit& window) {
    const skin::Engine& engine = skin::CurrentEngine();
    if (!StillWanted(generation)) return;
    if (engine.PreparePicturesFitted) {
        std::vector<ExuiFittedPicture> fitted;
        for (const Bytes& b : pictures) fitted.push_back(Fitted(b, window));
        engine.PreparePicturesFitted(fitted.data(), static_cast<int32_t>(fitted.size()));
        return;
    }
    if (!engine.PreparePictures) return;
    std::vector<ExuiData> blocks;
    for (const Bytes& b : pictures) blocks.push_back(ExuiData{b.data(), static_cast<int32_t>(b.size())});
    engine.PreparePictures(blocks.data(), static_cast<int32_t>(blocks.size()));
}

// One after the other, so that no two whole decodes of a large picture
// hold their memory at once: each neighbour read and measured (one shown
// before is remembered already), then the engine's decodes, which it runs
// one at a time.
void PrepareAll(const std::vector<Path>& paths, unsigned generation, const WindowFit& window) {
    std::vector<Bytes> read;
    for (const Path& path : paths) {
        if (!StillWanted(generation)) return;
        Bytes bytes = ReadWholeFile(path);
        if (bytes.empty() || !StillWanted(generation)) continue;
        MeasureAhead(bytes);
        read.push_back(std::move(bytes));
    }
    HandToEngine(read, generation, window);
}

DWORD WINAPI PrepareThread(void*) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
    for (;;) {
        AcquireSRWLockExclusive(&g_request.lock);
        while (!g_request.stopping && !g_request.pending)
            SleepConditionVariableSRW(&g_request.wake, &g_request.lock, INFINITE, 0);
        if (g_request.stopping) {
            ReleaseSRWLockExclusive(&g_request.lock);
            return 0;
        }
        std::vector<Path> paths;
        paths.swap(g_request.paths);
        g_request.pending = false;
        const unsigned generation = g_request.generation;
        const WindowFit window = g_request.window;
        ReleaseSRWLockExclusive(&g_request.lock);
        try {
            PrepareAll(paths, generation, window);
        } catch (const std::exception&) {
            // No memory for a neighbour: it is simply decoded when shown.
        }
    }
}

HANDLE g_startMeasure = nullptr;  // UI thread only

// From about this size on, GDI+ takes longer to measure a picture than the
// viewer takes to build its window.
constexpr DWORD kLargePictureBytes = 2u << 20;
// How long start-up lets a large picture's thread run ahead before it loads
// the engine: long enough to get past the loader's lock, short against the
// measurement it starts.
constexpr DWORD kStartThreadHeadStartMs = 200;

struct StartMeasure {
    Path path;
    HANDLE running = nullptr;  // the thread's own handle of the event: set, then closed, by it
};

// What the start picture's thread read, kept for the start window. Set by
// the thread once it is done with the bytes (or keeps none); the window
// thread waits for it only while the thread runs.
struct StartBytes {
    SRWLOCK lock = SRWLOCK_INIT;
    Path path;    // under the lock
    Bytes bytes;  // under the lock
    HANDLE done = nullptr;  // made before the thread, closed never (the process's one)
};
StartBytes g_startBytes;

void KeepStartBytes(const Path& path, Bytes&& bytes) {
    AcquireSRWLockExclusive(&g_startBytes.lock);
    g_startBytes.path = path;
    g_startBytes.bytes = std::move(bytes);
    ReleaseSRWLockExclusive(&g_startBytes.lock);
}

// Set once the engine is loaded: its exports may be read from here on.
// Made before the start thread, closed never (the process's one).
HANDLE g_engineReady = nullptr;
// The engine is loaded well within this; a start that takes longer hands
// the window its bytes to decode as usual.
constexpr DWORD kEngineWaitMs = 5000;

// Set on the UI thread by the first request for neighbours: the start
// picture is shown by then, and handing it to the engine would only replace
// the neighbours' preparation with its own.
std::atomic<bool> g_neighboursAsked{false};

// The start picture's decode, begun in the engine's prepared set: the
// window's write of equal bytes takes that decode over or waits for it.
void HandStartPictureToEngine(const Bytes& bytes) {
    if (!g_engineReady || WaitForSingleObject(g_engineReady, kEngineWaitMs) != WAIT_OBJECT_0) return;
    if (g_neighboursAsked.load()) return;
    if (const auto prepare = skin::CurrentEngine().PreparePictures) {
        const ExuiData block{bytes.data(), static_cast<int32_t>(bytes.size())};
        prepare(&block, 1);
    }
}

DWORD WINAPI MeasureStartThread(void* parameter) {
    const std::unique_ptr<StartMeasure> start(static_cast<StartMeasure*>(parameter));
    SetEvent(start->running);
    CloseHandle(start->running);
    try {
        Bytes bytes = ReadWholeFile(start->path);
        int width = 0, height = 0;
        if (imaging::MeasureFromHeader(bytes, &width, &height)) {
            // The window's write of these bytes then takes the engine's
            // decode of them over.
            HandStartPictureToEngine(bytes);
            KeepStartBytes(start->path, std::move(bytes));
        } else if (!bytes.empty()) {
            // The window does not wait for this measurement: it reads the
            // file itself, and its own measurement waits for this one.
            SetEvent(g_startBytes.done);
            MeasureAhead(std::move(bytes));
        }
    } catch (const std::exception&) {
        // No memory: the start window reads and measures the picture itself.
    }
    SetEvent(g_startBytes.done);
    return 0;
}

void WaitForStartMeasure() {
    if (!g_startMeasure) return;
    WaitForSingleObject(g_startMeasure, INFINITE);
    CloseHandle(g_startMeasure);
    g_startMeasure = nullptr;
}

}  // namespace

void MeasureStartPicture(PathView path) {
    if (path.empty() || g_startMeasure) return;
    // Started beside the engine's loading and the window's creation, even for
    // a small file: GDI+'s own start-up (its libraries and codecs) is most of
    // a small picture's measurement.
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (!GetFileAttributesExW(ExtendedLengthPath(path).c_str(), GetFileExInfoStandard, &file) ||
        (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    if (!g_engineReady) g_engineReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!g_startBytes.done) g_startBytes.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!g_startBytes.done) return;
    std::unique_ptr<StartMeasure> start;
    try {
        start = std::make_unique<StartMeasure>();
        start->path = path;
    } catch (const std::exception&) {
        return;
    }
    // The thread sets and closes its own handle of the event; this one
    // waits on another.
    const Unique<HANDLE, CloseHandle> running(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!running || !DuplicateHandle(GetCurrentProcess(), running.Get(), GetCurrentProcess(), &start->running, 0,
                                     FALSE, DUPLICATE_SAME_ACCESS))
        return;
    g_startMeasure = CreateThread(nullptr, 0, MeasureStartThread, start.get(), 0, nullptr);
    if (!g_startMeasure) {
        CloseHandle(start->running);
        return;
    }
    start.release();
    // A new thread first waits for the loader's lock, and loading the
    // engine holds it for a while. A large picture's measurement is what
    // the first frame waits for: it gets past that point before the engine
    // is loaded. A small one is done long before the window is built.
    if (file.nFileSizeHigh != 0 || file.nFileSizeLow >= kLargePictureBytes)
        WaitForSingleObject(running.Get(), kStartThreadHeadStartMs);
}

void EngineReadyForStartPicture() {
    if (g_engineReady) SetEvent(g_engineReady);
}

Bytes StartPictureBytes(PathView path) {
    if (g_startMeasure) WaitForSingleObject(g_startBytes.done, INFINITE);
    Bytes bytes;
    AcquireSRWLockExclusive(&g_startBytes.lock);
    const bool kept = !g_startBytes.bytes.empty() && g_startBytes.path == path;
    if (kept) bytes.swap(g_startBytes.bytes);
    ReleaseSRWLockExclusive(&g_startBytes.lock);
    return kept ? bytes : ReadWholeFile(path);
}

void PrepareNeighbours() {
    g_neighboursAsked.store(true);
    if (CurrentIndex < 1 || CurrentIndex > static_cast<int>(PictureList.size())) return;
    const Path& current = PictureList[CurrentIndex - 1];
    std::vector<Path> paths;
    try {
        // The next one first: stepping forward is the common way.
        if (CurrentIndex < static_cast<int>(PictureList.size()) && PictureList[CurrentIndex] != current)
            paths.push_back(PictureList[CurrentIndex]);
        if (CurrentIndex > 1 && PictureList[CurrentIndex - 2] != current) paths.push_back(PictureList[CurrentIndex - 2]);
    } catch (const std::exception&) {
        return;
    }
    const WindowFit window{forms::GetInt(forms::Ctl::MainWindow, forms::prop::Width),
                           forms::GetInt(forms::Ctl::MainWindow, forms::prop::Height), LayoutMargin()};
    AcquireSRWLockExclusive(&g_request.lock);
    g_request.paths.swap(paths);
    g_request.window = window;
    g_request.pending = true;
    ++g_request.generation;
    ReleaseSRWLockExclusive(&g_request.lock);
    WakeConditionVariable(&g_request.wake);
    if (!g_request.thread) g_request.thread = CreateThread(nullptr, 0, PrepareThread, nullptr, 0, nullptr);
}

void PrepareNeighboursOnceShown() { forms::AfterQueuedMessages(PrepareNeighbours); }

void StopPreparingAhead() {
    WaitForStartMeasure();
    if (!g_request.thread) return;
    AcquireSRWLockExclusive(&g_request.lock);
    g_request.stopping = true;
    ReleaseSRWLockExclusive(&g_request.lock);
    WakeConditionVariable(&g_request.wake);
    WaitForSingleObject(g_request.thread, INFINITE);
    CloseHandle(g_request.thread);
    g_request.thread = nullptr;
    AcquireSRWLockExclusive(&g_request.lock);
    g_request.stopping = false;
    g_request.pending = false;
    g_request.paths.clear();
    ReleaseSRWLockExclusive(&g_request.lock);
    if (const auto prepare = skin::CurrentEngine().PreparePictures) prepare(nullptr, 0);
}

}  // namespace vela
