// The real viewer deleting to the recycle bin, describing a picture and
// associating file types: read from its message boxes, its settings window,
// 配置.ini, the trash and the registry.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>

#include "box_answerer.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {

const char* const kTypes[] = {"png", "jpg", "bmp", "gif", "ico"};

std::string IniPath() { return ProgramFolder() + "\\配置.ini"; }

std::string FileText(const std::string& path) {
    vela::Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The default value of an HKEY_CLASSES_ROOT key, or "<none>".
std::string ClassText(const std::string& key, const char* value = "") {
    char data[1024];
    DWORD size = sizeof data, type = 0;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return "<none>";
    if (type == REG_DWORD) return "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data));
    return std::string(data, size ? size - 1 : 0);
}

// The trash's files folder as this process sees it (the Unix root is Z:).
std::string TrashFiles() {
    char unix[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("XDG_DATA_HOME", unix, MAX_PATH)) return {};
    std::string path = std::string("Z:") + unix + "/Trash/files";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::wstring Wide(const std::string& gbk) {
    wchar_t w[MAX_PATH] = L"";
    MultiByteToWideChar(936, 0, gbk.c_str(), -1, w, MAX_PATH);
    return w;
}

class ShellE2E : public ::testing::Test {
protected:
    void Open(const std::string& name, int w, int h) {
        ASSERT_TRUE(WriteBytes(dir_ / name, MakePicture(w, h, L"image/jpeg")));
        ASSERT_TRUE(viewer_.Start(Quoted(dir_ / name)));
        ASSERT_NE(viewer_.Main(), nullptr);
        ASSERT_TRUE(viewer_.WaitTitle(Wide(name) + L"—Vela图片查看器")) << viewer_.Title();
        ASSERT_TRUE(WaitFor([&] { return viewer_.ControlText(kZoomRatioButton).back() == L'%'; }));
    }
    void TearDown() override { viewer_.Kill(); }

    ScratchFolder dir_{"外壳"};
    Viewer viewer_;
};

}  // namespace

TEST_F(ShellE2E, DeleteAsksThenMovesTheFileToTheTrash) {
    const std::string trash = TrashFiles();
    ASSERT_FALSE(trash.empty()) << "XDG_DATA_HOME is set by scripts/test.sh";
    DeleteFileA((trash + "\\删我.jpg").c_str());
    DeleteFileA((trash + "\\..\\info\\删我.jpg.trashinfo").c_str());
    ASSERT_TRUE(WriteBytes(dir_ / "b.jpg", MakePicture(300, 200, L"image/jpeg")));
    Open("删我.jpg", 400, 300);
    const std::wstring caption = viewer_.ControlText(kZoomRatioButton);
    {
        BoxAnswerer answerer(viewer_.ProcessId(), {kNo});
        viewer_.KeyRelease(viewer_.Control(kPictureView), VK_DELETE, true);
        ASSERT_TRUE(answerer.WaitAll());
        EXPECT_EQ(answerer.Seen()[0].title, L"是否删除文件？");
        EXPECT_EQ(answerer.Seen()[0].text, L"删我.jpg\r\n是否删除？");
    }
    EXPECT_TRUE(Exists(dir_ / "删我.jpg"));
    {
        // Ours first, then Wine's own confirmation.
        BoxAnswerer answerer(viewer_.ProcessId(), {kYes, kYes});
        viewer_.Click(viewer_.Control(kDeleteButton));
        ASSERT_TRUE(answerer.WaitAll());
        auto seen = answerer.Seen();
        EXPECT_EQ(seen[0].text, L"删我.jpg\r\n是否删除？");
        EXPECT_EQ(seen[1].title, L"确认删除文件");
    }
    EXPECT_TRUE(WaitFor([&] { return !Exists(dir_ / "删我.jpg") && Exists(trash + "\\删我.jpg"); }));
    EXPECT_TRUE(Exists(dir_ / "b.jpg"));
    // The picture stays shown.
    EXPECT_EQ(viewer_.Title(), L"删我.jpg—Vela图片查看器");
    EXPECT_EQ(viewer_.ControlText(kZoomRatioButton), caption);
    EXPECT_EQ(FindMessageBox(viewer_.ProcessId()), nullptr);
}

TEST_F(ShellE2E, InformationFromTheContextMenu) {
    Open("信息.jpg", 320, 240);
    const std::string path = dir_ / "信息.jpg";
    const LONGLONG bytes = static_cast<LONGLONG>(ReadBytes(path).size());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    auto timeText = [](FILETIME utc) {
        FILETIME local{};
        SYSTEMTIME t{};
        FileTimeToLocalFileTime(&utc, &local);
        FileTimeToSystemTime(&local, &t);
        wchar_t b[32];
        swprintf(b, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
        return std::wstring(b);
    };
    SHFILEINFOW type{};
    SHGetFileInfoW(Wide(path).c_str(), 0, &type, sizeof type, SHGFI_TYPENAME);
    const std::wstring expected = L"文件大小：" + std::to_wstring((bytes + 1023) / 1024) + L"kb\r\n图片宽度：320\r\n" +
                                  L"图片高度：240\r\n创建时间：" + timeText(data.ftCreationTime) + L"\r\n修改时间：" +
                                  timeText(data.ftLastWriteTime) + L"\r\n文件类型：" + type.szTypeName;

    RECT w = viewer_.WindowRect();
    SetCursorPos(w.left + 200, w.top + 150);
    PostMessageW(viewer_.Control(kPictureView), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND t : TopLevelWindows(viewer_.ProcessId())) {
            wchar_t cls[32] = L"";
            GetClassNameW(t, cls, 32);
            if (std::wstring(cls) == L"#32768" && IsWindowVisible(t)) menu = t;
        }
        return menu != nullptr;
    }));
    BoxAnswerer answerer(viewer_.ProcessId(), {kOk});
    PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);  // from no selection: the last item, 图片信息
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(answerer.WaitAll());
    EXPECT_EQ(answerer.Seen()[0].title, L"图片信息");
    EXPECT_EQ(answerer.Seen()[0].text, expected);
}

class AssociationE2E : public ShellE2E {
protected:
    void SetUp() override {
        for (const char* t : kTypes) saved_[t] = ClassText(std::string(".") + t);
        DeleteFileA(IniPath().c_str());
    }
    void TearDown() override {
        ShellE2E::TearDown();
        DeleteFileA(IniPath().c_str());
        // Later tests see the prefix's own extensions again.
        for (const char* t : kTypes) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, t);
            const std::string ext = std::string(".") + t;
            if (saved_[t] == "<none>") {
                RegDeleteTreeA(HKEY_CLASSES_ROOT, ext.c_str());
            } else {
                RegSetValueA(HKEY_CLASSES_ROOT, ext.c_str(), REG_SZ, saved_[t].c_str(), 0);
            }
        }
    }
    HWND SettingsWindow() {
        for (HWND t : TopLevelWindows(viewer_.ProcessId()))
            if (IsWindowVisible(t) && WindowTextW(t) == L"关联文件类型") return t;
        return nullptr;
    }
    std::string Checks(HWND window) {
        std::string s;
        for (const wchar_t* box : {L"*.png", L"*.jpg", L"*.bmp", L"*.gif", L"*.ico"}) {
            HWND b = FindWindowExW(window, nullptr, L"Button", box);
            s += !b ? '?' : SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED ? 'X' : '-';
        }
        return s;
    }
    // Presses a button of the window and answers the question it asks.
    SeenBox Confirm(HWND window, const std::wstring& button, const std::wstring& answer) {
        BoxAnswerer answerer(viewer_.ProcessId(), {answer});
        EXPECT_TRUE(ClickButton(window, button));
        EXPECT_TRUE(answerer.WaitAll());
        auto seen = answerer.Seen();
        return seen.empty() ? SeenBox{} : seen[0];
    }
    std::map<std::string, std::string> saved_;
};

TEST_F(AssociationE2E, SelectAllAssociateAndRemove) {
    ASSERT_TRUE(WriteText(IniPath(), "[配置]\r\ngif=真\r\n"));
    Open("a.jpg", 400, 300);
    viewer_.Click(viewer_.Control(kSettingsButton));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = SettingsWindow()) != nullptr; }));
    EXPECT_EQ(Checks(window), "---X-");
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    ASSERT_TRUE(ClickButton(window, L"全选"));
    EXPECT_TRUE(WaitFor([&] { return Checks(window) == "XXXXX"; })) << Checks(window);

    SeenBox asked = Confirm(window, L"关联", kNo);
    EXPECT_EQ(asked.title, L"确认");
    EXPECT_EQ(asked.text, L"是否关联？");
    EXPECT_EQ(FileText(IniPath()), "[配置]\r\ngif=真\r\n");

    Confirm(window, L"关联", kYes);
    const std::string all = "[配置]\r\ngif=真\r\npng=真\r\njpg=真\r\nbmp=真\r\nico=真\r\n";
    EXPECT_TRUE(WaitFor([&] { return FileText(IniPath()) == all; })) << FileText(IniPath());
    const std::string exe = ProgramFolder() + "\\VelaViewer.exe";
    for (std::string t : kTypes) {
        EXPECT_EQ(ClassText("." + t), t);
        EXPECT_EQ(ClassText(t), t);
        EXPECT_EQ(ClassText(t, "EditFlags"), "dword:2");
        EXPECT_EQ(ClassText(t + "\\Shell\\Open\\Command"), "\"" + exe + "\" \"%1\"");
        EXPECT_EQ(ClassText(t + "\\DefaultIcon"), exe + ",0");
    }

    asked = Confirm(window, L"取消关联", kYes);
    EXPECT_EQ(asked.title, L"确认");
    EXPECT_EQ(asked.text, L"是否取消关联？");
    const std::string none = "[配置]\r\ngif=假\r\npng=假\r\njpg=假\r\nbmp=假\r\nico=假\r\n";
    EXPECT_TRUE(WaitFor([&] { return FileText(IniPath()) == none; })) << FileText(IniPath());
    for (std::string t : kTypes) {
        EXPECT_EQ(ClassText("." + t), "");
        EXPECT_EQ(ClassText(t), "<none>");
        HKEY h = nullptr;
        EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, t.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS) << t;
    }
    EXPECT_EQ(Checks(window), "XXXXX");  // the boxes keep their states
}
