#pragma once
// MainWindow's own handlers: creation, size changes, keys, the context menu
// and the window buttons.
#include "forms/forms.h"

namespace vela {

void OnMainWindowCreated();
void OnMainWindowSizeChanged();
// The engine found no picture in bytes whose header gave a size.
void OnPictureUndecodable();
// The keyboard map: one operation per released key (navigation, zoom,
// delete, F11 and Enter full screen, F5 the slideshow, Esc to leave full
// screen or else close; with Ctrl: O open, S save a copy, C copy).
// modifiers: the key event's forms::modifier bits.
void OnMainWindowKeyReleased(int virtualKey, int modifiers);
// The mouse's side buttons: 1 (back) previous, 2 (forward) next.
void OnSideButtonReleased(int button);
void ShowContextMenu();
void OnMinimizeClicked();
void OnMaximizeClicked();
[[noreturn]] void OnCloseClicked();
void OnSettingsClicked();

}  // namespace vela
