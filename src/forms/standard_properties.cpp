#include "forms/standard_properties.h"

#include <windows.h>

#include "ExuiKrnln.h"

#include <algorithm>

namespace vela::forms {

int ClampPosition(int value) { return std::clamp(value, -kPositionLimit, kPositionLimit); }
int ClampSize(int value) { return std::clamp(value, 0, kSizeLimit); }
int ClampDialogType(int value) { return std::clamp(value, 0, 3); }

int ReportedKeyCode(int virtualKey) {
    if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9) return '0' + (virtualKey - VK_NUMPAD0);
    switch (virtualKey) {
        case VK_SUBTRACT: return VK_OEM_MINUS;
        case VK_DECIMAL: return VK_OEM_PERIOD;
        case VK_DIVIDE: return VK_OEM_2;
        default: return virtualKey;
    }
}

int ModifierBits(bool ctrl, bool shift, bool alt, int virtualKey) {
    bool isCtrl = virtualKey == VK_CONTROL || virtualKey == VK_LCONTROL || virtualKey == VK_RCONTROL;
    bool isShift = virtualKey == VK_SHIFT || virtualKey == VK_LSHIFT || virtualKey == VK_RSHIFT;
    bool isAlt = virtualKey == VK_MENU || virtualKey == VK_LMENU || virtualKey == VK_RMENU;
    return (ctrl && !isCtrl ? ENGINE_MODIFIER_CTRL : 0) | (shift && !isShift ? ENGINE_MODIFIER_SHIFT : 0) |
           (alt && !isAlt ? ENGINE_MODIFIER_ALT : 0);
}

int MouseModifierBits(unsigned keyFlags) {
    return ModifierBits((keyFlags & MK_CONTROL) != 0, (keyFlags & MK_SHIFT) != 0, GetKeyState(VK_MENU) < 0);
}

}  // namespace vela::forms
