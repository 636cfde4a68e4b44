#include "forms/form_data.h"

namespace vela::forms {

bool IsSkinned(ControlType type) {
    switch (type) {
        case ControlType::WindowEx:
        case ControlType::MinutesboxEx:
        case ControlType::PictureBoxEx:
        case ControlType::ButtonEx:
        case ControlType::SuperbuttonEx:
            return true;
        default:
            return false;
    }
}

Form FormOf(Ctl control) {
    return static_cast<int>(control) >= static_cast<int>(Ctl::AssociationWindow) ? Form::AssociationWindow
                                                                                   : Form::MainWindow;
}

const FormDef& FormDefOf(Form form) {
    return form == Form::AssociationWindow ? AssociationWindowForm() : MainWindowForm();
}

const ControlDef* FindControlDef(Ctl control) {
    for (const ControlDef& c : FormDefOf(FormOf(control)).controls) {
        if (c.id == control) return &c;
    }
    return nullptr;
}

const MenuItemDef* FindMenuItemDef(Ctl control) {
    for (const MenuItemDef& m : FormDefOf(FormOf(control)).menu) {
        if (m.id == control) return &m;
    }
    return nullptr;
}

bool IsFormWindow(Ctl control) { return control == Ctl::MainWindow || control == Ctl::AssociationWindow; }

}  // namespace vela::forms
