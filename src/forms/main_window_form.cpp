// MainWindow: the picture window with its skinned controls and context menu.
#include "forms/form_data.h"

namespace vela::forms {
namespace {

using enum ControlType;

constexpr ControlDef kControls[] = {
    {Ctl::FileDialog, "FileDialog", "通用对话框1", CommonDlg, 8, 8, 26, 26, kNoParent, false, nullptr},
    {Ctl::SettingsButton, "SettingsButton", "超级按钮_设置", SuperbuttonEx, 512, 8, 30, 30, kNoParent, true, nullptr},
    {Ctl::MinimizeButton, "MinimizeButton", "按钮EX_最小化", ButtonEx, 544, 8, 30, 30, kNoParent, true, nullptr},
    {Ctl::MaximizeButton, "MaximizeButton", "按钮EX_最大化", ButtonEx, 576, 8, 30, 30, kNoParent, true, nullptr},
    {Ctl::CloseButton, "CloseButton", "按钮EX_关闭", ButtonEx, 608, 8, 30, 30, kNoParent, true, nullptr},
    {Ctl::PreviousButton, "PreviousButton", "超级按钮_上一个", SuperbuttonEx, 8, 176, 30, 90, kNoParent, true, nullptr},
    {Ctl::NextButton, "NextButton", "超级按钮_下一个", SuperbuttonEx, 608, 168, 30, 90, kNoParent, true, nullptr},
    {Ctl::Toolbar, "Toolbar", "分组框_工具栏", MinutesboxEx, 168, 360, 300, 50, kNoParent, true, nullptr},
    {Ctl::RotateButton, "RotateButton", "超级按钮_旋转", SuperbuttonEx, 250, 0, 50, 50, Ctl::Toolbar, true, nullptr},
    {Ctl::DeleteButton, "DeleteButton", "超级按钮_删除", SuperbuttonEx, 200, 0, 50, 50, Ctl::Toolbar, true, nullptr},
    {Ctl::SaveButton, "SaveButton", "超级按钮_保存", SuperbuttonEx, 150, 0, 50, 50, Ctl::Toolbar, true, nullptr},
    {Ctl::ZoomOutButton, "ZoomOutButton", "超级按钮_缩小", SuperbuttonEx, 100, 0, 50, 50, Ctl::Toolbar, true, nullptr},
    {Ctl::ZoomRatioButton, "ZoomRatioButton", "超级按钮_倍数显示", SuperbuttonEx, 50, 0, 50, 50, Ctl::Toolbar, true,
     nullptr},
    {Ctl::ZoomInButton, "ZoomInButton", "超级按钮_放大", SuperbuttonEx, 0, 0, 50, 50, Ctl::Toolbar, true, nullptr},
    {Ctl::PictureView, "PictureView", "图片框", PictureBoxEx, 280, 144, 128, 120, kNoParent, true, nullptr},
    {Ctl::SkinFrame, "SkinFrame", "窗口EX1", WindowEx, 4, 4, 24, 24, kNoParent, true, nullptr},
};

constexpr MenuItemDef kMenu[] = {
    {Ctl::ContextMenu, "ContextMenu", 0, "菜单"},
    {Ctl::OpenPictureItem, "OpenPictureItem", 1, "打开图片"},
    {Ctl::LocateFileItem, "LocateFileItem", 1, "定位文件"},
    {Ctl::PictureInfoItem, "PictureInfoItem", 1, "图片信息"},
};

constexpr FormDef kForm{
    Form::MainWindow,
    {Ctl::MainWindow, "MainWindow", "", 50, 50, 648, 411, "", true,
     /*systemMenu*/ true, /*minimizeBox*/ true, /*maximizeBox*/ false, /*state*/ 1,
     /*shownInTaskbar*/ true, /*escCloses*/ false, /*topmost*/ false},
    kControls,
    kMenu,
    {"图片文件(*.jpg;*.bmp;*.ico;*.png;*.gif;*.cur;*.webp;*.heic;*.heif;*.avif;*.jxl)|"
     "*.jpg;*.bmp;*.ico;*.png;*.gif;*.cur;*.webp;*.heic;*.heif;*.avif;*.jxl"},
};

}  // namespace

const FormDef& MainWindowForm() { return kForm; }

}  // namespace vela::forms
