#pragma once
// The shown picture on the clipboard, for pasting into chat, office and
// image programs.
namespace vela {

// Puts the picture PictureView shows (as turned) on the clipboard as a
// bitmap with alpha (CF_DIBV5), a plain bitmap (CF_DIB) and PNG (the
// registered format "PNG"). Nothing happens, quietly, when there is no
// picture or the clipboard cannot be opened.
void CopyShownPicture();

}  // namespace vela
