// The file dialog of a CommonDlg control and the popup menus of a form.
#include <windows.h>

#include <vector>

#include "runtime/entry_points.h"
#include "forms/form_state.h"

namespace vela::forms {
namespace {

// The longest path the platform has: well beyond MAX_PATH.
constexpr std::size_t kFileNameBuffer = 32768;

// "text|patterns|..." (a GBK text) as the dialog takes it: UTF-16,
// NUL-separated, ending in two NULs.
std::wstring DialogFilter(std::string_view stored) {
    std::wstring f = WideFromGb18030(stored);
    for (wchar_t& c : f) {
        if (c == L'|') c = L'\0';
    }
    f.push_back(L'\0');
    f.push_back(L'\0');
    return f;
}

}  // namespace

int ShowFileDialog(Ctl dialog) {
    const ControlDef* def = FindControlDef(dialog);
    if (!def || def->type != ControlType::CommonDlg) return 0;
    detail::FormState& st = detail::StateOf(FormOf(dialog));
    if (!st.loaded) detail::RuntimeError("未载入欲访问窗口组件所在的窗口");
    detail::ControlState* s = detail::FindState(dialog);
    if (!s || !s->exists) detail::RuntimeError("读取组件属性时发现指定窗口尚未载入");
    int type = s->dialogType;
    if (type != 0 && type != 1) return 0;  // the viewer shows no other kind

    const std::wstring filter = DialogFilter(FormDefOf(FormOf(dialog)).fileDialog.filter);
    std::vector<wchar_t> file(kFileNameBuffer, L'\0');
    s->fileName.copy(file.data(), file.size() - 1);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = st.window;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_HIDEREADONLY | (type == 0 ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : OFN_OVERWRITEPROMPT);
    BOOL ok = type == 0 ? api::GetOpenFileNameW(&ofn) : api::GetSaveFileNameW(&ofn);
    if (!ok) return 0;
    // The dialog may have destroyed nothing of ours, but the form may be gone
    // if a nested handler closed it.
    if (detail::ControlState* again = detail::FindState(dialog)) again->fileName = file.data();
    return 1;
}

Path DialogPath(Ctl dialog) {
    const detail::ControlState* s = detail::FindState(dialog);
    return s ? s->fileName : Path();
}

void SetDialogPath(Ctl dialog, PathView path) {
    if (detail::ControlState* s = detail::FindState(dialog)) s->fileName = Path(path.substr(0, path.find(L'\0')));
}

void PopupMenuAt(Ctl menu, int x, int y, Ctl owner) {
    detail::ControlState* m = detail::FindState(menu);
    HWND window = NativeWindow(owner);
    if (!m || !m->popup || !window) return;
    // The owner must be in front for the menu to close when clicked away.
    SetForegroundWindow(window);
    UINT chosen = static_cast<UINT>(api::TrackPopupMenu(m->popup, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x,
                                                        y, 0, window, nullptr));
    PostMessageA(window, WM_NULL, 0, 0);
    if (chosen && FindMenuItemDef(static_cast<Ctl>(chosen))) detail::RaiseEvent(static_cast<Ctl>(chosen), ev::Clicked);
}

}  // namespace vela::forms
