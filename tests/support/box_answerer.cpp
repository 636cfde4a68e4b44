#include "box_answerer.h"

#include "test_support.h"

namespace vela::test {
namespace {

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    wchar_t cls[16] = L"";
    GetClassNameW(child, cls, 16);
    if (std::wstring(cls) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BoxAnswerer::BoxAnswerer(DWORD processId, std::vector<std::wstring> answers)
    : processId_(processId), answers_(std::move(answers)), thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    Stop();
    thread_.join();
}

void BoxAnswerer::Stop() { stop_ = true; }

bool BoxAnswerer::WaitAll(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (answered_ < answers_.size()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

std::vector<SeenBox> BoxAnswerer::Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
}

void BoxAnswerer::Run() {
    while (!stop_ && answered_ < answers_.size()) {
        HWND box = FindMessageBox(processId_);
        if (!box || !IsWindowVisible(box)) {
            Sleep(10);
            continue;
        }
        // Read once it shows (its texts are set by then); Wine's own delete
        // confirmation draws its text itself and has no text child.
        SeenBox seen;
        seen.title = WindowTextW(box);
        for (const std::wstring& s : ChildTexts(box, L"Static"))
            if (!s.empty()) seen.text = s;
        EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&seen.hasIcon));
        if (!ClickButton(box, answers_[answered_])) {
            Sleep(10);
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            seen_.push_back(seen);
        }
        while (!stop_ && IsWindow(box)) Sleep(10);
        ++answered_;
    }
}

}  // namespace vela::test
