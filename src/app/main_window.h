#pragma once
// MainWindow's own handlers: creation, size changes, keys, the context menu
// and the window buttons.
#include "runtime/forms.h"

namespace vela {

void OnMainWindowCreated();
void OnMainWindowSizeChanged();
// The engine found no picture in bytes whose header gave a size.
void OnPictureUndecodable();
// The keyboard map: one operation per released navigation or zoom key.
void OnMainWindowKeyReleased(int virtualKey);
void ShowContextMenu();
void OnMinimizeClicked();
void OnMaximizeClicked();
[[noreturn]] void OnCloseClicked();
void OnSettingsClicked();

}  // namespace vela
