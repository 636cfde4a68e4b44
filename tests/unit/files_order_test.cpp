// The folder list in Explorer's order by name, and an entry leaving the list
// after its file was deleted.
#include <windows.h>

#include <gtest/gtest.h>

#include "files/picture_list.h"
#include "files/picture_order.h"
#include "test_support.h"

using namespace vela;
using vela::test::ScratchFolder;

namespace {

std::vector<Text> Paths(const std::string& folder, std::initializer_list<const char*> names) {
    std::vector<Text> out;
    for (const char* n : names) out.push_back(folder + "\\" + n);
    return out;
}

}  // namespace

TEST(FilesOrder, NamesCompareAsExplorerShowsThem) {
    // Digits as numbers, letters without case, the folder not looked at;
    // the expected order is Explorer's on Windows.
    std::vector<Text> list = Paths("C:\\z", {"img10.jpg", "IMG2.jpg", "img1.png", "b.gif", "A.bmp", "img2a.jpg"});
    list.push_back("C:\\a\\img3.jpg");
    SortInExplorerOrder(list);
    EXPECT_EQ(list, (std::vector<Text>{"C:\\z\\A.bmp", "C:\\z\\b.gif", "C:\\z\\img1.png", "C:\\z\\IMG2.jpg",
                                       "C:\\z\\img2a.jpg", "C:\\a\\img3.jpg", "C:\\z\\img10.jpg"}));
}

TEST(FilesOrder, GbkNamesSortByTheirNumbers) {
    std::vector<Text> list = Paths("C:\\图片", {"照片10.jpg", "照片9.jpg", "照片100.jpg"});
    SortInExplorerOrder(list);
    EXPECT_EQ(list, Paths("C:\\图片", {"照片9.jpg", "照片10.jpg", "照片100.jpg"}));
}

TEST(FilesOrder, EqualNamesKeepTheirOrder) {
    std::vector<Text> list = {"C:\\b\\x.jpg", "C:\\a\\x.jpg", "C:\\c\\X.JPG"};
    SortInExplorerOrder(list);
    EXPECT_EQ(list, (std::vector<Text>{"C:\\b\\x.jpg", "C:\\a\\x.jpg", "C:\\c\\X.JPG"}));
    std::vector<Text> none;
    SortInExplorerOrder(none);
    EXPECT_TRUE(none.empty());
}

TEST(FilesOrder, AScanListsTheFolderInExplorersOrder) {
    ScratchFolder f("order");
    for (const char* n : {"img10.jpg", "img2.jpg", "img1.jpg", "Img3.png", "notes.txt"})
        ASSERT_TRUE(test::WriteText(f / n, "x"));
    ASSERT_TRUE(RebuildPictureList(f / "img2.jpg", nullptr));
    EXPECT_EQ(PictureList, Paths(f.Path(), {"img1.jpg", "img2.jpg", "Img3.png", "img10.jpg"}));
    EXPECT_EQ(CurrentIndex, 2);
    ReleasePictureList();
}

TEST(FilesOrder, ADeletedEntryLeavesAndTheNextTakesItsPlace) {
    const struct {
        std::vector<Text> list;
        int current;
        const char* gone;
        std::vector<Text> after;
        int next;
    } cases[] = {
        {{"a", "b", "c"}, 2, "b", {"a", "c"}, 2},      // the next one
        {{"a", "b", "c"}, 3, "c", {"a", "b"}, 2},      // at the end: the previous one
        {{"a", "b", "c"}, 1, "a", {"b", "c"}, 1},
        {{"a"}, 1, "a", {}, 0},                        // none left
        {{"a", "b", "a", "c"}, 3, "a", {"b", "c"}, 2}, // every copy goes
        {{"a", "b", "c"}, 3, "a", {"b", "c"}, 2},      // another current moves up
        {{"a", "b"}, 0, "a", {"b"}, 0},                // none current stays none
        {{"a", "b"}, 1, "x", {"a", "b"}, 1},           // not listed: nothing moves
    };
    for (const auto& c : cases) {
        std::vector<Text> list = c.list;
        EXPECT_EQ(RemoveEntry(list, c.current, c.gone), c.next) << c.gone << " at " << c.current;
        EXPECT_EQ(list, c.after) << c.gone << " at " << c.current;
    }
}
