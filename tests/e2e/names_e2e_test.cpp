// The real viewer with pictures whose names lie outside GBK (Korean, an
// emoji, a CJK Extension B character), in a folder deeper than MAX_PATH, and
// with its Chinese texts read through the wide calls. Run under code page
// 936 and again under 1252 (tests/CMakeLists.txt): every expectation holds
// under both.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "box_answerer.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

const std::wstring kSuffix = L"—Vela图片查看器";

// Wine's own buttons follow the locale it runs under.
bool Chinese() { return GetACP() == 936; }
std::wstring Yes() { return Chinese() ? kYes : L"&Yes"; }
std::wstring Ok() { return Chinese() ? kOk : L"OK"; }

struct Named {
    std::wstring name;
    int width, height;
    const wchar_t* type;
};
const Named kPictures[] = {
    {L"a.jpg", 320, 240, L"image/jpeg"},    {L"z😀.png", 400, 200, L"image/png"},
    {L"中文.jpg", 360, 270, L"image/jpeg"}, {L"한국.jpg", 250, 450, L"image/jpeg"},
    {L"\U00020000.jpg", 300, 300, L"image/jpeg"},
};

// The names in the order Explorer shows them: the shell's own comparison.
std::vector<std::wstring> ExplorerOrder() {
    std::vector<std::wstring> names;
    for (const Named& p : kPictures) names.push_back(p.name);
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return StrCmpLogicalW(a.c_str(), b.c_str()) < 0; });
    return names;
}

class NamesE2E : public ::testing::Test {
protected:
    void SetUp() override {
        for (const Named& p : kPictures) ASSERT_TRUE(WriteBytes(Dir() + p.name, MakePicture(p.width, p.height, p.type)));
    }
    void TearDown() override { viewer_.Kill(); }
    std::wstring Dir() const { return W(dir_.Path()) + L"\\"; }
    void Open(const std::wstring& path) {
        ASSERT_TRUE(viewer_.Start(L"\"" + path + L"\""));
        ASSERT_NE(viewer_.Main(), nullptr);
    }
    void Key(UINT key) { viewer_.KeyRelease(viewer_.Control(kPictureView), key, true); }
    std::vector<SeenBox> Answer(std::vector<std::wstring> answers, const std::function<void()>& action) {
        return AnswerBoxes(viewer_.ProcessId(), std::move(answers), action);
    }
    ScratchFolder dir_{"names"};
    Viewer viewer_;
};

}  // namespace

TEST_F(NamesE2E, EachNameOpensAtItsSizeWithItsTitleAndTheFolderStepsInExplorersOrder) {
    for (const Named& p : kPictures) {
        Viewer one;
        ASSERT_TRUE(one.Start(L"\"" + Dir() + p.name + L"\""));
        EXPECT_TRUE(one.WaitTitle(p.name + kSuffix)) << one.Title();
        EXPECT_TRUE(one.WaitControlText(kZoomRatioButton, L"100%")) << one.ControlText(kZoomRatioButton);
        const auto sides = [&] {
            const RECT view = one.ControlRect(kPictureView);
            return std::to_wstring(view.right - view.left) + L"x" + std::to_wstring(view.bottom - view.top);
        };
        EXPECT_TRUE(WaitFor([&] { return sides() == std::to_wstring(p.width) + L"x" + std::to_wstring(p.height); }))
            << p.name << L" " << sides();
        one.Kill();
    }
    Open(Dir() + kPictures[2].name);
    ASSERT_TRUE(viewer_.WaitTitle(kPictures[2].name + kSuffix));
    Key(VK_HOME);
    for (const std::wstring& name : ExplorerOrder()) {
        EXPECT_TRUE(viewer_.WaitTitle(name + kSuffix)) << viewer_.Title();
        Key(VK_RIGHT);
    }
}

TEST_F(NamesE2E, ANameOutsideGbkIsDescribedCopiedSavedAndDeleted) {
    const std::wstring path = Dir() + L"한국.jpg";
    Open(path);
    ASSERT_TRUE(viewer_.WaitTitle(L"한국.jpg" + kSuffix)) << viewer_.Title();
    // The information box: the file's size and the picture's sides.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    PostMessageW(viewer_.Control(kPictureView), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }));
    auto seen = Answer({Ok()}, [&] {
        PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);  // the last item, 图片信息
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text.substr(0, seen[0].text.find(L"\r\n创建")),
              L"图片信息|文件大小：" + std::to_wstring((data.nFileSizeLow + 1023) / 1024) +
                  L"kb\r\n图片宽度：250\r\n图片高度：450");
    // Copied: the picture's sides on the clipboard.
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
    SetForegroundWindow(viewer_.Main());
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == viewer_.Main(); }));
    INPUT chord[4] = {};
    for (int i = 0; i < 4; ++i) chord[i].type = INPUT_KEYBOARD;
    chord[0].ki.wVk = chord[3].ki.wVk = VK_CONTROL;
    chord[1].ki.wVk = chord[2].ki.wVk = 'C';
    chord[2].ki.dwFlags = chord[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, chord, sizeof(INPUT));
    ASSERT_TRUE(WaitFor([&] { return IsClipboardFormatAvailable(CF_DIB) && OpenClipboard(nullptr); }));
    const auto* dib = static_cast<const BITMAPINFOHEADER*>(GlobalLock(GetClipboardData(CF_DIB)));
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(RectText({0, 0, dib->biWidth, dib->biHeight}), L"(0, 0, 250 x 450)");
    CloseClipboard();
    // Saved under another name outside GBK, typed into the save dialog.
    const std::wstring copy = Dir() + L"사본😀.jpg";
    viewer_.Click(viewer_.Control(kSaveButton));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(viewer_.ProcessId())) != nullptr; }));
    HWND name = GetDlgItem(dialog, 0x480);  // edt1, the file name
    if (!name) name = GetDlgItem(dialog, 0x47C);  // cmb13 in the newer layout
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(copy) == ReadBytes(path); }));
    // Deleted after both questions; the next picture in Explorer's order shows.
    seen = Answer({Yes(), Yes()}, [&] { Key(VK_DELETE); });
    EXPECT_EQ(seen[0].text, L"한국.jpg\r\n是否删除？");
    EXPECT_TRUE(WaitFor([&] { return !Exists(path); }));
    const std::vector<std::wstring> order = ExplorerOrder();
    auto at = std::find(order.begin(), order.end(), L"한국.jpg");
    ASSERT_NE(at + 1, order.end());
    EXPECT_TRUE(viewer_.WaitTitle(*(at + 1) + kSuffix)) << viewer_.Title();
}

TEST_F(NamesE2E, APictureDeeperThanMaxPathOpensStepsAndIsDeleted) {
    std::wstring deep = W(dir_.Path());
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(50, L'd');
        ASSERT_TRUE(MakeFolder(deep));
    }
    for (const wchar_t* n : {L"p1.jpg", L"p2.jpg"}) ASSERT_TRUE(WriteBytes(deep + L"\\" + n, MakePicture(60, 40, L"image/jpeg")));
    ASSERT_GT(deep.size() + 7, 300u);
    Open(deep + L"\\p1.jpg");
    EXPECT_TRUE(viewer_.WaitTitle(L"p1.jpg" + kSuffix)) << viewer_.Title();
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%")) << viewer_.ControlText(kZoomRatioButton);
    Key(VK_RIGHT);
    EXPECT_TRUE(viewer_.WaitTitle(L"p2.jpg" + kSuffix)) << viewer_.Title();
    Answer({Yes(), Yes()}, [&] { Key(VK_DELETE); });
    EXPECT_TRUE(WaitFor([&] { return !Exists(deep + L"\\p2.jpg"); }));
    EXPECT_TRUE(viewer_.WaitTitle(L"p1.jpg" + kSuffix)) << viewer_.Title();
}

TEST_F(NamesE2E, TheSettingsWindowReadsItsChoicesAndTheAssociationOpensANameOutsideGbk) {
    const std::wstring ini = W(ProgramFolder()) + L"\\配置.ini";
    wchar_t saved[256] = L"-";
    DWORD size = sizeof saved;
    RegGetValueW(HKEY_CLASSES_ROOT, L".jpg", L"", RRF_RT_REG_SZ, nullptr, saved, &size);
    // Written by the viewer under code page 936: GBK bytes.
    const std::string stored = "[配置]\r\njpg=真\r\ngif=真\r\n";
    ASSERT_TRUE(WriteBytes(ini, vela::Bytes(stored.begin(), stored.end())));
    Open(Dir() + L"a.jpg");
    viewer_.Click(viewer_.Control(kSettingsButton));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(nullptr, L"关联文件类型")) && IsWindowVisible(window); }));
    std::wstring checks;
    for (const wchar_t* box : {L"*.png", L"*.jpg", L"*.bmp", L"*.gif", L"*.ico"})
        checks += SendMessageW(FindWindowExW(window, nullptr, L"Button", box), BM_GETCHECK, 0, 0) ? L'X' : L'-';
    EXPECT_EQ(checks, L"-X-X-");
    auto seen = Answer({Yes()}, [&] { ClickButton(window, L"关联"); });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text, L"确认|是否关联？");
    wchar_t command[1024] = L"";
    EXPECT_TRUE(WaitFor([&] {
        DWORD n = sizeof command;
        return RegGetValueW(HKEY_CLASSES_ROOT, L"jpg\\Shell\\Open\\Command", L"", RRF_RT_REG_SZ, nullptr, command,
                            &n) == ERROR_SUCCESS;
    }));
    // The choices stored as GBK bytes, whatever the code page.
    const std::string expected = "[配置]\r\njpg=真\r\ngif=真\r\npng=假\r\nbmp=假\r\nico=假\r\n";
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(ini) == vela::Bytes(expected.begin(), expected.end()); }));
    viewer_.Kill();
    // The command as the shell runs it, for a picture named outside GBK.
    std::wstring line = command;
    line.replace(line.find(L"%1"), 2, Dir() + L"한국.jpg");
    Viewer opened;
    ASSERT_TRUE(opened.StartCommand(line));
    EXPECT_TRUE(opened.WaitTitle(L"한국.jpg" + kSuffix)) << opened.Title();
    opened.Kill();

    DeleteFileW(ini.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"jpg");
    RegSetValueW(HKEY_CLASSES_ROOT, L".jpg", REG_SZ, saved, 0);
}
