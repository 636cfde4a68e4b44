#pragma once
// The skinned control layer: a host child window per skinned control, the
// engine control built over it, property numbers from 8 up turned into engine
// attribute messages, engine events turned into form events, and the engine
// kept informed of the host's moves, size changes and destruction.
#include <windows.h>

#include <cstddef>

#include "ExuiKrnln.h"

namespace vela::skin {

enum class SkinType { WindowEx, MinutesboxEx, PictureBoxEx, ButtonEx, SuperbuttonEx };

// The zero arguments each create call takes after the binding record are
// fixed by its function type in ExuiKrnln.h (the compiler checks the calls).
struct SkinTypeInfo {
    SkinType type;
    const char* className;  // host window class
    int eventBase;
};
const SkinTypeInfo& TypeInfo(SkinType type);

// What this layer needs of the form layer; set once before the first control.
struct FormLayerHooks {
    // Wraps a host window as the form layer's handle for the control.
    void* (*wrapHost)(HWND host) = nullptr;
    // The control (form number, control number) is gone.
    void (*reportDestroyed)(int formId, int controlId) = nullptr;
    // Releases what wrapHost made.
    void (*releaseWrapper)(void* unit) = nullptr;
    // Raises an event on a control and returns the handler's result.
    int (*raiseEvent)(int formId, int controlId, int event, int count, const int* args) = nullptr;
};
void SetFormLayerHooks(const FormLayerHooks& hooks);

struct SkinnedControlParams {
    const void* pack = nullptr;  // the stored property pack, handed over unread
    std::size_t packLength = 0;  // its bytes (the engine reads no further)
    DWORD style = 0;  // WS_VISIBLE, WS_DISABLED...; WS_CHILD is added
    HWND parent = nullptr;
    int controlId = 0;  // also the host's child window identifier
    int left = 0, top = 0, width = 0, height = 0;
    int formId = 0;
};

// CreateSkinnedControl: the host window with the engine control over it, or
// null when there is no engine (after the warning, which is shown once per
// process) or the host window cannot be made.
HWND CreateSkinnedControl(SkinType type, const SkinnedControlParams& params);
// Whether a skinned control can be built at all.
bool EngineAvailable();

// Property numbers from 8 up are the engine's attributes, counted from 0.
inline constexpr int kFirstAttributeProperty = 8;
constexpr int AttributeIndex(int property) { return property - kFirstAttributeProperty; }

// Engine attribute writes and reads (index = AttributeIndex(property)). value
// points at an int32_t, a const char* or an ExuiData by the attribute's kind;
// on a read the engine stores its own pointer there, to be copied at once.
// The engine's answer; 0 when the host has no engine control.
int SetSkinnedProperty(HWND host, int index, const void* value);
int GetSkinnedProperty(HWND host, int index, void* value);

// The callback given to the engine (exposed for tests).
int __stdcall SkinEventCallback(const ExuiControlRecord* control, int code, int arg1, int arg2, int arg3, int arg4);

// Names of the host window properties.
inline constexpr char kPropUnit[] = "hUnit";
inline constexpr char kPropControl[] = "Tab_Control";
inline constexpr char kPropDestroying[] = "Tab_WM_DESTROY";
// Our own: the form number, so that the host can report its destruction.
inline constexpr char kPropFormId[] = "VelaFormId";

}  // namespace vela::skin
