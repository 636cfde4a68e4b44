#include "files/drop_handler.h"

#include <cstdint>
#include <cstring>

#include "files/navigation.h"
#include "runtime/entry_points.h"
#include "util/regex_object.h"
#include "util/windows_version.h"

namespace vela {
namespace {

constexpr SIZE_T kStubPageSize = 4096;
constexpr UINT kAllFiles = 0xFFFFFFFFu;
// WM_COPYGLOBALDATA: the shell's drop data travels in it to an elevated window.
constexpr UINT kCopyGlobalData = 0x49;

// Removes a CR at the start of a line and an LF at the end of one.
constexpr std::string_view kLineBreakPattern = "(?:^\r|\n$)";

// The dropped path number i, of any length; empty when the shell gives none.
Path DroppedPath(HDROP drop, UINT i) {
    const UINT length = api::DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) return {};
    Path path(length + 1, L'\0');
    const UINT n = api::DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(n <= length ? n : 0);
    return path;
}

void Put32(unsigned char*& at, std::uint32_t value) {
    std::memcpy(at, &value, sizeof value);
    at += sizeof value;
}

bool HasLineBreak(PathView text) { return text.find_first_of(L"\r\n") != PathView::npos; }

}  // namespace

DropHandler::DropHandler(const DropHandler& other)
    : window_(other.window_), previousProcedure_(other.previousProcedure_), callback_(other.callback_) {}

DropHandler::~DropHandler() {
    if (stubPage_ && window_ && IsWindow(window_) &&
        reinterpret_cast<void*>(GetWindowLongW(window_, GWL_WNDPROC)) == stubPage_.Get()) {
        Detach();
    }
}

void DropHandler::FreeStubPage(void* page) { api::VirtualFree(page, 0, MEM_RELEASE); }

void DropHandler::Destroy() { Detach(); }

DropHandler* DropHandler::Copy() const { return new DropHandler(*this); }

void* DropHandler::Stub() {
    if (stubPage_) return stubPage_.Get();  // the same handler: the same code
    // The window calls the stub as a window procedure (four stdcall
    // arguments); the stub puts this object in front of them and goes on in
    // Forward, a stdcall routine of five that pops all five on return.
    Unique<void*, FreeStubPage> page(api::VirtualAlloc(nullptr, kStubPageSize, MEM_COMMIT, PAGE_READWRITE));
    if (!page) return nullptr;
    unsigned char* at = static_cast<unsigned char*>(page.Get());
    *at++ = 0x58;  // pop eax            ; the caller's return address
    *at++ = 0x68;  // push this
    Put32(at, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this)));
    *at++ = 0x50;  // push eax           ; back on top
    *at++ = 0xB8;  // mov eax, Forward
    Put32(at, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&DropHandler::Forward)));
    *at++ = 0xFF;  // jmp eax
    *at++ = 0xE0;
    // Written once, then never writable again while it can run.
    DWORD previous = 0;
    if (!api::VirtualProtect(page.Get(), kStubPageSize, PAGE_EXECUTE_READ, &previous)) return nullptr;
    api::FlushInstructionCache(GetCurrentProcess(), page.Get(), kStubPageSize);
    stubPage_ = std::move(page);
    return stubPage_.Get();
}

void DropHandler::Attach(HWND window, DropCallback callback) {
    // Attaching again over our own stub would make the stub its own
    // previous procedure: every message would loop.
    if (window_ && previousProcedure_) Detach();
    window_ = window;
    callback_ = callback;
    api::DragAcceptFiles(window, TRUE);
    if (void* stub = Stub()) {
        previousProcedure_ = reinterpret_cast<WNDPROC>(
            api::SetWindowLongW(window, GWL_WNDPROC, static_cast<LONG>(reinterpret_cast<std::uintptr_t>(stub))));
    }

    // An elevated window gets drops from the (unelevated) shell only when the
    // privilege filter lets the drop messages through: for this window alone
    // where the system can say so, else for the process. XP has no filter,
    // nor has 2000: where the entry points are missing there is nothing to open.
    int major = 0, minor = 0;
    const Text version = WindowsVersionName(major, minor);
    if (version.compare(0, 10, "Windows XP") == 0) return;
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData}) {
        if (auto forWindow = api::ChangeWindowMessageFilterEx.Get()) {
            forWindow(window, message, MSGFLT_ALLOW, nullptr);
        } else if (auto forProcess = api::ChangeWindowMessageFilter.Get()) {
            forProcess(message, MSGFLT_ADD);
        }
    }
}

void DropHandler::Detach() {
    if (!window_) return;  // never attached: nothing to give back
    api::DragAcceptFiles(window_, FALSE);
    if (previousProcedure_) {
        api::SetWindowLongW(window_, GWL_WNDPROC,
                            static_cast<LONG>(reinterpret_cast<std::uintptr_t>(previousProcedure_)));
    }
}

LRESULT CALLBACK DropHandler::Forward(DropHandler* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return self->WindowProcedure(window, message, wParam, lParam);
}

LRESULT DropHandler::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DROPFILES) {
        HandleDrop(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    if (!previousProcedure_) return DefWindowProcW(window, message, wParam, lParam);
    return api::CallWindowProcW(previousProcedure_, window, message, wParam, lParam);
}

void DropHandler::HandleDrop(HDROP drop) {
    // Each path is its own copy: the callback lets messages through, and a
    // nested drop reads its own.
    const UINT count = api::DragQueryFileW(drop, kAllFiles, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const Path path = DroppedPath(drop, i);
        if (callback_) callback_(path);
    }
    api::DragFinish(drop);
}

void OnFileDropped(const Path& path) {
    const Path file = TrimLineBreaks(path);
    if (IsDroppedPicture(file)) OpenPictureFile(file);
}

bool IsDroppedPicture(PathView path) {
    const Path file(path.substr(0, path.find(L'\0')));
    const PathView extension = api::PathFindExtensionW(file.c_str());
    PathView types = DroppedPictureTypes;
    while (!types.empty()) {
        const std::size_t end = types.find(L"\r\n");
        const PathView line = types.substr(0, end);
        // Windows opens DSC0001.JPG through the .jpg association: letter case
        // of the extension does not matter, other characters compare exactly.
        if (SameIgnoringAsciiCase(extension, line)) return true;
        types = end == PathView::npos ? PathView() : types.substr(end + 2);
    }
    return false;
}

Path TrimLineBreaks(PathView text) {
    if (HasLineBreak(text)) {
        // The pattern below would also take CRs and LFs from inside the text;
        // only a CR LF pair at either end goes.
        if (text.starts_with(L"\r\n")) text.remove_prefix(2);
        if (text.ends_with(L"\r\n")) text.remove_suffix(2);
        return Path(text);
    }
    // The regular-expression object takes the viewer's texts; a path goes to
    // it as GB18030, which carries every character.
    const Text asText = Gb18030FromWide(text);
    RegexObject regex;
    regex.Create(kLineBreakPattern, asText);
    const Text cleaned = regex.Replace();
    // Without line breaks the pattern finds nothing; an empty result means
    // the component failed, and an unchanged one leaves the path exactly as
    // it came (a lone surrogate has no GB18030 form to come back from).
    return cleaned.empty() || cleaned == asText ? Path(text) : WideFromGb18030(cleaned);
}

}  // namespace vela
