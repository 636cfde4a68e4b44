#pragma once
// Answers the message boxes of a process (this one or the viewer) from a
// thread of the test, one after another, and keeps what each showed.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vela::test {

struct SeenBox {
    std::wstring title, text;  // text: the last non-empty Static child
    bool hasIcon = false;
};

inline const std::wstring kYes = L"是(&Y)", kNo = L"否(&N)", kOk = L"确定";

class BoxAnswerer {
public:
    // The i-th box that shows is read, then its button answers[i] is pressed.
    BoxAnswerer(DWORD processId, std::vector<std::wstring> answers);
    ~BoxAnswerer();  // stops looking; boxes not answered stay open
    bool WaitAll(DWORD timeoutMs = 20000);
    std::vector<SeenBox> Seen();

private:
    DWORD processId_;
    std::vector<std::wstring> answers_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> answered_{0};
    std::mutex mutex_;
    std::vector<SeenBox> seen_;
    std::thread thread_;
};

// Does something that shows boxes in a process and answers them in turn:
// what the first two boxes showed (empty ones for boxes that never came).
// A non-fatal failure when not every answer was given.
std::vector<SeenBox> AnswerBoxes(DWORD processId, std::vector<std::wstring> answers,
                                 const std::function<void()>& action);

}  // namespace vela::test
