// The thin layer over the controls: every rule's numbers come from
// view_math; here they are read from and written to the properties, one at
// a time, because a write can run other handlers (a size change refits).
#include <cstdint>
#include <utility>

#include "view/picture_state.h"
#include "imaging/imaging.h"
#include "runtime/entry_points.h"
#include "forms/forms.h"
#include "view/cursor.h"
#include "view/view.h"
#include "view/view_math.h"

namespace vela {
namespace {

using forms::Ctl;
namespace prop = forms::prop;
using namespace view;

int Get(Ctl c, int p) { return forms::GetInt(c, p); }
void Set(Ctl c, int p, int v) { forms::SetInt(c, p, v); }

void ShowZoomCaption() {
    forms::SetText(Ctl::ZoomRatioButton, prop::Caption,
                   ZoomLabelText(Get(Ctl::PictureView, prop::Width), PictureWidth));
}

void ScaleView(bool zoomIn) {
    auto step = [zoomIn](int side) { return zoomIn ? ZoomInSide(side) : ZoomOutSide(side); };
    Set(Ctl::PictureView, prop::Width, step(Get(Ctl::PictureView, prop::Width)));
    Set(Ctl::PictureView, prop::Height, step(Get(Ctl::PictureView, prop::Height)));
}

void StepZoom(bool zoomIn) {
    ScaleView(zoomIn);
    CentrePictureView();
    ShowZoomCaption();
    forms::ProcessPendingMessages();
}

void CentreVertically(Ctl c) {
    Set(c, prop::Top, CentredPosition(Get(Ctl::MainWindow, prop::Height), Get(c, prop::Height)));
}

// What the window says while it shows no picture.
constexpr const char* kEmptyWindowHint = "拖放图片到此处，或右键打开图片";

// The hint line stands exactly while nothing measurable is shown; it is
// written only when that changes (each write recomposes the window).
void ShowHintWhileEmpty() {
    const bool empty = PictureWidth <= 0 || PictureHeight <= 0;
    if (forms::GetText(Ctl::SkinFrame, prop::FrameHint).empty() != empty) return;
    forms::SetText(Ctl::SkinFrame, prop::FrameHint, empty ? kEmptyWindowHint : "");
}

// The screen less the taskbar and docked bars: where a new window goes.
RECT WorkArea() {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT work{};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && work.right > work.left && work.bottom > work.top)
        area = work;
    return area;
}

POINT CursorOnScreen() {
    POINT p{0, 0};
    api::GetCursorPos(&p);
    return p;
}

// Where the engine holds a block of picture bytes, and the number of the
// view's last attribute write: the engine replaces a block on every write
// and never changes one in place, so equal places are the same bytes.
struct ShownBlock {
    HWND window = nullptr;
    std::uint64_t writes = 0;
    const unsigned char* data = nullptr;
    std::size_t size = 0;

    static ShownBlock Now(ByteView picture) {
        return {forms::NativeWindow(Ctl::PictureView), forms::LastAttributeWrite(Ctl::PictureView), picture.data(),
                picture.size()};
    }
    bool operator==(const ShownBlock&) const = default;
};

// The block the engine could not decode, though its header gave a size.
ShownBlock undecodable;

bool ShowsUndecodable(ByteView picture) {
    return !picture.empty() && ShownBlock::Now(picture) == undecodable;
}

}  // namespace

void MarkShownPictureUndecodable() {
    undecodable = ShownBlock::Now(forms::PeekData(Ctl::PictureView, prop::Picture));
}

void MeasureShownPicture() {
    // Measured where the engine holds it: a copy of a large photo costs more
    // than finding its remembered size, and every layout pass measures.
    const ByteView picture = forms::PeekData(Ctl::PictureView, prop::Picture);
    if (ShowsUndecodable(picture)) {
        PictureWidth = PictureHeight = 0;
        ShowHintWhileEmpty();
        return;
    }
    // The block measured last, untouched since (none of the view's
    // attributes written, same window, same place): the same bytes, so the
    // same size, without comparing a large photo's bytes with the
    // remembered ones again on every pass of a layout.
    static struct {
        HWND window = nullptr;
        std::uint64_t writes = 0;
        const unsigned char* data = nullptr;
        std::size_t size = 0;
    } last;
    const HWND window = forms::NativeWindow(Ctl::PictureView);
    const std::uint64_t writes = forms::LastAttributeWrite(Ctl::PictureView);
    const bool unchanged = PictureWidth > 0 && PictureHeight > 0 && !picture.empty() && window == last.window &&
                           writes == last.writes && picture.data() == last.data && picture.size() == last.size;
    if (!unchanged) {
        PictureWidth = MeasurePictureWidth(picture);
        PictureHeight = MeasurePictureHeight(picture);
        last = {window, writes, picture.data(), picture.size()};
    }
    ShowHintWhileEmpty();
}

namespace {
bool fullScreenLayout = false;
}  // namespace

void UseFullScreenLayout(bool on) { fullScreenLayout = on; }
bool InFullScreenLayout() { return fullScreenLayout; }
double LayoutMargin() { return fullScreenLayout ? 0.0 : forms::Scaled(kMargin); }

void CentrePictureView() {
    Set(Ctl::PictureView, prop::Left,
        CentredPosition(Get(Ctl::MainWindow, prop::Width), Get(Ctl::PictureView, prop::Width)));
    CentreVertically(Ctl::PictureView);
}

void UpdateZoomLabel() { ShowZoomCaption(); }

void FitPictureToWindow() {
    MeasureShownPicture();
    const double margin = LayoutMargin();
    const Fit fit = FitWhole(PictureWidth, PictureHeight, Get(Ctl::MainWindow, prop::Width),
                             Get(Ctl::MainWindow, prop::Height), margin);
    Set(Ctl::PictureView, prop::Width, fit.size.width);
    Set(Ctl::PictureView, prop::Height, fit.size.height);
    CentrePictureView();
    if (fit.fromTop) Set(Ctl::PictureView, prop::Top, TopOfLongPicture(margin));

    Set(Ctl::PreviousButton, prop::Left, 0);
    CentreVertically(Ctl::PreviousButton);
    Set(Ctl::NextButton, prop::Left, FromFarEdge(Get(Ctl::MainWindow, prop::Width), Get(Ctl::NextButton, prop::Width)));
    CentreVertically(Ctl::NextButton);

    Set(Ctl::Toolbar, prop::Left, CentredPosition(Get(Ctl::MainWindow, prop::Width), Get(Ctl::Toolbar, prop::Width)));
    Set(Ctl::Toolbar, prop::Top, FromFarEdge(Get(Ctl::MainWindow, prop::Height), Get(Ctl::Toolbar, prop::Height)));

    const struct {
        Ctl button;
        double offset;
    } corner[] = {{Ctl::CloseButton, kCloseOffset},
                  {Ctl::MaximizeButton, kMaximizeOffset},
                  {Ctl::MinimizeButton, kMinimizeOffset},
                  {Ctl::SettingsButton, kSettingsOffset}};
    for (const auto& c : corner) {
        Set(c.button, prop::Top, 0);
        // Whole scaled button widths, so that rounded sides never overlap.
        const double offset = c.offset / kCloseOffset * forms::Scaled(static_cast<int>(kCloseOffset));
        Set(c.button, prop::Left, FromFarEdge(Get(Ctl::MainWindow, prop::Width), offset));
    }

    if (!forms::ProcessPendingMessages()) return;
    UpdateZoomLabel();
}

void ZoomIn() { StepZoom(true); }
void ZoomOut() { StepZoom(false); }

void WheelZoom(int distance) {
    const POINT cursor = CursorPositionIn(forms::NativeWindow(Ctl::PictureView));
    if (distance != 0) {
        const ViewRect now{Get(Ctl::PictureView, prop::Left), Get(Ctl::PictureView, prop::Top),
                           Get(Ctl::PictureView, prop::Width), Get(Ctl::PictureView, prop::Height)};
        const ViewRect next = WheelStep(now, Get(Ctl::MainWindow, prop::Width), Get(Ctl::MainWindow, prop::Height),
                                        cursor.x, cursor.y, distance);
        Set(Ctl::PictureView, prop::Width, next.width);
        Set(Ctl::PictureView, prop::Height, next.height);
        Set(Ctl::PictureView, prop::Left, next.left);
        Set(Ctl::PictureView, prop::Top, next.top);
        if (!forms::ProcessPendingMessages()) return;
    }
    ShowZoomCaption();
    forms::ProcessPendingMessages();
}

void ShowActualSize() {
    MeasureShownPicture();
    Set(Ctl::PictureView, prop::Width, PictureWidth);
    Set(Ctl::PictureView, prop::Height, PictureHeight);
    CentrePictureView();
    UpdateZoomLabel();
    forms::ProcessPendingMessages();
}

Size SizeWindowToPicture() {
    const RECT area = WorkArea();
    const double margin = forms::Scaled(kMargin);
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    const Size window = WindowSizeForPicture(PictureWidth, PictureHeight, areaWidth, areaHeight, margin);
    Set(Ctl::PictureView, prop::Width, PictureWidth);
    Set(Ctl::PictureView, prop::Height, PictureHeight);
    // Each of these runs the size-changed handler, which refits.
    Set(Ctl::MainWindow, prop::Width, window.width);
    Set(Ctl::MainWindow, prop::Height, window.height);
    CentreMainWindowOnScreen();
    return FitWhole(PictureWidth, PictureHeight, areaWidth, areaHeight, margin).size;
}

void CentreMainWindowOnScreen() {
    const RECT area = WorkArea();
    Set(Ctl::MainWindow, prop::Left,
        area.left + CentredPosition(area.right - area.left, Get(Ctl::MainWindow, prop::Width)));
    Set(Ctl::MainWindow, prop::Top,
        area.top + CentredPosition(area.bottom - area.top, Get(Ctl::MainWindow, prop::Height)));
}

void ToggleFitAndActualSize() {
    MeasureShownPicture();
    const bool actual = Get(Ctl::PictureView, prop::Width) == PictureWidth &&
                        Get(Ctl::PictureView, prop::Height) == PictureHeight;
    if (actual) {
        FitPictureToWindow();
    } else {
        ShowActualSize();
    }
}

void RotatePicture() {
    const int height = Get(Ctl::PictureView, prop::Height);
    const int width = Get(Ctl::PictureView, prop::Width);
    const Bytes turned = RotatePictureBytes(forms::GetData(Ctl::PictureView, prop::Picture));
    // A picture that cannot be turned keeps its bytes and its view: an empty
    // result would lose the file's content (a later save would write nothing).
    if (turned.empty()) return;
    forms::SetData(Ctl::PictureView, prop::Picture, turned);
    // The turned picture's sides are the old ones swapped: the zoom steps
    // and the caption compare the view with them, not with the old width.
    std::swap(PictureWidth, PictureHeight);
    Set(Ctl::PictureView, prop::Height, width);
    Set(Ctl::PictureView, prop::Width, height);
    CentrePictureView();
    ShowZoomCaption();
}

void StartDrag() {
    DragActive = 1;
    const POINT cursor = CursorOnScreen();
    DragOffsetX = DragOffset(Get(Ctl::PictureView, prop::Left), cursor.x);
    DragOffsetY = DragOffset(Get(Ctl::PictureView, prop::Top), cursor.y);
}

void FollowDrag() {
    if (DragActive != 1) return;
    const POINT cursor = CursorOnScreen();
    Set(Ctl::PictureView, prop::Left, DraggedPosition(DragOffsetX, cursor.x));
    Set(Ctl::PictureView, prop::Top, DraggedPosition(DragOffsetY, cursor.y));
}

void EndDrag() { DragActive = 0; }

}  // namespace vela
