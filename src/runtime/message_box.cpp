#include "runtime/message_box.h"

#include <string>

namespace vela::runtime {

int ShowMessageBox(std::string_view text, std::string_view title, UINT flags) {
    std::string t(text);
    std::string c = title.empty() ? std::string("信息：") : std::string(title);
    return MessageBoxA(nullptr, t.c_str(), c.c_str(), flags | MB_TASKMODAL);
}

}  // namespace vela::runtime
