#include "runtime/message_box.h"

#include <string>

#include "runtime/text.h"

namespace vela::runtime {

int ShowMessageBox(std::string_view text, std::string_view title, UINT flags) {
    // The texts are GBK (a name outside GBK in GB18030): turned to UTF-16
    // here, they read the same whatever the system's code page.
    const std::wstring t = WideFromGb18030(text);
    const std::wstring c = WideFromGb18030(title.empty() ? std::string_view("信息：") : title);
    return MessageBoxW(nullptr, t.c_str(), c.c_str(), flags | MB_TASKMODAL);
}

}  // namespace vela::runtime
