// The folder list in Explorer's order by name, and an entry leaving the list
// after its file was deleted.
#include <gtest/gtest.h>

#include "files/picture_order.h"

using namespace vela;

TEST(FilesOrder, NamesCompareAsExplorerShowsThem) {
    // Digits as numbers, letters without case, GBK names by their numbers,
    // the folder not looked at, equal names in their old order: the order
    // Explorer shows on Windows.
    std::vector<Text> list = {"C:\\z\\img10.jpg", "C:\\z\\IMG2.jpg", "C:\\z\\b.gif",  "C:\\a\\img3.jpg",
                              "C:\\z\\照片10.png", "C:\\z\\照片9.png", "C:\\y\\B.GIF", "C:\\z\\img2a.jpg"};
    SortInExplorerOrder(list);
    EXPECT_EQ(list, (std::vector<Text>{"C:\\z\\b.gif", "C:\\y\\B.GIF", "C:\\z\\IMG2.jpg", "C:\\z\\img2a.jpg",
                                       "C:\\a\\img3.jpg", "C:\\z\\img10.jpg", "C:\\z\\照片9.png",
                                       "C:\\z\\照片10.png"}));
}

TEST(FilesOrder, ADeletedEntryLeavesAndTheNextTakesItsPlace) {
    const struct {
        std::vector<Text> list;
        int current;
        const char* gone;
        std::vector<Text> after;
        int next;
    } cases[] = {
        {{"a", "b", "c"}, 2, "b", {"a", "c"}, 2},       // the next one
        {{"a", "b", "c"}, 3, "c", {"a", "b"}, 2},       // at the end: the previous one
        {{"a"}, 1, "a", {}, 0},                         // none left
        {{"a", "b", "a", "c"}, 3, "a", {"b", "c"}, 2},  // every copy goes
        {{"a", "b", "c"}, 3, "a", {"b", "c"}, 2},       // another current moves up
        {{"a", "b"}, 0, "a", {"b"}, 0},                 // none current stays none
    };
    for (const auto& c : cases) {
        std::vector<Text> list = c.list;
        EXPECT_EQ(RemoveEntry(list, c.current, c.gone), c.next) << c.gone << " at " << c.current;
        EXPECT_EQ(list, c.after) << c.gone << " at " << c.current;
    }
}
