#include "runtime/bind.h"

#include <cstdio>

#include "runtime/exit.h"
#include "runtime/message_box.h"

namespace vela::runtime {

FARPROC BindEntryPoint(const char* library, const char* name) {
    // Libraries stay loaded for the process: bound entry points are kept.
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    FARPROC fn = module ? GetProcAddress(module, name) : nullptr;
    if (!fn) {
        char message[600];
        std::snprintf(message, sizeof message, "无法找到指定DLL库文件“%s”中的输出命令“%s”", library, name);
        ShowMessageBox(message, "", MB_OK | MB_ICONERROR);
        EndProgram(-1);
    }
    return fn;
}

}  // namespace vela::runtime
