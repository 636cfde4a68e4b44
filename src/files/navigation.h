#pragma once
// Opening, stepping through and saving pictures, over the form controls
// (PictureView's bytes, SkinFrame's title, FileDialog).
#include <vector>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// The title: the file name of path followed by TitleSuffix.
void ShowTitleFor(PathView path);
// FindFilesInFolder with the window's pending messages let through while it
// runs (every few milliseconds), so that the window stays responsive.
std::vector<Path> FindFilesInFolder(PathView folder, PathView pattern);
// Rebuilds the list for path; an empty path scans the program's folder and
// puts its first picture into PictureView.
void ScanFolder(PathView path);
// Shows the file (read whole, measured, titled), rebuilds the list, fits.
void OpenPictureFile(PathView path);
void ShowPreviousPicture();
void ShowNextPicture();
// The first / last entry of the list; nothing when it is already shown.
void ShowFirstPicture();
void ShowLastPicture();
// Asks and moves the current file to the recycle bin; once it is gone, its
// entry leaves the list and the next picture shows (the previous one at the
// end of the list, the empty window when none is left). When the file is
// still there (No, the shell refused) nothing changes.
void DeleteAndMoveOn();
void OpenPictureWithDialog();
// Writes PictureView's bytes unchanged under a name chosen in the save dialog.
void SavePictureAs();

}  // namespace vela
