#include "files/picture_actions.h"

namespace vela {

// Not wired yet: the buttons, key and menu items that call these do nothing.
void DeleteCurrentPicture() {}
void LocateCurrentFile() {}
void ShowPictureInformation() {}

}  // namespace vela
