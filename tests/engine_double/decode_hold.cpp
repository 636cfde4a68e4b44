// The decode hold of the engine build the tests use (bin/hold/ExuiKrnln.dll):
// while this process has a manual-reset event of this name unsignalled, a
// decode waits between its first and its complete state (10 s at most, and
// no longer than its job is wanted), so that a test sees the first frame on
// its own. The shipped engine passes straight on.
#include <windows.h>

#include "picture_box/decode_hold.h"

namespace uiengine {

void DecodeHoldPoint(const std::atomic<bool>& cancelled) {
    char name[64];
    wsprintfA(name, "uiengine-hold-levels-%lu", GetCurrentProcessId());
    if (HANDLE hold = OpenEventA(SYNCHRONIZE, FALSE, name)) {
        for (int waited = 0; waited < 10000 && !cancelled; waited += 20)
            if (WaitForSingleObject(hold, 20) == WAIT_OBJECT_0) break;
        CloseHandle(hold);
    }
}

}  // namespace uiengine
