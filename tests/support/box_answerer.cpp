#include "box_answerer.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vela::test {
namespace {

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    wchar_t cls[16] = L"";
    GetClassNameW(child, cls, 16);
    if (std::wstring(cls) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

}  // namespace

BoxAnswerer::BoxAnswerer(DWORD processId, std::vector<std::wstring> answers)
    : processId_(processId), answers_(std::move(answers)), thread_([this] {
          while (!stop_ && answered_ < answers_.size()) {
              // Read once it shows (its texts are set by then); Wine's own
              // delete confirmation draws its text itself, without a child.
              HWND box = FindMessageBox(processId_);
              SeenBox seen{box ? WindowTextW(box) : L""};
              for (const std::wstring& s : box ? ChildTexts(box, L"Static") : std::vector<std::wstring>{})
                  if (!s.empty()) seen.text = s;
              if (box) EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&seen.hasIcon));
              if (!box || !IsWindowVisible(box) || !ClickButton(box, answers_[answered_])) {
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
      }) {}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    thread_.join();
}

bool BoxAnswerer::WaitAll(DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); answered_ < answers_.size(); Sleep(10))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

std::vector<SeenBox> BoxAnswerer::Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<SeenBox> AnswerBoxes(DWORD processId, std::vector<std::wstring> answers,
                                 const std::function<void()>& action) {
    BoxAnswerer answerer(processId, std::move(answers));
    action();
    EXPECT_TRUE(answerer.WaitAll());
    auto seen = answerer.Seen();
    seen.resize(2);
    return seen;
}

}  // namespace vela::test
