#pragma once
// COM initialised on the current thread for the life of a scope. Only a
// successful initialisation (S_OK, or S_FALSE when the thread already was)
// is balanced: after a refusal (a thread set up for another apartment model)
// leaving would undo the caller's own set-up.
#include "runtime/entry_points.h"

namespace vela {

class ComInitialization {
public:
    ComInitialization() : initialized_(SUCCEEDED(api::CoInitialize(nullptr))) {}
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;
    ~ComInitialization() {
        if (initialized_) api::CoUninitialize();
    }

private:
    bool initialized_;
};

}  // namespace vela
