#pragma once
// The two forms as data: the window, its controls in creation order and its
// menu. The loader (runtime/form_loader) builds windows from these tables.
#include <span>

#include "forms/forms.h"

namespace vela::forms {

enum class ControlType {
    Window,
    Menu,
    Button,
    CheckBox,
    CommonDlg,
    WindowEx,
    MinutesboxEx,
    PictureBoxEx,
    ButtonEx,
    SuperbuttonEx,
};

bool IsSkinned(ControlType type);

// The form that holds a control (its number's range).
Form FormOf(Ctl control);

// No parent: the control sits on the form's window.
inline constexpr Ctl kNoParent = static_cast<Ctl>(0);

struct ControlDef {
    Ctl id;
    const char* identifier;  // also the name of a skinned control's property pack resource
    const char* storedName;
    ControlType type;
    int left, top, width, height;
    Ctl parent;
    bool visible;
    const char* caption;  // Button, CheckBox; null when none
};

struct MenuItemDef {
    Ctl id;
    const char* identifier;
    int level;  // 0 = top entry, 1 = entry of the popup below it
    const char* text;
};

struct FileDialogDef {
    const char* filter;  // "shown text|patterns", entries separated by bars
};

struct WindowDef {
    Ctl id;
    const char* identifier;
    const char* storedName;
    int left, top, width, height;
    const char* caption;
    bool visible;
    bool systemMenu, minimizeBox, maximizeBox;
    int state;  // 1: created centred on the screen
    bool shownInTaskbar;
    bool escCloses;
    bool topmost;
};

struct FormDef {
    Form form;
    WindowDef window;
    std::span<const ControlDef> controls;  // creation order
    std::span<const MenuItemDef> menu;
    FileDialogDef fileDialog;  // used by the form's CommonDlg, if any
};

const FormDef& MainWindowForm();
const FormDef& AssociationWindowForm();
const FormDef& FormDefOf(Form form);
// The record of a control of either form, the windows and menu items
// excluded; null for those.
const ControlDef* FindControlDef(Ctl control);
const MenuItemDef* FindMenuItemDef(Ctl control);
// Whether the control is the window of its form.
bool IsFormWindow(Ctl control);

}  // namespace vela::forms
