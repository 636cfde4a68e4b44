// The folder list in Explorer's order by name, and an entry leaving the list
// after its file was deleted.
#include <gtest/gtest.h>

#include "files/picture_order.h"

using namespace vela;

TEST(FilesOrder, NamesCompareAsExplorerShowsThem) {
    // Digits as numbers, letters without case, Chinese names by their numbers,
    // the folder not looked at, equal names in their old order: the order
    // Explorer shows on Windows.
    std::vector<Path> list = {L"C:\\z\\img10.jpg", L"C:\\z\\IMG2.jpg", L"C:\\z\\b.gif",  L"C:\\a\\img3.jpg",
                              L"C:\\z\\照片10.png", L"C:\\z\\照片9.png", L"C:\\y\\B.GIF", L"C:\\z\\img2a.jpg"};
    SortInExplorerOrder(list);
    EXPECT_EQ(list, (std::vector<Path>{L"C:\\z\\b.gif", L"C:\\y\\B.GIF", L"C:\\z\\IMG2.jpg", L"C:\\z\\img2a.jpg",
                                       L"C:\\a\\img3.jpg", L"C:\\z\\img10.jpg", L"C:\\z\\照片9.png",
                                       L"C:\\z\\照片10.png"}));
}

TEST(FilesOrder, ADeletedEntryLeavesAndTheNextTakesItsPlace) {
    const struct {
        std::vector<Path> list;
        int current;
        const wchar_t* gone;
        std::vector<Path> after;
        int next;
    } cases[] = {
        {{L"a", L"b", L"c"}, 2, L"b", {L"a", L"c"}, 2},       // the next one
        {{L"a", L"b", L"c"}, 3, L"c", {L"a", L"b"}, 2},       // at the end: the previous one
        {{L"a"}, 1, L"a", {}, 0},                         // none left
        {{L"a", L"b", L"a", L"c"}, 3, L"a", {L"b", L"c"}, 2},  // every copy goes
        {{L"a", L"b", L"c"}, 3, L"a", {L"b", L"c"}, 2},       // another current moves up
        {{L"a", L"b"}, 0, L"a", {L"b"}, 0},                 // none current stays none
    };
    for (const auto& c : cases) {
        std::vector<Path> list = c.list;
        EXPECT_EQ(RemoveEntry(list, c.current, c.gone), c.next) << c.gone << " at " << c.current;
        EXPECT_EQ(list, c.after) << c.gone << " at " << c.current;
    }
}
