#include "engine_harness.h"

#include <cstring>
#include <map>

#include "byte_fields.h"
#include "skin/engine.h"
#include "test_support.h"

namespace vela::test {

namespace {

constexpr EngineType kTypes[] = {EngineType::WindowEx, EngineType::MinutesboxEx, EngineType::PictureBoxEx,
                                 EngineType::ButtonEx, EngineType::SuperbuttonEx};

std::map<HWND, std::vector<UINT>>& Seen() {
    static std::map<HWND, std::vector<UINT>> seen;
    return seen;
}

// Each control is made under a form number of its own, so that an event the
// layer passes on (form and control number) names its host and event base.
struct MadeControl {
    HWND host = nullptr;
    int eventBase = 0;
};
std::map<int, MadeControl>& Made() {
    static std::map<int, MadeControl> made;
    return made;
}

int RaiseRecorded(int formId, int controlId, int event, int count, const int* args) {
    const auto it = Made().find(formId);
    if (it == Made().end()) return 0;
    int a[4] = {};
    for (int i = 0; i < count && i < 4; ++i) a[i] = args[i];
    EngineEvents().push_back(
        {it->second.host, controlId, event - it->second.eventBase + ENGINE_EVENT_FIRST, a[0], a[1], a[2], a[3]});
    return 0;
}

void ForgetDestroyed(int formId, int) { Made().erase(formId); }

// The layer's type of a form's skinned control type.
EngineType SkinTypeOf(forms::ControlType type) {
    switch (type) {
        case forms::ControlType::WindowEx: return EngineType::WindowEx;
        case forms::ControlType::MinutesboxEx: return EngineType::MinutesboxEx;
        case forms::ControlType::PictureBoxEx: return EngineType::PictureBoxEx;
        case forms::ControlType::ButtonEx: return EngineType::ButtonEx;
        default: return EngineType::SuperbuttonEx;
    }
}

// The layer's host procedure, as its classes hold it.
WNDPROC g_layerHostProc = nullptr;

// Notes the mouse messages that reach the layer (the engine, which
// subclasses each host, passes them on or keeps them), then hands every
// message to the layer's own procedure.
LRESULT CALLBACK NoteForTheLayer(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_RBUTTONUP || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_MOUSEMOVE) Seen()[hwnd].push_back(msg);
    if (msg == WM_NCDESTROY) Seen().erase(hwnd);
    return CallWindowProcA(g_layerHostProc, hwnd, msg, wp, lp);
}

// The layer's hooks pointed at the recorder, and its host classes
// registered by the layer itself: a create call without a parent registers
// the class, then fails to make a child window. Each class then gets the
// note-taker in front of the layer's procedure.
void UseTheLayer() {
    static bool done = false;
    if (done) return;
    done = true;
    skin::FormLayerHooks hooks;
    hooks.reportDestroyed = ForgetDestroyed;
    hooks.raiseEvent = RaiseRecorded;
    skin::SetFormLayerHooks(hooks);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    for (EngineType t : kTypes) {
        if (HWND stray = skin::CreateSkinnedControl(t, skin::SkinnedControlParams{})) DestroyWindow(stray);
        const char* name = skin::TypeInfo(t).className;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (!GetClassInfoExA(instance, name, &wc) || wc.lpfnWndProc == NoteForTheLayer) continue;
        g_layerHostProc = wc.lpfnWndProc;
        UnregisterClassA(name, instance);
        wc.lpfnWndProc = NoteForTheLayer;
        wc.lpszClassName = name;
        RegisterClassExA(&wc);
    }
    WNDCLASSA top{};
    top.style = CS_DBLCLKS;
    top.lpfnWndProc = DefWindowProcA;
    top.hInstance = instance;
    top.hCursor = LoadCursor(nullptr, IDC_ARROW);
    top.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    top.lpszClassName = "VelaEngineTestTop";
    RegisterClassA(&top);
}

}  // namespace

const EngineApi& Engine() {
    static EngineApi api = [] {
        HMODULE dll = LoadLibraryA((ProgramFolder() + "\\ExuiKrnln.dll").c_str());
        // The layer works with the process's engine: this one.
        const skin::Engine& engine = skin::UseEngineModule(dll);
        return EngineApi{static_cast<const ExuiExports&>(engine), dll};
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
    Engine();
    UseTheLayer();
    HWND w = CreateWindowExA(0, "VelaEngineTestTop", "", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             left, top, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(w, SW_SHOW);
    return w;
}

HWND MakeSkinned(EngineType type, HWND parent, int left, int top, int width, int height, int controlId,
                 const void* pack, int64_t packLength) {
    Engine();
    UseTheLayer();
    static int lastFormId = 0;
    const int formId = ++lastFormId;
    uint32_t length = 0;
    if (pack && packLength < 0) std::memcpy(&length, static_cast<const char*>(pack) + 4, sizeof length);
    if (pack && packLength >= 0) length = static_cast<uint32_t>(packLength);
    skin::SkinnedControlParams params;
    params.pack = pack;
    params.packLength = length;
    params.style = WS_VISIBLE;
    params.parent = parent;
    params.controlId = controlId;
    params.left = left;
    params.top = top;
    params.width = width;
    params.height = height;
    params.formId = formId;
    Made()[formId] = {nullptr, skin::TypeInfo(type).eventBase};
    HWND host = skin::CreateSkinnedControl(type, params);
    if (host) Made()[formId].host = host;
    else Made().erase(formId);
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

ExuiHandle HandleOf(HWND host) { return GetPropA(host, skin::kPropControl); }

int SetInt(HWND host, int index, int value) {
    const int32_t v = value;
    return skin::SetSkinnedProperty(host, index, &v);
}

int SetText(HWND host, int index, const char* text) {
    const char* t = text;
    return skin::SetSkinnedProperty(host, index, &t);
}

int SetData(HWND host, int index, const void* data, int length) {
    const ExuiData d{data, length};
    return skin::SetSkinnedProperty(host, index, &d);
}

Bytes TextPayload(const std::string& text) {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    return b;
}

Bytes BuildPack(const std::vector<PackEntry>& entries) {
    Bytes out(16, 0);
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
        Store32(out, at + 4, static_cast<uint32_t>(e.payload.size()));
        out.insert(out.end(), e.payload.begin(), e.payload.end());
        while (out.size() % 4) out.push_back(0);
    }
    Store32(out, 4, static_cast<uint32_t>(out.size()));
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
    using forms::Ctl;
    SkinnedMain m;
    m.top = MakeTopLevel(left, top, width, height);
    // In the form's creation order: earlier child windows lie above later ones.
    std::map<Ctl, HWND> made;
    for (const forms::ControlDef& c : forms::MainWindowForm().controls) {
        if (!forms::IsSkinned(c.type)) continue;
        const HWND parent = c.parent == forms::kNoParent ? m.top : made[c.parent];
        made[c.id] = MakeSkinned(SkinTypeOf(c.type), parent, c.left, c.top, c.width, c.height, static_cast<int>(c.id),
                                 ViewerPack(c.identifier));
    }
    m.settings = made[Ctl::SettingsButton];
    m.minimize = made[Ctl::MinimizeButton];
    m.maximize = made[Ctl::MaximizeButton];
    m.close = made[Ctl::CloseButton];
    m.previous = made[Ctl::PreviousButton];
    m.next = made[Ctl::NextButton];
    m.toolbar = made[Ctl::Toolbar];
    m.rotate = made[Ctl::RotateButton];
    m.remove = made[Ctl::DeleteButton];
    m.save = made[Ctl::SaveButton];
    m.zoomOut = made[Ctl::ZoomOutButton];
    m.zoomRatio = made[Ctl::ZoomRatioButton];
    m.zoomIn = made[Ctl::ZoomInButton];
    m.picture = made[Ctl::PictureView];
    m.frame = made[Ctl::SkinFrame];
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
