// Every event of MainWindow, its controls and menu, and of AssociationWindow,
// routed to the operation that serves it.
#include "app/event_table.h"

#include "app/full_screen.h"
#include "app/main_window.h"
#include "files/navigation.h"
#include "files/picture_actions.h"
#include "shell/association_window.h"
#include "view/view.h"

namespace vela {
namespace {

using forms::Ctl;
using forms::EventArgs;
namespace ev = forms::ev;

// Adapters from the form layer's handler shape to the plain operations.
template <void (*Operation)()>
int Run(const EventArgs&) {
    Operation();
    return 0;
}

int OnKeyReleased(const EventArgs& e) {
    OnMainWindowKeyReleased(e.arg[0], e.arg[1]);
    return 0;
}

int OnSideButton(const EventArgs& e) {
    OnSideButtonReleased(e.arg[0]);
    return 0;
}

int OnWheel(const EventArgs& e) {
    WheelZoom(e.arg[forms::kPictureWheelDistanceArg]);
    return 0;
}

int OnClose(const EventArgs&) { OnCloseClicked(); }

constexpr forms::EventBinding kMainWindowEvents[] = {
    {Ctl::MainWindow, ev::Created, Run<OnMainWindowCreated>},
    {Ctl::MainWindow, ev::SizeChanged, Run<OnMainWindowSizeChanged>},
    {Ctl::MainWindow, ev::RightUp, Run<ShowContextMenu>},
    {Ctl::MainWindow, ev::KeyUp, OnKeyReleased},
    {Ctl::MainWindow, ev::XButtonUp, OnSideButton},
    // The window's empty area (the picture's own double-click switches the zoom).
    {Ctl::MainWindow, ev::DoubleClick, Run<ToggleFullScreen>},
    {Ctl::PictureView, ev::DoubleClick, Run<ToggleFitAndActualSize>},
    {Ctl::PictureView, ev::PictureLeftDown, Run<StartDrag>},
    {Ctl::PictureView, ev::PictureLeftUp, Run<EndDrag>},
    {Ctl::PictureView, ev::PictureMouseMove, Run<FollowDrag>},
    {Ctl::PictureView, ev::PictureWheel, OnWheel},
    {Ctl::PictureView, ev::PictureUndecodable, Run<OnPictureUndecodable>},
    {Ctl::ZoomInButton, ev::Clicked, Run<ZoomIn>},
    {Ctl::ZoomRatioButton, ev::Clicked, Run<ShowActualSize>},
    {Ctl::ZoomOutButton, ev::Clicked, Run<ZoomOut>},
    {Ctl::SaveButton, ev::Clicked, Run<SavePictureAs>},
    {Ctl::DeleteButton, ev::Clicked, Run<DeleteAndMoveOn>},
    {Ctl::RotateButton, ev::Clicked, Run<RotatePicture>},
    {Ctl::PreviousButton, ev::Clicked, Run<ShowPreviousPicture>},
    {Ctl::NextButton, ev::Clicked, Run<ShowNextPicture>},
    {Ctl::SettingsButton, ev::Clicked, Run<OnSettingsClicked>},
    {Ctl::MinimizeButton, ev::Clicked, Run<OnMinimizeClicked>},
    {Ctl::MaximizeButton, ev::Clicked, Run<OnMaximizeClicked>},
    {Ctl::CloseButton, ev::Clicked, OnClose},
    {Ctl::OpenPictureItem, ev::Clicked, Run<OpenPictureWithDialog>},
    {Ctl::LocateFileItem, ev::Clicked, Run<LocateCurrentFile>},
    {Ctl::PictureInfoItem, ev::Clicked, Run<ShowPictureInformation>},
};

constexpr forms::EventBinding kAssociationWindowEvents[] = {
    {Ctl::AssociationWindow, ev::Created, Run<OnAssociationWindowCreated>},
    {Ctl::SelectAllCheck, ev::Clicked, Run<OnSelectAllClicked>},
    {Ctl::AssociateButton, ev::Clicked, Run<OnAssociateClicked>},
    {Ctl::UnassociateButton, ev::Clicked, Run<OnUnassociateClicked>},
};

}  // namespace

void BindMainWindowEvents() {
    forms::BindEvents(forms::Form::MainWindow, kMainWindowEvents);
    forms::BindEvents(forms::Form::AssociationWindow, kAssociationWindowEvents);
}

}  // namespace vela
