#include "engine_harness.h"

#include <cstring>
#include <map>

#include "test_support.h"

namespace vela::test {

namespace {

const char* ClassName(EngineType type) {
    switch (type) {
        case EngineType::WindowEx: return "\"WindowEx\"";
        case EngineType::MinutesboxEx: return "MinutesboxEx";
        case EngineType::PictureBoxEx: return "PictureBoxEx";
        case EngineType::ButtonEx: return "ButtonEx";
        case EngineType::SuperbuttonEx: return "SuperbuttonEx";
    }
    return "";
}

std::map<HWND, std::vector<UINT>>& Seen() {
    static std::map<HWND, std::vector<UINT>> seen;
    return seen;
}

// The control layer's host procedure.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_RBUTTONUP || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_MOUSEMOVE) Seen()[hwnd].push_back(msg);
    switch (msg) {
        case WM_MOVE: Engine().ControPonintSizeSynchronise(hwnd, ENGINE_HOST_MOVED); break;
        case WM_SIZE: Engine().ControPonintSizeSynchronise(hwnd, ENGINE_HOST_RESIZED); break;
        case WM_ERASEBKGND: return 1;
        case WM_NCDESTROY: {
            SetPropA(hwnd, "Tab_WM_DESTROY", reinterpret_cast<HANDLE>(1));
            Seen().erase(hwnd);
            HANDLE h = GetPropA(hwnd, "Tab_Control");
            RemovePropA(hwnd, "hUnit");
            RemovePropA(hwnd, "Tab_WM_DESTROY");
            if (!h) return 0;
            Engine().ControlDestroy(h);
            break;
        }
        default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void RegisterHostClasses() {
    static bool done = false;
    if (done) return;
    for (EngineType t : {EngineType::WindowEx, EngineType::MinutesboxEx, EngineType::PictureBoxEx,
                         EngineType::ButtonEx, EngineType::SuperbuttonEx}) {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ClassName(t);
        RegisterClassA(&wc);
    }
    WNDCLASSA top{};
    top.style = CS_DBLCLKS;
    top.lpfnWndProc = DefWindowProcA;
    top.hInstance = GetModuleHandleA(nullptr);
    top.hCursor = LoadCursor(nullptr, IDC_ARROW);
    top.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    top.lpszClassName = "VelaEngineTestTop";
    RegisterClassA(&top);
    done = true;
}

}  // namespace

const EngineApi& Engine() {
    static EngineApi api = [] {
        HMODULE dll = LoadLibraryA((ProgramFolder() + "\\ExuiKrnln.dll").c_str());
        return EngineApi{BindExuiExports(dll), dll};
    }();
    return api;
}

std::vector<EngineEvent>& EngineEvents() {
    static std::vector<EngineEvent> events;
    return events;
}

int __stdcall RecordEvent(const ExuiControlRecord* control, int code, int a1, int a2, int a3, int a4) {
    EngineEvents().push_back({control ? control->host : nullptr, control ? control->controlId : -1, code, a1, a2, a3, a4});
    return 0;
}

std::vector<UINT>& HostMessagesSeen(HWND host) { return Seen()[host]; }

HWND MakeTopLevel(int left, int top, int width, int height) {
    RegisterHostClasses();
    HWND w = CreateWindowExA(0, "VelaEngineTestTop", "", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             left, top, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(w, SW_SHOW);
    return w;
}

HWND MakeSkinned(EngineType type, HWND parent, int left, int top, int width, int height, int controlId,
                 const void* pack, int64_t packLength) {
    RegisterHostClasses();
    HWND host = CreateWindowExA(WS_EX_TRANSPARENT | WS_EX_TOPMOST, ClassName(type), nullptr, WS_CHILD | WS_VISIBLE,
                                left, top, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                GetModuleHandleA(nullptr), nullptr);
    if (!host) return nullptr;
    SetPropA(host, "hUnit", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(controlId)));
    const int eventBase = type == EngineType::WindowEx ? 11 : 0;
    uint32_t length = 0;
    if (pack && packLength < 0) std::memcpy(&length, static_cast<const char*>(pack) + 4, sizeof length);
    if (pack && packLength >= 0) length = static_cast<uint32_t>(packLength);
    ExuiBindingRecord record{host, controlId, 1, eventBase, pack, length};
    const EngineApi& e = Engine();
    // The zeros each type's create call takes after the record (20, 17, 17, 14, 19).
    switch (type) {
        case EngineType::WindowEx:
            e.CreateControl_WindowEx(0, parent, left, top, width, height, RecordEvent, &record, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            break;
        case EngineType::MinutesboxEx:
            e.CreateControl_MinutesboxEx(0, parent, left, top, width, height, RecordEvent, &record, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            break;
        case EngineType::PictureBoxEx:
            e.CreateControl_PictureBoxEx(0, parent, left, top, width, height, RecordEvent, &record, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            break;
        case EngineType::ButtonEx:
            e.CreateControl_ButtonEx(0, parent, left, top, width, height, RecordEvent, &record, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, 0, 0, 0);
            break;
        case EngineType::SuperbuttonEx:
            e.CreateControl_SuperbuttonEx(0, parent, left, top, width, height, RecordEvent, &record, 0, 0, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            break;
    }
    return host;
}

PictureWindow MakePictureWindow(int left, int top, int width, int height) {
    PictureWindow w;
    w.top = MakeTopLevel();
    MakeSkinned(EngineType::WindowEx, w.top, 4, 4, 24, 24, 16);
    w.picture = MakeSkinned(EngineType::PictureBoxEx, w.top, left, top, width, height, 15);
    return w;
}

ExuiPreparedInfo PreparedInfo() {
    ExuiPreparedInfo info{-1, -1, -1, -1};
    if (auto inspect = Engine().ExuiInspectPrepared) inspect(&info);
    return info;
}

void PictureWindowTest::SetUp() {
    ASSERT_NE(Engine().dll, nullptr);
    ASSERT_NE(Engine().PreparePictures, nullptr);
    const PictureWindow window = MakePictureWindow(100, 100, viewWidth_, viewHeight_);
    top_ = window.top;
    pic_ = window.picture;
    ASSERT_TRUE(WaitForFrame(top_));
}

void PictureWindowTest::TearDown() {
    if (Engine().PreparePictures) Engine().PreparePictures(nullptr, 0);
    if (top_) Close(top_);
}

ExuiHandle HandleOf(HWND host) { return GetPropA(host, "Tab_Control"); }

int SetInt(HWND host, int index, int value) {
    int32_t v = value;
    return Engine().ControlSendMessage(HandleOf(host), ENGINE_SET_ATTRIBUTE, index, reinterpret_cast<INT_PTR>(&v), 0, 0);
}

int SetText(HWND host, int index, const char* text) {
    const char* t = text;
    return Engine().ControlSendMessage(HandleOf(host), ENGINE_SET_ATTRIBUTE, index, reinterpret_cast<INT_PTR>(&t), 0, 0);
}

int SetData(HWND host, int index, const void* data, int length) {
    ExuiData d{data, length};
    return Engine().ControlSendMessage(HandleOf(host), ENGINE_SET_ATTRIBUTE, index, reinterpret_cast<INT_PTR>(&d), 0, 0);
}

Bytes TextPayload(const std::string& text) {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    return b;
}

Bytes BuildPack(const std::vector<PackEntry>& entries) {
    Bytes out(16, 0);
    auto put32 = [&](Bytes& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    memcpy(out.data(), EXPK_MAGIC, 4);
    out[8] = EXPK_VERSION;
    out[10] = static_cast<unsigned char>(entries.size());
    out[11] = static_cast<unsigned char>(entries.size() >> 8);
    for (const PackEntry& e : entries) {
        const size_t at = out.size();
        out.resize(at + 8);
        out[at] = static_cast<unsigned char>(e.tag);
        out[at + 1] = static_cast<unsigned char>(e.tag >> 8);
        out[at + 2] = static_cast<unsigned char>(e.slot);
        out[at + 3] = static_cast<unsigned char>(e.slot >> 8);
        put32(out, at + 4, static_cast<uint32_t>(e.payload.size()));
        out.insert(out.end(), e.payload.begin(), e.payload.end());
        while (out.size() % 4) out.push_back(0);
    }
    put32(out, 4, static_cast<uint32_t>(out.size()));
    return out;
}

bool WaitForFrame(HWND top, DWORD timeoutMs) {
    return WaitFor(
        [&] {
            ExuiFrameInfo info{};
            return Engine().ExuiInspectFrame(top, &info) && info.frames > 0 && !info.pending;
        },
        timeoutMs);
}

bool Settle(HWND top, DWORD timeoutMs) {
    return WaitFor(
        [&] {
            MSG m;
            return !PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE) && !FrameInfoOf(top).pending;
        },
        timeoutMs);
}

FrameShot Shoot(HWND top) {
    FrameShot shot;
    ExuiFrameInfo info{};
    if (!Engine().ExuiInspectFrame(top, &info) || info.width <= 0) return shot;
    shot.pixels.assign(static_cast<size_t>(info.width) * info.height, 0xDEADBEEF);
    info.pixels = shot.pixels.data();
    info.capacity = static_cast<int32_t>(shot.pixels.size() * 4);
    Engine().ExuiInspectFrame(top, &info);
    shot.width = info.width;
    shot.height = info.height;
    shot.frames = info.frames;
    return shot;
}

void Close(HWND window) {
    DestroyWindow(window);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

}  // namespace vela::test

namespace vela::test {

const void* ViewerPack(const char* name) {
    static HMODULE exe = LoadLibraryExA((ProgramFolder() + "\\VelaViewer.exe").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE);
    if (!exe) return nullptr;
    HRSRC r = FindResourceA(exe, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!r) return nullptr;
    return LockResource(LoadResource(exe, r));
}

SkinnedMain MakeSkinnedMain(int left, int top, int width, int height) {
    SkinnedMain m;
    m.top = MakeTopLevel(left, top, width, height);
    // The form's creation order: earlier child windows lie above later ones.
    m.settings = MakeSkinned(EngineType::SuperbuttonEx, m.top, 512, 8, 30, 30, 2, ViewerPack("SettingsButton"));
    m.minimize = MakeSkinned(EngineType::ButtonEx, m.top, 544, 8, 30, 30, 3, ViewerPack("MinimizeButton"));
    m.maximize = MakeSkinned(EngineType::ButtonEx, m.top, 576, 8, 30, 30, 4, ViewerPack("MaximizeButton"));
    m.close = MakeSkinned(EngineType::ButtonEx, m.top, 608, 8, 30, 30, 5, ViewerPack("CloseButton"));
    m.previous = MakeSkinned(EngineType::SuperbuttonEx, m.top, 8, 176, 30, 90, 6, ViewerPack("PreviousButton"));
    m.next = MakeSkinned(EngineType::SuperbuttonEx, m.top, 608, 168, 30, 90, 7, ViewerPack("NextButton"));
    m.toolbar = MakeSkinned(EngineType::MinutesboxEx, m.top, 168, 360, 300, 50, 8, ViewerPack("Toolbar"));
    m.rotate = MakeSkinned(EngineType::SuperbuttonEx, m.toolbar, 250, 0, 50, 50, 9, ViewerPack("RotateButton"));
    m.remove = MakeSkinned(EngineType::SuperbuttonEx, m.toolbar, 200, 0, 50, 50, 10, ViewerPack("DeleteButton"));
    m.save = MakeSkinned(EngineType::SuperbuttonEx, m.toolbar, 150, 0, 50, 50, 11, ViewerPack("SaveButton"));
    m.zoomOut = MakeSkinned(EngineType::SuperbuttonEx, m.toolbar, 100, 0, 50, 50, 12, ViewerPack("ZoomOutButton"));
    m.zoomRatio = MakeSkinned(EngineType::SuperbuttonEx, m.toolbar, 50, 0, 50, 50, 13, ViewerPack("ZoomRatioButton"));
    m.zoomIn = MakeSkinned(EngineType::SuperbuttonEx, m.toolbar, 0, 0, 50, 50, 14, ViewerPack("ZoomInButton"));
    m.picture = MakeSkinned(EngineType::PictureBoxEx, m.top, 280, 144, 128, 120, 15, ViewerPack("PictureView"));
    m.frame = MakeSkinned(EngineType::WindowEx, m.top, 4, 4, 24, 24, 16, ViewerPack("SkinFrame"));
    return m;
}

}  // namespace vela::test

namespace vela::test {

Pixels DecodedByEngine(const Bytes& b) {
    Pixels out;
    ExuiPixels px{};
    ExuiPixelsHandle h = Engine().DecodePicturePixels(b.data(), static_cast<int32_t>(b.size()), &px);
    if (!h) return out;
    out.width = px.width;
    out.height = px.height;
    for (int y = 0; y < px.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(px.bits) + y * px.stride);
        out.argb.insert(out.argb.end(), row, row + px.width);
    }
    Engine().FreePicturePixels(h);
    return out;
}

}  // namespace vela::test
