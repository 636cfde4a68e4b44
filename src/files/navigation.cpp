#include "files/navigation.h"

#include "view/picture_state.h"
#include "files/paths.h"
#include "files/picture_list.h"
#include "files/picture_actions.h"
#include "files/picture_order.h"
#include "files/prepare_ahead.h"
#include "forms/forms.h"
#include "view/frame_hold.h"
#include "view/view.h"

namespace vela {
namespace {

using forms::Ctl;
namespace prop = forms::prop;

// While a folder is enumerated the window's pending messages are let
// through, so that it stays responsive in a large folder. A look at the
// queue is not free (a round trip to the window server on some systems,
// more than half a second over a folder of 10,000 files); looking at most
// every few milliseconds keeps the window just as responsive for a fraction
// of it.
constexpr DWORD kScanMessageIntervalMs = 8;

bool LetMessagesThrough() {
    static DWORD last = 0;
    if (GetTickCount() - last >= kScanMessageIntervalMs) {
        forms::ProcessPendingMessages();
        last = GetTickCount();
    }
    return true;
}

// Steps asked for while the list is being rebuilt (Right pressed while the
// start-up still scans the folder of a large first picture) would find no
// list and be lost; they wait here instead and are taken, in order, once the
// newest scan's list stands. A newer scan started during an older one's
// message processing keeps them pending: the older list is never used.
bool listPending = false;
std::vector<bool> waitingSteps;  // true: next, false: previous
constexpr std::size_t kMaxWaitingSteps = 64;

void TakeWaitingSteps() {
    std::vector<bool> steps;
    steps.swap(waitingSteps);
    for (bool next : steps) {
        if (forms::StartWindowClosed()) return;
        next ? ShowNextPicture() : ShowPreviousPicture();
    }
}

// Steps to entry `index` (1-based): its bytes, its title, a fit (which
// measures). The path is copied first: the fit lets other handlers run,
// and one of them may rebuild the list.
void ShowEntry(int index) {
    CurrentIndex = index;
    const Path path = PictureList[index - 1];
    {
        // The new bytes, title and fit make one frame.
        const view::FrameHold hold;
        forms::SetData(Ctl::PictureView, prop::Picture, ReadWholeFile(path));
        ShowTitleFor(path);
        FitPictureToWindow();
    }
    // The fit lets messages through: the window may have been closed.
    if (!forms::StartWindowClosed()) PrepareNeighboursOnceShown();
}

// The window's own name, as it reads before any picture is shown.
constexpr const char* kEmptyWindowTitle = "Vela图片查看器";

bool FileIsThere(const Path& path) {
    if (GetFileAttributesW(ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    // Only "no such file" means gone; a file the viewer may not look at is
    // still there as far as it can tell.
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// No picture left: the empty window with its hint.
void ShowEmptyWindow() {
    CurrentIndex = 0;
    const view::FrameHold hold;
    forms::SetData(Ctl::PictureView, prop::Picture, Bytes());
    forms::SetText(Ctl::SkinFrame, prop::FrameTitle, kEmptyWindowTitle);
    FitPictureToWindow();
}

}  // namespace

void ShowTitleFor(PathView path) {
    forms::SetText(Ctl::SkinFrame, prop::FrameTitle, FileNameText(path) + TitleSuffix);
}

std::vector<Path> FindFilesInFolder(PathView folder, PathView pattern) {
    return FindFilesInFolder(folder, pattern, LetMessagesThrough);
}

void ScanFolder(PathView path) {
    listPending = true;
    const bool stands = RebuildPictureList(path, [] { LetMessagesThrough(); });
    if (!stands || forms::StartWindowClosed()) return;  // overtaken, or the program is ending
    listPending = false;
    const bool empty = path.substr(0, path.find(L'\0')).empty();
    if (empty && !PictureList.empty()) {
        forms::SetData(Ctl::PictureView, prop::Picture, ReadWholeFile(PictureList[0]));
    }
    TakeWaitingSteps();
}

void OpenPictureFile(PathView path) {
    const Path file(path.substr(0, path.find(L'\0')));
    // An empty path names no file; scanning for it would show the program
    // folder's first picture under an empty title.
    if (file.empty()) return;
    {
        const view::FrameHold hold;
        forms::SetData(Ctl::PictureView, prop::Picture, ReadWholeFile(file));
        MeasureShownPicture();
        ShowTitleFor(file);
        ScanFolder(file);
        if (forms::StartWindowClosed()) return;
        FitPictureToWindow();
    }
    if (!forms::StartWindowClosed()) PrepareNeighboursOnceShown();
}

void ShowPreviousPicture() {
    if (listPending) {
        if (waitingSteps.size() < kMaxWaitingSteps) waitingSteps.push_back(false);
        return;
    }
    const int index = PreviousIndex(CurrentIndex, static_cast<int>(PictureList.size()));
    if (index) ShowEntry(index);
}

void ShowNextPicture() {
    if (listPending) {
        if (waitingSteps.size() < kMaxWaitingSteps) waitingSteps.push_back(true);
        return;
    }
    const int index = NextIndex(CurrentIndex, static_cast<int>(PictureList.size()));
    if (index) ShowEntry(index);
}

void ShowFirstPicture() {
    if (listPending || PictureList.empty() || CurrentIndex == 1) return;
    ShowEntry(1);
}

void ShowLastPicture() {
    const int last = static_cast<int>(PictureList.size());
    if (listPending || last == 0 || CurrentIndex == last) return;
    ShowEntry(last);
}

void DeleteAndMoveOn() {
    if (listPending || !HasCurrentPicture()) return;
    const Path path = CurrentPicturePath();
    const bool existed = FileIsThere(path);
    DeleteCurrentPicture();
    // The question and the shell let messages through: the window may have
    // gone, or a drop may have rebuilt the list (then it is left alone).
    if (forms::StartWindowClosed() || listPending || !existed || FileIsThere(path)) return;
    if (CurrentPicturePath() != path) return;
    const int next = RemoveEntry(PictureList, CurrentIndex, path);
    if (next == 0) {
        ShowEmptyWindow();
        return;
    }
    ShowEntry(next);
}

void OpenPictureWithDialog() {
    forms::SetInt(Ctl::FileDialog, prop::DialogType, 0);
    forms::SetDialogPath(Ctl::FileDialog, L"");
    if (forms::ShowFileDialog(Ctl::FileDialog) != 1) return;
    OpenPictureFile(forms::DialogPath(Ctl::FileDialog));
}

void SavePictureAs() {
    if (!HasCurrentPicture()) return;
    forms::SetInt(Ctl::FileDialog, prop::DialogType, 1);
    forms::SetDialogPath(Ctl::FileDialog, FileNameOfPath(CurrentPicturePath()));
    if (forms::ShowFileDialog(Ctl::FileDialog) != 1) return;
    const Path target = forms::DialogPath(Ctl::FileDialog);
    // Not reported either way: a save that fails leaves the target as it
    // was (and no partial file), and the view and list are not touched.
    WritePictureFile(target, forms::GetData(Ctl::PictureView, prop::Picture));
}

}  // namespace vela
