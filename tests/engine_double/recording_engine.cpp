// A test stand-in for ExuiKrnln.dll: the same exports and signatures, no
// drawing. It records every call in a text log that the tests read, keeps
// attributes as the real engine does (engine-owned copies handed out on
// reads), and lets a test raise an event through a control's callback.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ExuiKrnln.h"

namespace {

struct Attribute {
    int value = 0;
    std::string text;
    std::vector<unsigned char> data;
};

struct Control {
    std::string type;
    ExuiControlRecord record{};
    ExuiEventCallback callback = nullptr;
    std::map<int, Attribute> attributes;
};

std::string g_log;
bool g_failNextCreate = false;

void Log(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_log += line;
    g_log += '\n';
}

enum class Kind { Int, Text, Data };

// The kinds of the attributes the tests use; every other one is an integer.
Kind KindOf(const std::string& type, int index) {
    if (type == "PictureBoxEx" && index == 8) return Kind::Data;
    if (type == "SuperbuttonEx" && index == 17) return Kind::Text;
    if (type == "WindowEx" && (index == 18 || index == 21)) return Kind::Text;
    return Kind::Int;
}

ExuiHandle Create(const char* type, HWND parent, int left, int top, int width, int height, ExuiEventCallback callback,
                  const ExuiBindingRecord* b, const int* zeros, int zeroCount, int parentControl) {
    int nonZero = 0;
    for (int i = 0; i < zeroCount; ++i) nonZero += zeros[i] != 0;
    Log("create %s pc=%d parent=%p %d %d %d %d zeros=%d nonzero=%d host=%p control=%d form=%d base=%d pack=%p", type,
        parentControl, static_cast<void*>(parent), left, top, width, height, zeroCount, nonZero, static_cast<void*>(b->host),
        b->controlId, b->formId, b->eventBase, b->propertyPack);
    if (g_failNextCreate) {
        g_failNextCreate = false;
        return nullptr;
    }
    auto* c = new Control{type, {b->host, b->controlId, b->formId, b->eventBase}, callback, {}};
    SetPropA(b->host, "Tab_Control", c);
    return c;
}

}  // namespace

#define ZERO_ARGS_5 int z0, int z1, int z2, int z3, int z4
#define ZERO_LIST_5 z0, z1, z2, z3, z4

extern "C" {

__declspec(dllexport) ExuiHandle __stdcall CreateControl_WindowEx(ENGINE_CREATE_ARGS, ZERO_ARGS_5, int z5, int z6,
                                                                  int z7, int z8, int z9, int z10, int z11, int z12,
                                                                  int z13, int z14, int z15, int z16, int z17,
                                                                  int z18, int z19) {
    int z[] = {ZERO_LIST_5, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16, z17, z18, z19};
    return Create("WindowEx", parent, left, top, width, height, callback, binding, z, 20, parentControl);
}

__declspec(dllexport) ExuiHandle __stdcall CreateControl_MinutesboxEx(ENGINE_CREATE_ARGS, ZERO_ARGS_5, int z5, int z6,
                                                                      int z7, int z8, int z9, int z10, int z11,
                                                                      int z12, int z13, int z14, int z15, int z16) {
    int z[] = {ZERO_LIST_5, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16};
    return Create("MinutesboxEx", parent, left, top, width, height, callback, binding, z, 17, parentControl);
}

__declspec(dllexport) ExuiHandle __stdcall CreateControl_PictureBoxEx(ENGINE_CREATE_ARGS, ZERO_ARGS_5, int z5, int z6,
                                                                      int z7, int z8, int z9, int z10, int z11,
                                                                      int z12, int z13, int z14, int z15, int z16) {
    int z[] = {ZERO_LIST_5, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16};
    return Create("PictureBoxEx", parent, left, top, width, height, callback, binding, z, 17, parentControl);
}

__declspec(dllexport) ExuiHandle __stdcall CreateControl_ButtonEx(ENGINE_CREATE_ARGS, ZERO_ARGS_5, int z5, int z6,
                                                                  int z7, int z8, int z9, int z10, int z11, int z12,
                                                                  int z13) {
    int z[] = {ZERO_LIST_5, z5, z6, z7, z8, z9, z10, z11, z12, z13};
    return Create("ButtonEx", parent, left, top, width, height, callback, binding, z, 14, parentControl);
}

__declspec(dllexport) ExuiHandle __stdcall CreateControl_SuperbuttonEx(ENGINE_CREATE_ARGS, ZERO_ARGS_5, int z5, int z6,
                                                                       int z7, int z8, int z9, int z10, int z11,
                                                                       int z12, int z13, int z14, int z15, int z16,
                                                                       int z17, int z18) {
    int z[] = {ZERO_LIST_5, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16, z17, z18};
    return Create("SuperbuttonEx", parent, left, top, width, height, callback, binding, z, 19, parentControl);
}

__declspec(dllexport) int __stdcall ControlSendMessage(ExuiHandle handle, int message, INT_PTR index, INT_PTR value,
                                                       INT_PTR a3, INT_PTR a4) {
    auto* c = static_cast<Control*>(handle);
    Log("send %d %d %d%s", c ? c->record.controlId : 0, message, static_cast<int>(index),
        (a3 || a4) ? " extra" : "");
    if (!c || !value) return 0;
    Attribute& a = c->attributes[static_cast<int>(index)];
    Kind kind = KindOf(c->type, static_cast<int>(index));
    if (message == ENGINE_SET_ATTRIBUTE) {
        if (kind == Kind::Int) a.value = *reinterpret_cast<const int32_t*>(value);
        if (kind == Kind::Text) a.text = *reinterpret_cast<const char* const*>(value);
        if (kind == Kind::Data) {
            const auto* d = reinterpret_cast<const ExuiData*>(value);
            const auto* p = static_cast<const unsigned char*>(d->data);
            a.data.assign(p, p + (p ? d->length : 0));
        }
        return 1;
    }
    if (message == ENGINE_GET_ATTRIBUTE) {
        if (kind == Kind::Int) *reinterpret_cast<int32_t*>(value) = a.value;
        if (kind == Kind::Text) *reinterpret_cast<const char**>(value) = a.text.c_str();
        if (kind == Kind::Data) {
            auto* d = reinterpret_cast<ExuiData*>(value);
            d->data = a.data.empty() ? nullptr : a.data.data();
            d->length = static_cast<int32_t>(a.data.size());
        }
        return 1;
    }
    return 0;
}

__declspec(dllexport) int __stdcall ControPonintSizeSynchronise(HWND host, int kind) {
    auto* c = static_cast<Control*>(GetPropA(host, "Tab_Control"));
    Log("sync %d %d", c ? c->record.controlId : 0, kind);
    return 1;
}

__declspec(dllexport) int __stdcall ControlDestroy(ExuiHandle handle) {
    auto* c = static_cast<Control*>(handle);
    Log("destroy %d", c ? c->record.controlId : 0);
    delete c;
    return 1;
}

__declspec(dllexport) int __stdcall CallInternalFunction_Ex(int function, INT_PTR a1, INT_PTR a2, INT_PTR a3,
                                                            INT_PTR a4) {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CallInternalFunction_Ex), &self);
    Log("handshake %d %s %d %d %d", function, a1 == reinterpret_cast<INT_PTR>(self) ? "self" : "other",
        static_cast<int>(a2), static_cast<int>(a3), static_cast<int>(a4));
    return 1;
}

// Test controls.
__declspec(dllexport) int __stdcall Recorder_Log(char* buffer, int size) {
    if (buffer && size > 0) {
        std::snprintf(buffer, static_cast<size_t>(size), "%s", g_log.c_str());
    }
    return static_cast<int>(g_log.size());
}
__declspec(dllexport) void __stdcall Recorder_Clear() { g_log.clear(); }
__declspec(dllexport) void __stdcall Recorder_Note(const char* line) { Log("%s", line); }
__declspec(dllexport) void __stdcall Recorder_FailNextCreate() { g_failNextCreate = true; }
__declspec(dllexport) int __stdcall Recorder_Raise(HWND host, int code, int a1, int a2, int a3, int a4) {
    auto* c = static_cast<Control*>(GetPropA(host, "Tab_Control"));
    if (!c || !c->callback) return -12345;
    return c->callback(&c->record, code, a1, a2, a3, a4);
}

}  // extern "C"
