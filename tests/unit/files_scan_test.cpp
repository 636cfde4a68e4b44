// The folder picture list on real folders: enumeration, the five extensions, the
// current entry, GBK names, and a scan started inside another.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "files/picture_list.h"
#include "runtime/library_search.h"
#include "test_support.h"

using namespace vela;
using vela::test::ScratchFolder;

namespace {

void Touch(const std::string& path) { ASSERT_TRUE(test::WriteText(path, "x")); }

std::vector<Path> Names(const ScratchFolder& f, std::initializer_list<const char*> names) {
    std::vector<Path> out;
    for (const char* n : names) out.push_back(test::W(f / n));
    return out;
}

class FilesScan : public ::testing::Test {
protected:
    void SetUp() override {
        ReleasePictureList();
        ASSERT_TRUE(FilterPictures({test::W(TempPath())}).empty()) << "the temporary folder must hold no picture text";
    }
    static std::string TempPath() {
        char t[MAX_PATH];
        GetTempPathA(MAX_PATH, t);
        return t;
    }
};

}  // namespace

TEST_F(FilesScan, FindFilesListsFilesOnlyAndCallsBackForEach) {
    ScratchFolder f("scanraw");
    Touch(f / "b.txt");
    Touch(f / "a.jpg");
    ASSERT_TRUE(test::MakeFolder(f / "sub.png"));
    Touch(f / "hidden.bmp");
    SetFileAttributesA((f / "hidden.bmp").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    int calls = 0;
    auto count = [&] {
        ++calls;
        return true;
    };
    const std::vector<Path> expected = Names(f, {"a.jpg", "b.txt", "hidden.bmp"});
    EXPECT_EQ(FindFilesInFolder(test::W(f.Path()), L"*.*", count), expected);
    EXPECT_EQ(calls, 3);
    // A trailing backslash is not doubled.
    EXPECT_EQ(FindFilesInFolder(test::W(f.Path() + "\\"), L"*.*", nullptr), expected);
    EXPECT_EQ(FindFilesInFolder(test::W(f.Path()), L"*.txt", nullptr), Names(f, {"b.txt"}));
    // Stopping after the first file.
    EXPECT_EQ(FindFilesInFolder(test::W(f.Path()), L"*.*", [] { return false; }), Names(f, {"a.jpg"}));
    calls = 0;
    EXPECT_TRUE(FindFilesInFolder(test::W(f / "missing"), L"*.*", count).empty());
    EXPECT_EQ(calls, 0);
}

TEST_F(FilesScan, OwnExtensionIgnoringAsciiCaseOnly) {
    ScratchFolder f("scanfolder");
    for (const char* n : {"a.jpg", "b.PNG", "c.gif.bak", "notes.txt", "D.JPG", "e.Png", "f.jpeg", "g.JPEG", "x.jpg.png",
                          "shots.png.txt", "noext"}) {
        Touch(f / n);
    }
    ASSERT_TRUE(RebuildPictureList(test::W(f / "a.jpg"), nullptr));
    // Camera names (D.JPG) are pictures too; .jpeg is no ".jpg"; only the
    // last extension counts, and each file is listed once.
    EXPECT_EQ(PictureList, Names(f, {"a.jpg", "b.PNG", "D.JPG", "e.Png", "x.jpg.png"}));
    EXPECT_EQ(CurrentIndex, 1);
    EXPECT_EQ(CurrentPicturePath(), test::W(f / "a.jpg"));
    for (auto [name, index] : {std::pair{"b.PNG", 2}, {"D.JPG", 3}, {"e.Png", 4}, {"x.jpg.png", 5}}) {
        ASSERT_TRUE(RebuildPictureList(test::W(f / name), nullptr));
        EXPECT_EQ(CurrentIndex, index) << name;
    }
    // Opened but not listed: no entry is current.
    for (const char* n : {"f.jpeg", "notes.txt", "c.gif.bak", "missing.jpg"}) {
        ASSERT_TRUE(RebuildPictureList(test::W(f / n), nullptr));
        EXPECT_EQ(CurrentIndex, 0) << n;
        EXPECT_FALSE(HasCurrentPicture()) << n;
        EXPECT_EQ(CurrentPicturePath(), L"") << n;
        EXPECT_EQ(PictureList.size(), 5u) << n;
    }
}

TEST_F(FilesScan, AFolderNamedLikeAPictureListsOnlyItsPictures) {
    ScratchFolder parent("scanshots");
    const std::string shots = parent / "shots.png";
    ASSERT_TRUE(test::MakeFolder(shots));
    for (const char* n : {"a.txt", "b.jpg", "c"}) Touch(shots + "\\" + n);
    ASSERT_TRUE(RebuildPictureList(test::W(shots + "\\b.jpg"), nullptr));
    EXPECT_EQ(PictureList, std::vector<Path>{test::W(shots + "\\b.jpg")});
    EXPECT_EQ(CurrentIndex, 1);
}

TEST_F(FilesScan, ChineseNamesWithABackslashTrailByte) {
    // 乗 is 81 5C in GBK: its trail byte is the backslash's.
    ScratchFolder f("图乗");
    for (const char* n : {"乗.jpg", "照片.png", "说明.txt"}) Touch(f / n);
    const std::string inner = f / "乗";
    ASSERT_TRUE(test::MakeFolder(inner));
    Touch(inner + "\\图.gif");
    // The folder's last character ends in byte 0x5C and still gets its backslash.
    EXPECT_EQ(FindFilesInFolder(test::W(inner), L"*.*", nullptr), std::vector<Path>{test::W(inner + "\\图.gif")});
    ASSERT_TRUE(RebuildPictureList(test::W(inner + "\\图.gif"), nullptr));
    EXPECT_EQ(PictureList, std::vector<Path>{test::W(inner + "\\图.gif")});
    EXPECT_EQ(CurrentIndex, 1);
    ASSERT_TRUE(RebuildPictureList(test::W(f / "照片.png"), nullptr));
    EXPECT_EQ(PictureList, Names(f, {"乗.jpg", "照片.png"}));
    EXPECT_EQ(CurrentIndex, 2);
}

namespace {

// A picture and a text planted for one test under a name no other file
// has, removed at its end.
class Planted {
public:
    explicit Planted(const std::string& folder) {
        const std::string stem = folder + "vela-scan-" + std::to_string(GetCurrentProcessId());
        picture_ = stem + ".png";
        text_ = stem + ".txt";
        written_ = test::WriteText(picture_, "x") && test::WriteText(text_, "x");
    }
    ~Planted() {
        DeleteFileA(picture_.c_str());
        DeleteFileA(text_.c_str());
    }
    bool Written() const { return written_; }
    const std::string& Picture() const { return picture_; }
    const std::string& Text() const { return text_; }

private:
    std::string picture_, text_;
    bool written_ = false;
};

bool Listed(const Path& entry) { return std::find(PictureList.begin(), PictureList.end(), entry) != PictureList.end(); }

}  // namespace

TEST_F(FilesScan, EmptyPathScansTheProgramFolder) {
    EXPECT_EQ(runtime::ProgramFolder(), test::W(test::ProgramFolder()));
    const Planted planted(test::ProgramFolder() + "\\");
    ASSERT_TRUE(planted.Written());
    CurrentIndex = 7;
    ASSERT_TRUE(RebuildPictureList(test::W(""), nullptr));
    EXPECT_EQ(CurrentIndex, 1);
    EXPECT_TRUE(Listed(test::W(planted.Picture())));
    EXPECT_FALSE(Listed(test::W(planted.Text())));
    for (const Path& e : PictureList) EXPECT_EQ(e.rfind(runtime::ProgramFolder() + L"\\", 0), 0u) << e;
    EXPECT_TRUE(HasCurrentPicture());
}

TEST_F(FilesScan, BareFileNameScansTheDriveRoot) {
    // The current drive is the scratch folder's (C:), whose root takes the
    // planted files; the working folder is given back after.
    ScratchFolder f("scanroot");
    char before[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(f.Path().c_str()));
    {
        const Planted planted(f.Path().substr(0, 3));
        ASSERT_TRUE(planted.Written());
        EXPECT_TRUE(RebuildPictureList(test::W("a.jpg"), nullptr));
        EXPECT_TRUE(Listed(test::W(planted.Picture().substr(2))));  // "\\vela-scan-....png"
        EXPECT_FALSE(Listed(test::W(planted.Text().substr(2))));
        for (const Path& e : PictureList) EXPECT_EQ(e[0], L'\\') << e;
        // No entry is the bare name itself, so none is current.
        EXPECT_EQ(CurrentIndex, 0);
    }
    SetCurrentDirectoryA(before);
}

TEST_F(FilesScan, TheNewestOfNestedScansWins) {
    ScratchFolder first("nestfirst"), second("nestsecond");
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) Touch(first / n);
    for (const char* n : {"a.png", "b.png"}) Touch(second / n);
    ASSERT_TRUE(RebuildPictureList(test::W(second / "a.png"), nullptr));
    ASSERT_EQ(CurrentIndex, 1);

    int pumps = 0;
    bool innerStood = false;
    const bool outerStood = RebuildPictureList(test::W(first / "2.jpg"), [&] {
        ++pumps;
        if (pumps == 1) {
            // While the first scan pauses, the list is empty and the number
            // is the previous one.
            EXPECT_TRUE(PictureList.empty());
            EXPECT_EQ(CurrentIndex, 1);
            innerStood = RebuildPictureList(test::W(second / "b.png"), nullptr);
        }
    });
    EXPECT_TRUE(innerStood);
    EXPECT_FALSE(outerStood);
    // The older scan stopped at once and left the newer result alone.
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(PictureList, Names(second, {"a.png", "b.png"}));
    EXPECT_EQ(CurrentIndex, 2);
    // A later scan works as usual.
    ASSERT_TRUE(RebuildPictureList(test::W(first / "3.jpg"), nullptr));
    EXPECT_EQ(CurrentIndex, 3);
}

TEST_F(FilesScan, CurrentEntryOnlyInsideTheList) {
    PictureList = {L"C:\\p\\a.jpg", L"C:\\p\\b.jpg"};
    const struct {
        int index;
        bool has;
        const wchar_t* path;
    } cases[] = {{-1, false, L""}, {0, false, L""}, {1, true, L"C:\\p\\a.jpg"}, {2, true, L"C:\\p\\b.jpg"}, {3, false, L""}};
    for (const auto& c : cases) {
        CurrentIndex = c.index;
        EXPECT_EQ(HasCurrentPicture(), c.has) << c.index;
        EXPECT_EQ(CurrentPicturePath(), c.path) << c.index;
    }
    ReleasePictureList();
    EXPECT_TRUE(PictureList.empty());
    EXPECT_EQ(CurrentIndex, 0);
}

TEST_F(FilesScan, SteppingNeitherWrapsNorLeavesTheList) {
    // {current, count, previous, next}; 0 means nothing happens.
    const int cases[][4] = {
        {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 1}, {1, 1, 0, 0}, {0, 3, 0, 1}, {1, 3, 0, 2}, {2, 3, 1, 3},
        {3, 3, 2, 0}, {4, 3, 0, 0}, {9, 3, 0, 0}, {-1, 3, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PreviousIndex(c[0], c[1]), c[2]) << c[0] << " of " << c[1];
        EXPECT_EQ(NextIndex(c[0], c[1]), c[3]) << c[0] << " of " << c[1];
    }
}
