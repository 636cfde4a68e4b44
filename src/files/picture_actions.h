#pragma once
// Delete, locate and describe the current picture file.
namespace vela {

void DeleteCurrentPicture();
void LocateCurrentFile();
void ShowPictureInformation();

}  // namespace vela
