// Files the user never meant to trust, lying beside the pictures: a library
// under the engine's name is never loaded, and a picture whose content is
// the text of a path stays an undecodable picture.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cctype>

#include "viewer_driver.h"

using namespace vela::test;

namespace {

const std::wstring kHint = L"拖放图片到此处，或右键打开图片";

std::wstring Title(const std::string& name) { return std::wstring(name.begin(), name.end()) + L"—Vela图片查看器"; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The paths of the process's modules named ExuiKrnln.dll.
std::vector<std::string> EnginesLoadedBy(DWORD processId) {
    std::vector<std::string> found;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return found;
    HMODULE modules[512];
    DWORD bytes = 0;
    if (EnumProcessModules(process, modules, sizeof modules, &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
            char name[MAX_PATH] = {};
            const DWORD n = GetModuleFileNameExA(process, modules[i], name, MAX_PATH);
            const std::string path = Lower(std::string(name, n));
            if (path.size() >= 14 && path.compare(path.size() - 14, 14, "\\exuikrnln.dll") == 0) found.push_back(path);
        }
    }
    CloseHandle(process);
    return found;
}

}  // namespace

TEST(PlantedFilesE2E, ALibraryBesideThePicturesIsNeverLoaded) {
    ScratchFolder dir("vela-planted");
    const std::string planted = ProgramFolder() + "\\planted\\ExuiKrnln.dll";
    ASSERT_TRUE(CopyFileA(planted.c_str(), (dir / "ExuiKrnln.dll").c_str(), FALSE)) << planted;
    ASSERT_TRUE(MakeFolder(dir / "lib"));
    ASSERT_TRUE(MakeFolder(dir / "lib\\ExuiKrnln"));
    ASSERT_TRUE(CopyFileA(planted.c_str(), (dir / "lib\\ExuiKrnln\\ExuiKrnln.dll").c_str(), FALSE));
    ASSERT_TRUE(WriteBytes(dir / "photo.jpg", MakePicture(640, 480, L"image/jpeg")));
    // Started as the shell starts a program for a picture it opens: in the
    // picture's folder.
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "photo.jpg"), {}, dir.Path()));
    ASSERT_NE(viewer.Main(), nullptr);
    EXPECT_TRUE(viewer.WaitTitle(Title("photo.jpg"))) << viewer.Title();
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"100%")) << viewer.ControlText(kZoomRatioButton);
    EXPECT_EQ(EnginesLoadedBy(viewer.ProcessId()), std::vector<std::string>{Lower(ProgramFolder() + "\\ExuiKrnln.dll")});
    EXPECT_EQ(GetFileAttributesA((dir / "planted-marker.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((dir / "lib\\ExuiKrnln\\planted-marker.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    viewer.Click(viewer.Control(kCloseButton));
    EXPECT_EQ(viewer.WaitExit(), 0u);
    viewer.Kill();
}

TEST(PlantedFilesE2E, APictureWhoseContentIsAPathStaysUndecodable) {
    ScratchFolder dir("vela-pathcontent");
    const std::string real = dir / "real.png";
    ASSERT_TRUE(WriteBytes(real, MakePicture(640, 480, L"image/png")));
    ASSERT_TRUE(WriteText(dir / "a.jpg", real));
    ASSERT_TRUE(WriteText(dir / "b.jpg", "\\\\127.0.0.1\\share\\a.png"));
    Viewer viewer;
    ASSERT_TRUE(viewer.Start(Quoted(dir / "a.jpg")));
    ASSERT_NE(viewer.Main(), nullptr);
    EXPECT_TRUE(viewer.WaitTitle(Title("a.jpg"))) << viewer.Title();
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"0%")) << viewer.ControlText(kZoomRatioButton);
    EXPECT_TRUE(viewer.WaitControlText(kSkinFrame, kHint)) << viewer.ControlText(kSkinFrame);
    viewer.KeyRelease(viewer.Control(kPictureView), VK_RIGHT, true);
    EXPECT_TRUE(viewer.WaitTitle(Title("b.jpg"))) << viewer.Title();
    EXPECT_TRUE(viewer.WaitControlText(kZoomRatioButton, L"0%")) << viewer.ControlText(kZoomRatioButton);
    EXPECT_TRUE(viewer.WaitControlText(kSkinFrame, kHint)) << viewer.ControlText(kSkinFrame);
    viewer.Click(viewer.Control(kCloseButton));
    EXPECT_EQ(viewer.WaitExit(), 0u);
    viewer.Kill();
}
