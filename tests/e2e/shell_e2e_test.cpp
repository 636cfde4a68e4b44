// The real viewer deleting to the recycle bin, describing a picture and
// associating file types: read from its message boxes, its settings window,
// 配置.ini, the trash and the registry.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "box_answerer.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

const char* const kTypes[] = {"png", "jpg", "bmp", "gif", "ico"};
const std::string kIni = ProgramFolder() + "\\配置.ini";

std::string Ini() {
    vela::Bytes b = ReadBytes(kIni);
    return std::string(b.begin(), b.end());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A value under HKEY_CLASSES_ROOT as text ("dword:n" for a DWORD), "-" when absent.
std::string ClassText(const std::string& key, const char* value = "") {
    char data[512];
    DWORD size = sizeof data, type = 0;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_ANY, &type, data, &size)) return "-";
    return type == REG_DWORD ? "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data)) : std::string(data);
}

// Every key and value under HKEY_CLASSES_ROOT\key, one line each ("-" when
// the key is missing): what a removal must leave exactly as it was.
std::string TreeText(const std::string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h)) return key + " -\n";
    std::string text = key + "\n";
    char name[256], data[512];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(h, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize)) break;
        text += key + "|" + name + "|" + std::to_string(type) + "|" + std::string(data, dataSize) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(h, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr)) break;
        text += TreeText(key + "\\" + name);
    }
    RegCloseKey(h);
    return text;
}

std::wstring Wide(const std::string& gbk) {
    wchar_t w[MAX_PATH] = L"";
    MultiByteToWideChar(936, 0, gbk.c_str(), -1, w, MAX_PATH);
    return w;
}

std::wstring TimeText(FILETIME utc) {
    FILETIME local{};
    SYSTEMTIME t{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &t);
    wchar_t b[32];
    swprintf(b, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return b;
}

class ShellE2E : public ::testing::Test {
protected:
    void Open(const std::string& name) {
        ASSERT_TRUE(WriteBytes(dir_ / name, MakePicture(320, 240, L"image/jpeg")));
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / name)));
        ASSERT_NE(viewer_.Main(), nullptr);
        ASSERT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"100%"));
    }
    // Does something that shows boxes in the viewer and answers them in turn.
    std::vector<SeenBox> Answer(std::vector<std::wstring> answers, const std::function<void()>& action) {
        return AnswerBoxes(viewer_.ProcessId(), std::move(answers), action);
    }
    void TearDown() override { viewer_.Kill(); }

    ScratchFolder dir_{"外壳"};
    Viewer viewer_;
};

}  // namespace

TEST_F(ShellE2E, DeleteAsksThenMovesTheFileToTheTrash) {
    char xdg[MAX_PATH] = "";
    ASSERT_TRUE(GetEnvironmentVariableA("XDG_DATA_HOME", xdg, MAX_PATH)) << "scripts/test.sh sets it";
    std::string trash = std::string("Z:") + xdg + "/Trash/", info = trash + "info/删我.jpg.trashinfo";
    trash += "files/删我.jpg";
    for (std::string* p : {&trash, &info}) {
        for (char& c : *p) c = c == '/' ? '\\' : c;
        DeleteFileA(p->c_str());  // left by an earlier run, it would rename this one
    }
    Open("删我.jpg");
    const std::wstring question = L"是否删除文件？|删我.jpg\r\n是否删除？";
    auto seen = Answer({kNo}, [&] { viewer_.KeyRelease(viewer_.Control(kPictureView), VK_DELETE, true); });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text, question);
    EXPECT_TRUE(Exists(dir_ / "删我.jpg"));
    // Ours, then Wine's own confirmation.
    seen = Answer({kYes, kYes}, [&] { viewer_.Click(viewer_.Control(kDeleteButton)); });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text + L"|" + seen[1].title, question + L"|确认删除文件");
    EXPECT_TRUE(WaitFor([&] { return !Exists(dir_ / "删我.jpg") && Exists(trash); }));
    // It was the only picture: the empty window with its hint.
    EXPECT_TRUE(viewer_.WaitTitle(L"Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(viewer_.WaitControlText(kSkinFrame, L"拖放图片到此处，或右键打开图片"));
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"0%")) << viewer_.ControlText(kZoomRatioButton);
}

TEST_F(ShellE2E, DeleteMovesOnOnlyWhenTheFileIsGone) {
    for (const char* n : {"d1.jpg", "d3.jpg"}) ASSERT_TRUE(WriteBytes(dir_ / n, MakePicture(64, 48, L"image/jpeg")));
    Open("d2.jpg");
    const auto title = [&](const wchar_t* name) { return std::wstring(name) + L"—Vela图片查看器"; };
    const auto pressDelete = [&] { viewer_.KeyRelease(viewer_.Control(kPictureView), VK_DELETE, true); };
    // Our No, then Wine's No: the file stays and so does everything else.
    Answer({kNo}, pressDelete);
    Answer({kYes, kNo}, pressDelete);
    EXPECT_TRUE(Exists(dir_ / "d2.jpg"));
    EXPECT_EQ(viewer_.Title(), title(L"d2.jpg"));
    // Gone: the next one shows, and the list no longer holds it.
    Answer({kYes, kYes}, pressDelete);
    EXPECT_TRUE(viewer_.WaitTitle(title(L"d3.jpg"))) << viewer_.Title();
    EXPECT_FALSE(Exists(dir_ / "d2.jpg"));
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_LEFT, true);
    EXPECT_TRUE(viewer_.WaitTitle(title(L"d1.jpg"))) << viewer_.Title();
    viewer_.KeyRelease(viewer_.Control(kPictureView), VK_RIGHT, true);
    EXPECT_TRUE(viewer_.WaitTitle(title(L"d3.jpg"))) << viewer_.Title();
    // The last one gone: the previous one shows.
    Answer({kYes, kYes}, [&] { viewer_.Click(viewer_.Control(kDeleteButton)); });
    EXPECT_TRUE(viewer_.WaitTitle(title(L"d1.jpg"))) << viewer_.Title();
    EXPECT_EQ(viewer_.ControlText(kZoomRatioButton), L"100%");
    // None left: the empty window; another delete asks nothing.
    Answer({kYes, kYes}, pressDelete);
    EXPECT_TRUE(viewer_.WaitTitle(L"Vela图片查看器")) << viewer_.Title();
    EXPECT_TRUE(viewer_.WaitControlText(kZoomRatioButton, L"0%")) << viewer_.ControlText(kZoomRatioButton);
    pressDelete();
    // Posted messages are taken in order: once the right click after the
    // key has opened the context menu, the key was handled, and a box it
    // asked for would be up.
    PostMessageW(viewer_.Control(kPictureView), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }));
    EXPECT_EQ(FindMessageBox(viewer_.ProcessId()), nullptr);
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }));
}

TEST_F(ShellE2E, InformationFromTheContextMenu) {
    Open("信息.jpg");
    const std::string path = dir_ / "信息.jpg";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    SHFILEINFOW type{};
    SHGetFileInfoW(Wide(path).c_str(), 0, &type, sizeof type, SHGFI_TYPENAME);
    const std::wstring expected = L"图片信息|文件大小：" + std::to_wstring((data.nFileSizeLow + 1023) / 1024) +
                                  L"kb\r\n图片宽度：320\r\n图片高度：240\r\n创建时间：" + TimeText(data.ftCreationTime) +
                                  L"\r\n修改时间：" + TimeText(data.ftLastWriteTime) + L"\r\n文件类型：" + type.szTypeName;
    PostMessageW(viewer_.Control(kPictureView), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }));
    auto seen = Answer({kOk}, [&] {
        PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);  // from no selection: the last item, 图片信息
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text, expected);
}

TEST_F(ShellE2E, SettingsSelectAllAssociateAndRemove) {
    std::string saved[5];
    for (int i = 0; i < 5; ++i) saved[i] = ClassText(std::string(".") + kTypes[i]);
    ASSERT_TRUE(WriteText(kIni, "[配置]\r\ngif=真\r\n"));
    Open("a.jpg");
    viewer_.Click(viewer_.Control(kSettingsButton));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(nullptr, L"关联文件类型")) && IsWindowVisible(window); }));
    auto checks = [&] {
        std::string s;
        for (const wchar_t* box : {L"*.png", L"*.jpg", L"*.bmp", L"*.gif", L"*.ico"})
            s += SendMessageW(FindWindowExW(window, nullptr, L"Button", box), BM_GETCHECK, 0, 0) ? 'X' : '-';
        return s;
    };
    EXPECT_EQ(checks(), "---X-");
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    ASSERT_TRUE(ClickButton(window, L"全选"));
    EXPECT_TRUE(WaitFor([&] { return checks() == "XXXXX"; })) << checks();

    auto seen = Answer({kNo}, [&] { ClickButton(window, L"关联"); });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text, L"确认|是否关联？");
    EXPECT_EQ(Ini(), "[配置]\r\ngif=真\r\n");
    Answer({kYes}, [&] { ClickButton(window, L"关联"); });
    EXPECT_TRUE(WaitFor([&] { return Ini() == "[配置]\r\ngif=真\r\npng=真\r\njpg=真\r\nbmp=真\r\nico=真\r\n"; })) << Ini();
    const std::string exe = ProgramFolder() + "\\VelaViewer.exe";
    for (std::string t : kTypes) {
        EXPECT_EQ(ClassText("." + t) + "|" + ClassText(t) + "|" + ClassText(t, "EditFlags") + "|" +
                      ClassText(t + "\\Shell\\Open\\Command") + "|" + ClassText(t + "\\DefaultIcon"),
                  t + "|" + t + "|dword:2|\"" + exe + "\" \"%1\"|" + exe + ",0");
    }

    seen = Answer({kYes}, [&] { ClickButton(window, L"取消关联"); });
    EXPECT_EQ(seen[0].title + L"|" + seen[0].text, L"确认|是否取消关联？");
    EXPECT_TRUE(WaitFor([&] { return Ini() == "[配置]\r\ngif=假\r\npng=假\r\njpg=假\r\nbmp=假\r\nico=假\r\n"; })) << Ini();
    for (std::string t : kTypes) {
        EXPECT_EQ(ClassText("." + t), "");
        EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, t.c_str()), ERROR_FILE_NOT_FOUND) << t;
    }
    EXPECT_EQ(checks(), "XXXXX");  // the boxes keep their states

    // Later tests see the prefix's own extensions again.
    DeleteFileA(kIni.c_str());
    for (int i = 0; i < 5; ++i) {
        const std::string ext = std::string(".") + kTypes[i];
        if (saved[i] == "-") RegDeleteKeyA(HKEY_CLASSES_ROOT, ext.c_str());
        else RegSetValueA(HKEY_CLASSES_ROOT, ext.c_str(), REG_SZ, saved[i].c_str(), 0);
    }
}

TEST_F(ShellE2E, RemovalLeavesAnotherProgramsAssociationAlone) {
    // .png as a stock Windows has it: a class of the system's, with its own
    // icon, open command and another verb.
    const std::string saved = ClassText(".png");
    const char* const kClass = "VelaTest.SystemPng";
    RegSetValueA(HKEY_CLASSES_ROOT, ".png", REG_SZ, kClass, 0);
    const std::string cls = kClass;
    RegSetValueA(HKEY_CLASSES_ROOT, (cls + "\\DefaultIcon").c_str(), REG_SZ, "C:\\windows\\system32\\imageres.dll,-71", 0);
    RegSetValueA(HKEY_CLASSES_ROOT, (cls + "\\Shell\\Open\\Command").c_str(), REG_SZ,
                 "\"C:\\windows\\system32\\rundll32.exe\" \"%1\"", 0);
    RegSetValueA(HKEY_CLASSES_ROOT, (cls + "\\Shell\\Edit\\Command").c_str(), REG_SZ, "mspaint.exe \"%1\"", 0);
    const std::string before = TreeText(".png") + TreeText(cls);
    ASSERT_TRUE(WriteText(kIni, "[配置]\r\npng=真\r\n"));
    Open("a.jpg");
    viewer_.Click(viewer_.Control(kSettingsButton));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(nullptr, L"关联文件类型")) && IsWindowVisible(window); }));
    Answer({kYes}, [&] { ClickButton(window, L"取消关联"); });
    EXPECT_TRUE(WaitFor([&] { return Ini() == "[配置]\r\npng=假\r\njpg=假\r\nbmp=假\r\ngif=假\r\nico=假\r\n"; }))
        << Ini();
    EXPECT_EQ(TreeText(".png") + TreeText(cls), before);

    DeleteFileA(kIni.c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
    if (saved == "-") RegDeleteKeyA(HKEY_CLASSES_ROOT, ".png");
    else RegSetValueA(HKEY_CLASSES_ROOT, ".png", REG_SZ, saved.c_str(), 0);
}
