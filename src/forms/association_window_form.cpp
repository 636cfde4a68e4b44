// AssociationWindow: the small system-drawn window of the file-type choices.
#include "forms/form_data.h"

namespace vela::forms {
namespace {

using enum ControlType;

constexpr ControlDef kControls[] = {
    {Ctl::UnassociateButton, "UnassociateButton", "取消按钮", Button, 117, 207, 72, 24, kNoParent, true, "取消关联"},
    {Ctl::AssociateButton, "AssociateButton", "关联按钮", Button, 25, 207, 72, 24, kNoParent, true, "关联"},
    {Ctl::SelectAllCheck, "SelectAllCheck", "全选", CheckBox, 77, 168, 60, 24, kNoParent, true, "全选"},
    {Ctl::IcoCheck, "IcoCheck", "ico", CheckBox, 77, 136, 60, 24, kNoParent, true, "*.ico"},
    {Ctl::GifCheck, "GifCheck", "gif", CheckBox, 77, 106, 60, 24, kNoParent, true, "*.gif"},
    {Ctl::BmpCheck, "BmpCheck", "bmp", CheckBox, 77, 76, 60, 24, kNoParent, true, "*.bmp"},
    {Ctl::JpgCheck, "JpgCheck", "jpg", CheckBox, 77, 46, 60, 24, kNoParent, true, "*.jpg"},
    {Ctl::PngCheck, "PngCheck", "png", CheckBox, 77, 16, 60, 24, kNoParent, true, "*.png"},
};

constexpr FormDef kForm{
    Form::AssociationWindow,
    {Ctl::AssociationWindow, "AssociationWindow", "", 50, 50, 218, 274, "关联文件类型", false,
     /*systemMenu*/ true, /*minimizeBox*/ false, /*maximizeBox*/ false, /*state*/ 1,
     /*shownInTaskbar*/ true, /*escCloses*/ true, /*topmost*/ false},
    kControls,
    {},
    {""},
};

}  // namespace

const FormDef& AssociationWindowForm() { return kForm; }

}  // namespace vela::forms
