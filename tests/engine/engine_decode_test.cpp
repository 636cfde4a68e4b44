// Decoding a picture written into a PictureBoxEx: the first frame before
// the smaller copies exist, rewriting while a decode runs, grey and
// odd-sized JPEGs through the imaging component's paths.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <vector>

#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;
using vela::Bytes;

namespace {

uint32_t Grey(int v) { return 0xFF000000u | (v << 16) | (v << 8) | v; }

// The number of colour components in a JPEG's frame header, 0 when none.
int JpegComponents(const Bytes& jpeg) {
    for (size_t i = 2; i + 10 <= jpeg.size();) {
        if (jpeg[i] != 0xFF) return 0;
        const int marker = jpeg[i + 1];
        if (marker >= 0xC0 && marker <= 0xC3) return jpeg[i + 9];
        i += 2 + ((jpeg[i + 2] << 8) | jpeg[i + 3]);
    }
    return 0;
}

template <typename I>
struct ComPtr {
    I* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    I** operator&() { return &p; }
    I* operator->() const { return p; }
};

// A one-component (greyscale) JPEG through the imaging component's encoder:
// the left half grey `left`, the right half grey `right`.
Bytes MakeGreyJpeg(int width, int height, BYTE left, BYTE right) {
    const HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Bytes out;
    {
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IStream> stream;
        ComPtr<IWICBitmapEncoder> encoder;
        ComPtr<IWICBitmapFrameEncode> frame;
        ComPtr<IPropertyBag2> options;
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(&factory))) ||
            FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
            FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) ||
            FAILED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) ||
            FAILED(encoder->CreateNewFrame(&frame, &options)) || FAILED(frame->Initialize(options.p)) ||
            FAILED(frame->SetSize(width, height)))
            return out;
        WICPixelFormatGUID format = GUID_WICPixelFormat8bppGray;
        if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) return out;
        std::vector<BYTE> pixels(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = x < width / 2 ? left : right;
        if (FAILED(frame->WritePixels(height, width, static_cast<UINT>(pixels.size()), pixels.data())) ||
            FAILED(frame->Commit()) || FAILED(encoder->Commit()))
            return out;
        out = BytesOfStream(stream.p);
    }
    if (SUCCEEDED(co)) CoUninitialize();
    return out;
}

// Holds every decode of this process between its first and its complete
// state while it lives. The engine beside this program is the tests' build
// (bin/hold), whose decodes wait on this event's name.
class HoldSmallerCopies {
public:
    HoldSmallerCopies() {
        char name[64];
        wsprintfA(name, "uiengine-hold-levels-%lu", GetCurrentProcessId());
        event_ = CreateEventA(nullptr, TRUE, FALSE, name);
        // A second holder while a released one lives opens the same event,
        // still set: it holds again only once reset.
        if (event_) ResetEvent(event_);
    }
    ~HoldSmallerCopies() {
        Release();
        CloseHandle(event_);
    }
    bool Made() const { return event_ != nullptr; }
    void Release() { SetEvent(event_); }

private:
    HANDLE event_;
};

class EngineDecode : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Engine().dll, nullptr); }
};

}  // namespace

TEST_F(EngineDecode, FirstFrameShowsTheRightPictureBeforeTheSmallerCopiesExist) {
    auto [top, pic] = MakePictureWindow(100, 100, 330, 220);
    ASSERT_TRUE(WaitForFrame(top));
    const COLORREF colour = RGB(40, 90, 200);
    // 2400 x 1600: its halved copies are 1200 x 800 (the first state) and
    // 600 x 400 (the one a 330 x 220 view is drawn from once complete).
    const Bytes jpeg = MakePicture(2400, 1600, L"image/jpeg", colour);
    auto check = [&](const FrameShot& s) {
        EXPECT_TRUE(PixelNear(s.At(100, 100), 0xFFFFFFFF));
        EXPECT_TRUE(PixelNear(s.At(100 + 70, 100 + 45), 0xFFFFFFFF));
        EXPECT_TRUE(PixelNear(s.At(100 + 95, 100 + 20), OpaquePixel(colour)));
        EXPECT_TRUE(PixelNear(s.At(100 + 329, 100 + 219), OpaquePixel(colour)));
        EXPECT_EQ(s.At(99, 150), kComposedBackdrop);
        EXPECT_EQ(s.At(430, 150), kComposedBackdrop);
    };
    HoldSmallerCopies hold;
    ASSERT_TRUE(hold.Made());
    const int before = FrameInfoOf(top).frames;
    EXPECT_EQ(FrameInfoOf(top).pictureFrame, 0);
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitFor([&] { return FrameInfoOf(top).pictureFrame > before; }));
    // On screen while the smaller copies are held back: still pending.
    const ExuiFrameInfo shown = FrameInfoOf(top);
    EXPECT_EQ(shown.pending, 1);
    const int rescalesShown = shown.rescales;
    const FrameShot first = Shoot(top);
    check(first);
    // Let the smaller copies be made: the first frame was averaged for the
    // whole view already, so it stays (no copy is made again from the
    // 600 x 400 one), and the picture is the same.
    hold.Release();
    ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
    WaitFor([] { return false; }, 500);  // a redraw would come within the sharpening's rest
    ASSERT_TRUE(Settle(top));
    const ExuiFrameInfo complete = FrameInfoOf(top);
    EXPECT_EQ(complete.pictureFrame, shown.pictureFrame);
    EXPECT_EQ(complete.rescales, rescalesShown);
    check(Shoot(top));
    Close(top);
}

TEST_F(EngineDecode, RewritingThePictureWhileItDecodesShowsOnlyTheNewOne) {
    auto [top, pic] = MakePictureWindow(100, 100, 300, 200);
    ASSERT_TRUE(WaitForFrame(top));
    const COLORREF oldColour = RGB(220, 30, 30), newColour = RGB(30, 40, 220);
    const Bytes large = MakePicture(3000, 2000, L"image/jpeg", oldColour);
    const Bytes small = MakePicture(300, 200, L"image/png", newColour);
    // Written again and again while the large one decodes, the last one
    // staying; then the large one is replaced during its first state too.
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(SetData(pic, 8, large.data(), static_cast<int>(large.size())), 1);
        ASSERT_EQ(SetData(pic, 8, small.data(), static_cast<int>(small.size())), 1);
    }
    bool oldSeen = false;
    ASSERT_TRUE(WaitFor([&] {
        const FrameShot s = Shoot(top);
        oldSeen = oldSeen || PixelNear(s.At(100 + 250, 100 + 150), OpaquePixel(oldColour));
        return !FrameInfoOf(top).pending;
    }));
    EXPECT_FALSE(oldSeen);
    FrameShot s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(100 + 250, 100 + 150), OpaquePixel(newColour)));
    EXPECT_TRUE(PixelNear(s.At(100 + 10, 100 + 10), 0xFFFFFFFF));
    ExuiData read{};
    ASSERT_EQ(Engine().ControlSendMessage(HandleOf(pic), 10242, 8, reinterpret_cast<INT_PTR>(&read), 0, 0), 1);
    ASSERT_EQ(read.length, static_cast<int32_t>(small.size()));
    EXPECT_EQ(memcmp(read.data, small.data(), small.size()), 0);
    {
        // The large picture shown in its first state, held there, then
        // replaced: the held decode ends without showing anything.
        HoldSmallerCopies hold;
        ASSERT_TRUE(hold.Made());
        const int before = FrameInfoOf(top).frames;
        ASSERT_EQ(SetData(pic, 8, large.data(), static_cast<int>(large.size())), 1);
        ASSERT_TRUE(WaitFor([&] { return FrameInfoOf(top).pictureFrame > before; }));
        EXPECT_TRUE(PixelNear(Shoot(top).At(100 + 250, 100 + 150), OpaquePixel(oldColour)));
        ASSERT_EQ(SetData(pic, 8, small.data(), static_cast<int>(small.size())), 1);
        ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
        EXPECT_TRUE(PixelNear(Shoot(top).At(100 + 250, 100 + 150), OpaquePixel(newColour)));
    }
    // The held decode is released now; the next picture still decodes and
    // shows on its own.
    const Bytes again = MakePicture(640, 600, L"image/jpeg", oldColour);
    ASSERT_EQ(SetData(pic, 8, again.data(), static_cast<int>(again.size())), 1);
    ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
    EXPECT_TRUE(PixelNear(Shoot(top).At(100 + 250, 100 + 150), OpaquePixel(oldColour)));
    Close(top);
}

TEST_F(EngineDecode, GreyJpegDecodesAndShows) {
    // 1200 x 800 grey: converted by the imaging component into the picture,
    // its halved copy made afterwards (not on the colour path's way).
    const Bytes jpeg = MakeGreyJpeg(1200, 800, 220, 40);
    ASSERT_FALSE(jpeg.empty());
    ASSERT_EQ(JpegComponents(jpeg), 1);
    auto [top, pic] = MakePictureWindow(100, 100, 300, 200);
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    FrameShot s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(100 + 20, 100 + 100), Grey(220)));
    EXPECT_TRUE(PixelNear(s.At(100 + 130, 100 + 10), Grey(220)));
    EXPECT_TRUE(PixelNear(s.At(100 + 170, 100 + 190), Grey(40)));
    EXPECT_TRUE(PixelNear(s.At(100 + 299, 100 + 199), Grey(40)));
    EXPECT_EQ(s.At(99, 150), kComposedBackdrop);
    EXPECT_EQ(s.At(400, 150), kComposedBackdrop);
    // At 1:1 (the whole picture, no halved copy), its middle in the window.
    SetWindowPos(pic, nullptr, -450, -300, 1200, 800, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitForFrame(top));
    s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(140, 100), Grey(220)));
    EXPECT_TRUE(PixelNear(s.At(160, 100), Grey(40)));
    EXPECT_TRUE(PixelNear(s.At(640, 400), Grey(40)));
    Close(top);
}

TEST_F(EngineDecode, OddSizedColourJpegIsWholeAtFullAndHalfSize) {
    // 1001 x 777: rows of 3003 bytes widened in place, an odd last row and
    // column left out of the halved copy (500 x 388).
    const COLORREF colour = RGB(30, 160, 90);
    const Bytes jpeg = MakePicture(1001, 777, L"image/jpeg", colour);
    ASSERT_EQ(JpegComponents(jpeg), 3);
    HWND top = MakeTopLevel(0, 0, 1100, 900);
    MakeSkinned(EngineType::WindowEx, top, 4, 4, 24, 24, 16);
    HWND pic = MakeSkinned(EngineType::PictureBoxEx, top, 40, 60, 1001, 777, 15);
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitForFrame(top));
    // The mark covers the top-left 251 x 195 (points away from the 16 x 16
    // blocks its edges cross, where the encoder blurs the colours).
    FrameShot s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(40, 60), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(40 + 235, 60 + 170), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(40 + 257, 60 + 100), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(40 + 100, 60 + 210), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(40 + 1000, 60), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(40, 60 + 776), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(40 + 1000, 60 + 776), OpaquePixel(colour)));
    EXPECT_EQ(s.At(39, 300), kComposedBackdrop);
    EXPECT_EQ(s.At(40 + 1001, 300), kComposedBackdrop);
    EXPECT_EQ(s.At(300, 60 + 777), kComposedBackdrop);
    // The halved copy itself, drawn 1:1.
    SetWindowPos(pic, nullptr, 0, 0, 500, 388, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitForFrame(top));
    s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(40, 60), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(40 + 110, 60 + 80), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(40 + 130, 60 + 50), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(40 + 499, 60 + 387), OpaquePixel(colour)));
    EXPECT_EQ(s.At(40 + 500, 200), kComposedBackdrop);
    EXPECT_EQ(s.At(200, 60 + 388), kComposedBackdrop);
    Close(top);
}

namespace {

// Waits, without handling it, until the engine's message that a decode's
// first state is ready lies in the view's queue: the worker has then read
// the view's size and made what it makes for it.
bool WaitFirstStateQueued(HWND pic) {
    const UINT decoded = RegisterWindowMessageA("ExuiKrnln.Decoded");
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m{};
        if (PeekMessageA(&m, pic, decoded, decoded, PM_NOREMOVE) && m.lParam == 0) return true;
        if (GetTickCount() - start > 10000) return false;
        Sleep(1);
    }
}

}  // namespace

TEST_F(EngineDecode, FirstFrameFitsTheViewWhoseSizeChangedDuringTheDecode) {
    auto [top, pic] = MakePictureWindow(100, 100, 330, 220);
    ASSERT_TRUE(WaitForFrame(top));
    const COLORREF colour = RGB(200, 60, 30);
    // 2400 x 1600, its first halved copy 1200 x 800; the white mark is its
    // top-left quarter.
    const Bytes jpeg = MakePicture(2400, 1600, L"image/jpeg", colour);
    HoldSmallerCopies hold;
    ASSERT_TRUE(hold.Made());
    // The view grows to 440 x 300 once the worker has prepared the first
    // frame for 330 x 220: the first frame is drawn for the new size.
    int before = FrameInfoOf(top).frames;
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    ASSERT_TRUE(WaitFirstStateQueued(pic));
    SetWindowPos(pic, nullptr, 0, 0, 440, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return FrameInfoOf(top).pictureFrame > before; }));
    EXPECT_EQ(FrameInfoOf(top).pending, 1);
    FrameShot s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(100, 100), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(100 + 100, 100 + 65), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(100 + 125, 100 + 30), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(100 + 30, 100 + 90), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(100 + 439, 100 + 299), OpaquePixel(colour)));
    EXPECT_EQ(s.At(99, 200), kComposedBackdrop);
    EXPECT_EQ(s.At(100 + 440, 200), kComposedBackdrop);
    EXPECT_EQ(s.At(200, 100 + 300), kComposedBackdrop);
    hold.Release();
    ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));

    // A view larger than the first halved copy when the decode ends
    // (1300 x 900) is first drawn from the whole picture.
    SetData(pic, 8, nullptr, 0);
    ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
    SetWindowPos(pic, nullptr, -200, -150, 1300, 900, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitForFrame(top));
    before = FrameInfoOf(top).frames;
    HoldSmallerCopies holdAgain;
    ASSERT_TRUE(holdAgain.Made());
    ASSERT_EQ(SetData(pic, 8, jpeg.data(), static_cast<int>(jpeg.size())), 1);
    // The host sets the view's size after the bytes, as the viewer's fit
    // does (here the size it has already): only then is the picture shown.
    SetWindowPos(pic, nullptr, 0, 0, 1300, 900, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return FrameInfoOf(top).pictureFrame > before; }));
    EXPECT_EQ(FrameInfoOf(top).pending, 1);
    // The mark ends at 325 x 225 of the view: at (125, 75) in the window.
    s = Shoot(top);
    EXPECT_TRUE(PixelNear(s.At(100, 50), 0xFFFFFFFF));
    EXPECT_TRUE(PixelNear(s.At(150, 50), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(100, 100), OpaquePixel(colour)));
    EXPECT_TRUE(PixelNear(s.At(600, 400), OpaquePixel(colour)));
    holdAgain.Release();
    ASSERT_TRUE(WaitFor([&] { return !FrameInfoOf(top).pending; }));
    Close(top);
}
