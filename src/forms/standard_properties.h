#pragma once
// The rules of the standard properties and events that do not need a window:
// clamps of the common properties and the key codes and modifier bits that
// the key and mouse events report.

namespace vela::forms {

inline constexpr int kPositionLimit = 32627;
inline constexpr int kSizeLimit = 32627;

// Left and top: -32627..32627.
int ClampPosition(int value);
// Width and height: 0..32627.
int ClampSize(int value);
// CommonDlg type: 0..3.
int ClampDialogType(int value);

// The virtual-key code as the key events report it: keypad digits become the
// digit keys, keypad minus, decimal point and divide the main-keyboard keys
// (189, 190, 191); every other code, keypad plus included, is unchanged.
int ReportedKeyCode(int virtualKey);

// Modifier bits 1 Ctrl, 2 Shift, 4 Alt from the keys held; for a key event
// the modifier that is itself the key is not reported (key 0 for mouse events).
int ModifierBits(bool ctrl, bool shift, bool alt, int virtualKey = 0);
// The modifier bits of a mouse message: Ctrl and Shift from its key flags
// (MK_CONTROL, MK_SHIFT), Alt from the keyboard's state.
int MouseModifierBits(unsigned keyFlags);

}  // namespace vela::forms
