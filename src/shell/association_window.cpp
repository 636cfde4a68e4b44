#include "shell/association_window.h"

#include <array>

#include "forms/forms.h"
#include "runtime/message_box.h"
#include "shell/administrator.h"
#include "shell/config_file.h"
#include "shell/file_types.h"

namespace vela {
namespace {

using forms::Ctl;
namespace prop = forms::prop;

// The check box of each entry of AssociatedTypes, in the same order.
constexpr std::array<Ctl, AssociatedTypes.size()> kTypeChecks{Ctl::PngCheck, Ctl::JpgCheck, Ctl::BmpCheck,
                                                              Ctl::GifCheck, Ctl::IcoCheck};

bool Confirmed(std::string_view question) {
    return runtime::ShowMessageBox(question, "确认", MB_YESNO) == IDYES;
}

}  // namespace

void OnAssociationWindowCreated() {
    if (IsUserAdministrator()) {
        forms::SetInt(Ctl::AssociationWindow, prop::Visible, 1);
    } else {
        forms::SetInt(Ctl::AssociationWindow, prop::Visible, 0);
        runtime::ShowMessageBox("非管理员权限无法关联文件！", "信息：", MB_OK | MB_ICONEXCLAMATION);
        // Takes effect after this handler: the steps below still run on the
        // hidden window.
        PostMessageA(forms::NativeWindow(Ctl::AssociationWindow), WM_CLOSE, 0, 0);
    }
    const bool mainOnTop = forms::IsLoaded(forms::Form::MainWindow) &&
                           forms::GetInt(Ctl::MainWindow, prop::AlwaysOnTop) == 1;
    forms::SetInt(Ctl::AssociationWindow, prop::AlwaysOnTop, mainOnTop ? 1 : 0);
    for (std::size_t i = 0; i < AssociatedTypes.size(); ++i) {
        forms::SetInt(kTypeChecks[i], prop::Checked, ReadAssociationFlag(AssociatedTypes[i]) ? 1 : 0);
    }
}

void OnSelectAllClicked() {
    const int checked = forms::GetInt(Ctl::SelectAllCheck, prop::Checked);
    for (Ctl box : {Ctl::PngCheck, Ctl::IcoCheck, Ctl::GifCheck, Ctl::BmpCheck, Ctl::JpgCheck}) {
        forms::SetInt(box, prop::Checked, checked);
    }
}

void OnAssociateClicked() {
    if (!Confirmed("是否关联？")) return;
    // The states are taken before the registry work, which may let messages
    // through while the window could go away.
    std::array<bool, AssociatedTypes.size()> checked{};
    for (std::size_t i = 0; i < checked.size(); ++i) checked[i] = forms::GetInt(kTypeChecks[i], prop::Checked) == 1;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (!checked[i]) {
            WriteAssociationFlag(AssociatedTypes[i], false);
            continue;
        }
        // Found afresh for every type, from the process that owns the main window.
        const DWORD id = WindowProcessId(forms::NativeWindow(Ctl::MainWindow));
        AssociateType(AssociatedTypes[i], AssociationExecutable(ProcessImagePath(id, true)));
    }
}

void OnUnassociateClicked() {
    if (!Confirmed("是否取消关联？")) return;
    for (std::string_view type : AssociatedTypes) UnassociateType(type);
}

}  // namespace vela
