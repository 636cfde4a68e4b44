// Files dropped on the running viewer the way a file manager drops them:
// a committed X client (tests/tools/xdnd_drop.py, run with the system
// Python as a Unix process) performs a real XDND drop on the viewer's X
// window, and Wine posts the real WM_DROPFILES.
#include <windows.h>

#include <gtest/gtest.h>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

std::wstring WideOf(const std::string& text, UINT codePage) {
    std::wstring out(text.size(), L'\0');
    out.resize(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                   static_cast<int>(out.size())));
    return out;
}

// The paths here are the viewer's kind of text: GBK, GB18030 for a
// character outside it.
std::wstring WideOf(const std::string& path) { return vela::WideFromGb18030(path); }

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

class DropE2E : public ::testing::Test {
protected:
    void Picture(const std::string& path, int w, int h, const wchar_t* mime = L"image/jpeg") {
        ASSERT_TRUE(WriteBytes(WideOf(path), MakePicture(w, h, mime))) << path;
    }
    void Start(const std::string& path) {
        ASSERT_TRUE(viewer_.Start(Quoted(path)));
        ASSERT_NE(viewer_.Main(), nullptr);
        ASSERT_TRUE(viewer_.WaitTitle(Title(path))) << viewer_.Title();
        ASSERT_TRUE(WaitFor([&] { return viewer_.ControlText(kZoomRatioButton).back() == L'%'; }));
    }
    // Drops the files on the middle of the viewer's window and waits until the
    // drop is finished, that is until WM_DROPFILES has been posted to it.
    // Wine may replace the window's X window while it settles (a busy
    // machine shows it as BadWindow and "timeout" in the client): the drop is
    // then made again on the X window the viewer has now.
    void Drop(const std::vector<std::string>& paths) {
        std::string said;
        for (int attempt = 0; attempt < 3; ++attempt) {
            said = DropOnce(paths);
            if (said != "timeout" && said != "no window") break;
        }
        ASSERT_EQ(said, "0") << "the viewer did not take the drop";
    }
    std::string DropOnce(const std::vector<std::string>& paths) {
        HWND main = viewer_.Main();
        const auto xWindow = reinterpret_cast<UINT_PTR>(GetPropA(main, "__wine_x11_whole_window"));
        if (xWindow == 0) return "no X window";
        const RECT r = viewer_.WindowRect();
        const std::string done = dir_ / ("drop" + std::to_string(++drops_) + ".done");
        std::wstring command = Quote(L"Z:\\usr\\bin\\python3") + L" " + Quote(WideOf(VELA_XDND_CLIENT, CP_UTF8)) +
                               L" " + std::to_wstring(xWindow) + L" " + std::to_wstring((r.left + r.right) / 2) + L" " +
                               std::to_wstring((r.top + r.bottom) / 2) + L" " + Quote(WideOf(UnixPath(done), CP_UTF8));
        for (const std::string& p : paths) command += L" " + Quote(WideOf(UnixPath(p), CP_UTF8));
        // A program that is no Windows program runs as a Unix process.
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            return "the drop client did not start";
        }
        if (pi.hProcess) CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
        if (!WaitFor([&] { return !ReadBytes(done).empty(); }, 30000)) return "no answer from the drop client";
        const vela::Bytes said = ReadBytes(done);
        return std::string(said.begin(), said.end());
    }
    static std::wstring Title(const std::string& path) {
        return WideOf(path.substr(path.rfind('\\') + 1)) + L"—Vela图片查看器";
    }
    // The view's place is set by the fit that ends an opening, after the
    // folder scan (keys handled during the scan meet an empty list).
    bool WaitView(int left, int top, int width, int height) {
        return WaitFor([&] { return SameRect(viewer_.ControlRect(kPictureView), left, top, width, height); });
    }
    void Step(UINT key, const std::string& expected) {
        viewer_.KeyRelease(viewer_.Control(kPictureView), key, true);
        EXPECT_TRUE(viewer_.WaitTitle(Title(expected))) << viewer_.Title();
    }
    void TearDown() override { viewer_.Kill(); }

    ScratchFolder dir_{"drop"};
    Viewer viewer_;
    int drops_ = 0;
};

}  // namespace

TEST_F(DropE2E, PicturesOpenInDropOrderAndTheLastKeepsItsFolder) {
    const std::string first = dir_ / "start", photos = dir_ / "照片集";
    ASSERT_TRUE(MakeFolder(first));
    ASSERT_TRUE(MakeFolder(photos));
    Picture(first + "\\s1.jpg", 300, 200);
    Picture(photos + "\\y1.jpg", 320, 240);
    Picture(photos + "\\y2.bmp", 200, 100, L"image/bmp");
    Picture(photos + "\\图3.png", 400, 300, L"image/png");
    ASSERT_TRUE(WriteText(photos + "\\notes.txt", "not a picture"));
    Start(first + "\\s1.jpg");
    // The text file comes between the pictures; the last picture stays shown.
    Drop({photos + "\\y2.bmp", photos + "\\notes.txt", first + "\\s1.jpg", photos + "\\图3.png"});
    EXPECT_TRUE(viewer_.WaitTitle(Title(photos + "\\图3.png"))) << viewer_.Title();
    EXPECT_TRUE(WaitView(200, 100, 400, 300)) << RectText(viewer_.ControlRect(kPictureView));
    // Its folder's list: 图3.png is the last entry (GBK names sort after ASCII).
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_RIGHT, true);
    Step(VK_LEFT, photos + "\\y2.bmp");
    Step(VK_LEFT, photos + "\\y1.jpg");
    viewer_.Click(viewer_.Control(kNextButton));
    EXPECT_TRUE(viewer_.WaitTitle(Title(photos + "\\y2.bmp"))) << viewer_.Title();
}

TEST_F(DropE2E, CameraNamesOpenAndStepJpegAndCursorAreNoEntries) {
    const std::string cam = dir_ / "DCIM";
    ASSERT_TRUE(MakeFolder(cam));
    Picture(dir_ / "s1.jpg", 300, 200);
    Picture(dir_ / "s2.jpg", 300, 200);
    ASSERT_TRUE(WriteBytes(dir_ / "photo.jpeg", MakePicture(100, 100, L"image/jpeg")));
    Picture(cam + "\\DSC0001.JPG", 640, 480);
    Picture(cam + "\\DSC0002.JPG", 320, 240);
    Start(dir_ / "s1.jpg");

    // A .jpeg drop opens nothing: the key posted behind it still steps from s1.
    Drop({dir_ / "photo.jpeg"});
    Step(VK_RIGHT, dir_ / "s2.jpg");

    Drop({cam + "\\DSC0001.JPG"});
    EXPECT_TRUE(viewer_.WaitTitle(Title(cam + "\\DSC0001.JPG"))) << viewer_.Title();
    // Dropped, it is fitted whole: by its height into the 400 pixels free.
    ASSERT_TRUE(WaitView(133, 50, 533, 400)) << RectText(viewer_.ControlRect(kPictureView));
    Step(VK_RIGHT, cam + "\\DSC0002.JPG");
    EXPECT_TRUE(WaitView(240, 130, 320, 240)) << RectText(viewer_.ControlRect(kPictureView));

    // A cursor opens but is not in the list: Left does nothing, Right goes
    // to the folder's first picture.
    ASSERT_TRUE(WriteBytes(dir_ / "arrow.cur", MakePicture(32, 32, L"image/bmp")));
    Drop({dir_ / "arrow.cur"});
    EXPECT_TRUE(viewer_.WaitTitle(Title(dir_ / "arrow.cur"))) << viewer_.Title();
    ASSERT_TRUE(WaitView(384, 234, 32, 32)) << RectText(viewer_.ControlRect(kPictureView));
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_LEFT, true);
    Step(VK_RIGHT, dir_ / "s1.jpg");
}

TEST_F(DropE2E, ANameOutsideGbkOpensWhenDropped) {
    Picture(dir_ / "s1.jpg", 300, 200);
    const std::string dropped = dir_ / vela::Gb18030FromWide(L"한국😀\U00020000.png");
    Picture(dropped, 320, 240, L"image/png");
    Start(dir_ / "s1.jpg");
    Drop({dropped});
    EXPECT_TRUE(viewer_.WaitTitle(Title(dropped))) << viewer_.Title();
    EXPECT_TRUE(WaitView(240, 130, 320, 240)) << RectText(viewer_.ControlRect(kPictureView));
}
