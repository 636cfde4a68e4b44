#include "files/navigation.h"

#include "app/picture_state.h"
#include "files/paths.h"
#include "files/picture_list.h"
#include "forms/forms.h"
#include "view/view.h"

namespace vela {
namespace {

using forms::Ctl;
namespace prop = forms::prop;

// While a folder is enumerated the window's pending messages are let
// through, so that it stays responsive in a large folder. Under Wine every
// look at the queue is a round trip to the server (about 60 us), which in a
// folder of 10,000 files cost more than half a second; looking at most every
// few milliseconds keeps the window just as responsive for a fraction of it.
constexpr DWORD kScanMessageIntervalMs = 8;

bool LetMessagesThrough() {
    static DWORD last = 0;
    if (GetTickCount() - last >= kScanMessageIntervalMs) {
        forms::ProcessPendingMessages();
        last = GetTickCount();
    }
    return true;
}

// Steps to entry `index` (1-based): its bytes, its title, a fit (which
// measures). The path is copied first: the fit lets other handlers run,
// and one of them may rebuild the list.
void ShowEntry(int index) {
    CurrentIndex = index;
    const Text path = PictureList[index - 1];
    forms::SetData(Ctl::PictureView, prop::Picture, ReadWholeFile(path));
    ShowTitleFor(path);
    FitPictureToWindow();
}

}  // namespace

void ShowTitleFor(std::string_view path) {
    forms::SetText(Ctl::SkinFrame, prop::FrameTitle, FileNameOfPath(path) + TitleSuffix);
}

std::vector<Text> FindFilesInFolder(std::string_view folder, std::string_view pattern) {
    return FindFilesInFolder(folder, pattern, LetMessagesThrough);
}

void ScanFolder(std::string_view path) {
    const bool stands = RebuildPictureList(path, [] { LetMessagesThrough(); });
    const bool empty = path.substr(0, path.find('\0')).empty();
    if (stands && empty && !PictureList.empty()) {
        forms::SetData(Ctl::PictureView, prop::Picture, ReadWholeFile(PictureList[0]));
    }
}

void OpenPictureFile(std::string_view path) {
    const Text file(path.substr(0, path.find('\0')));
    // An empty path names no file; scanning for it would show the program
    // folder's first picture under an empty title.
    if (file.empty()) return;
    forms::SetData(Ctl::PictureView, prop::Picture, ReadWholeFile(file));
    MeasureShownPicture();
    ShowTitleFor(file);
    ScanFolder(file);
    FitPictureToWindow();
}

void ShowPreviousPicture() {
    const int index = PreviousIndex(CurrentIndex, static_cast<int>(PictureList.size()));
    if (index) ShowEntry(index);
}

void ShowNextPicture() {
    const int index = NextIndex(CurrentIndex, static_cast<int>(PictureList.size()));
    if (index) ShowEntry(index);
}

void OpenPictureWithDialog() {
    forms::SetInt(Ctl::FileDialog, prop::DialogType, 0);
    forms::SetText(Ctl::FileDialog, prop::DialogFileName, "");
    if (forms::ShowFileDialog(Ctl::FileDialog) != 1) return;
    OpenPictureFile(forms::GetText(Ctl::FileDialog, prop::DialogFileName));
}

void SavePictureAs() {
    if (!HasCurrentPicture()) return;
    forms::SetInt(Ctl::FileDialog, prop::DialogType, 1);
    forms::SetText(Ctl::FileDialog, prop::DialogFileName, FileNameOfPath(CurrentPicturePath()));
    if (forms::ShowFileDialog(Ctl::FileDialog) != 1) return;
    const Text target = forms::GetText(Ctl::FileDialog, prop::DialogFileName);
    WritePictureFile(target, forms::GetData(Ctl::PictureView, prop::Picture));
}

}  // namespace vela
