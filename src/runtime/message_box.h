#pragma once
// The program's message boxes: no owner window, task-modal; a box shown
// without a title gets "信息：".
#include <windows.h>

#include <string_view>

namespace vela::runtime {

int ShowMessageBox(std::string_view text, std::string_view title = {}, UINT flags = MB_OK);

}  // namespace vela::runtime
