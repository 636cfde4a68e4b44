// The form layer's rules that need no window, and the forms' tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "forms/form_data.h"
#include "forms/standard_properties.h"

using namespace vela::forms;

TEST(FormRules, PositionAndSizeClamps) {
    EXPECT_EQ(ClampPosition(32628), 32627);
    EXPECT_EQ(ClampPosition(-40000), -32627);
    EXPECT_EQ(ClampPosition(-32627), -32627);
    EXPECT_EQ(ClampPosition(17), 17);
    EXPECT_EQ(ClampSize(40000), 32627);
    EXPECT_EQ(ClampSize(-1), 0);
    EXPECT_EQ(ClampSize(32627), 32627);
    EXPECT_EQ(ClampSize(648), 648);
    EXPECT_EQ(ClampDialogType(7), 3);
    EXPECT_EQ(ClampDialogType(-1), 0);
    EXPECT_EQ(ClampDialogType(1), 1);
}

TEST(FormRules, ReportedKeyCodes) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ReportedKeyCode(VK_NUMPAD0 + i), '0' + i);
    EXPECT_EQ(ReportedKeyCode(109), 189);  // keypad minus
    EXPECT_EQ(ReportedKeyCode(110), 190);  // keypad decimal point
    EXPECT_EQ(ReportedKeyCode(111), 191);  // keypad divide
    EXPECT_EQ(ReportedKeyCode(107), 107);  // keypad plus stays
    EXPECT_EQ(ReportedKeyCode(106), 106);
    EXPECT_EQ(ReportedKeyCode(VK_LEFT), 37);
    EXPECT_EQ(ReportedKeyCode(VK_NEXT), 34);
    EXPECT_EQ(ReportedKeyCode(189), 189);
}

TEST(FormRules, ModifierBits) {
    EXPECT_EQ(ModifierBits(true, true, true), 7);
    EXPECT_EQ(ModifierBits(true, false, false), 1);
    EXPECT_EQ(ModifierBits(false, true, false), 2);
    EXPECT_EQ(ModifierBits(false, false, true), 4);
    EXPECT_EQ(ModifierBits(false, false, false, VK_RIGHT), 0);
    // A modifier key does not report itself.
    EXPECT_EQ(ModifierBits(true, false, false, VK_CONTROL), 0);
    EXPECT_EQ(ModifierBits(true, true, false, VK_SHIFT), 1);
    EXPECT_EQ(ModifierBits(true, true, true, VK_MENU), 3);
    EXPECT_EQ(ModifierBits(true, false, false, VK_RIGHT), 1);
}

TEST(FormTables, MainWindowControlsInCreationOrder) {
    const FormDef& f = MainWindowForm();
    EXPECT_EQ(f.window.width, 648);
    EXPECT_EQ(f.window.height, 411);
    EXPECT_EQ(f.window.state, 1);
    EXPECT_TRUE(f.window.minimizeBox);
    EXPECT_FALSE(f.window.maximizeBox);
    EXPECT_FALSE(f.window.escCloses);
    ASSERT_EQ(f.controls.size(), 16u);
    int expected = static_cast<int>(Ctl::FileDialog);
    for (const ControlDef& c : f.controls) EXPECT_EQ(static_cast<int>(c.id), expected++) << c.identifier;
    EXPECT_STREQ(f.controls[0].storedName, "通用对话框1");
    EXPECT_FALSE(f.controls[0].visible);
    EXPECT_EQ(f.controls[15].type, ControlType::WindowEx);
    EXPECT_STREQ(f.controls[15].identifier, "SkinFrame");
    const ControlDef* view = FindControlDef(Ctl::PictureView);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->left, 280);
    EXPECT_EQ(view->top, 144);
    EXPECT_EQ(view->width, 128);
    EXPECT_EQ(view->height, 120);
    EXPECT_STREQ(view->storedName, "图片框");
    // The toolbar holds the six tool buttons, 50 pixels apart.
    int held = 0;
    for (const ControlDef& c : f.controls) {
        if (c.parent == Ctl::Toolbar) {
            ++held;
            EXPECT_EQ(c.width, 50);
            EXPECT_EQ(c.left, 50 * (static_cast<int>(Ctl::ZoomInButton) - static_cast<int>(c.id)));
        }
    }
    EXPECT_EQ(held, 6);
    // WebP, HEIC, HEIF, AVIF and JPEG XL pictures are offered beside the six
    // types the viewer always opened.
    EXPECT_STREQ(f.fileDialog.filter,
                 "图片文件(*.jpg;*.bmp;*.ico;*.png;*.gif;*.cur;*.webp;*.heic;*.heif;*.avif;*.jxl)|"
                 "*.jpg;*.bmp;*.ico;*.png;*.gif;*.cur;*.webp;*.heic;*.heif;*.avif;*.jxl");
}

TEST(FormTables, MainWindowMenu) {
    const FormDef& f = MainWindowForm();
    ASSERT_EQ(f.menu.size(), 4u);
    EXPECT_EQ(f.menu[0].id, Ctl::ContextMenu);
    EXPECT_EQ(f.menu[0].level, 0);
    EXPECT_STREQ(f.menu[0].text, "菜单");
    EXPECT_STREQ(f.menu[1].text, "打开图片");
    EXPECT_STREQ(f.menu[2].text, "定位文件");
    EXPECT_STREQ(f.menu[3].text, "图片信息");
    for (int i = 1; i < 4; ++i) EXPECT_EQ(f.menu[i].level, 1);
    EXPECT_EQ(FindMenuItemDef(Ctl::LocateFileItem), &f.menu[2]);
}

TEST(FormTables, AssociationWindow) {
    const FormDef& f = AssociationWindowForm();
    EXPECT_STREQ(f.window.caption, "关联文件类型");
    EXPECT_FALSE(f.window.visible);
    EXPECT_TRUE(f.window.escCloses);
    EXPECT_EQ(f.window.width, 218);
    EXPECT_EQ(f.window.height, 274);
    ASSERT_EQ(f.controls.size(), 8u);
    EXPECT_STREQ(f.controls[0].caption, "取消关联");
    EXPECT_STREQ(f.controls[1].caption, "关联");
    EXPECT_EQ(f.controls[2].type, ControlType::CheckBox);
    EXPECT_STREQ(f.controls[7].caption, "*.png");
    EXPECT_EQ(f.controls[7].top, 16);
    EXPECT_TRUE(f.menu.empty());
    EXPECT_EQ(FormOf(Ctl::PngCheck), Form::AssociationWindow);
    EXPECT_EQ(FormOf(Ctl::PictureInfoItem), Form::MainWindow);
    EXPECT_EQ(FindControlDef(Ctl::MainWindow), nullptr);
}
