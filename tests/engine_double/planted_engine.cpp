// A library planted under the engine's name where pictures lie: loading it
// leaves a marker file beside it and then refuses to load, so a test sees
// that the viewer reached for it without the viewer running its code on.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    char* slash = n ? strrchr(path, '\\') : nullptr;
    if (slash && (slash - path) + 20 < MAX_PATH) {
        lstrcpyA(slash + 1, "planted-marker.txt");
        HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return FALSE;
}
