// The regular-expression object over the real "VBScript.RegExp": options,
// the quote placeholder, replacing, sub-matches, GBK byte positions and
// patterns the component rejects.
#include <gtest/gtest.h>

#include "util/regex_object.h"

using vela::RegexObject;
using vela::Text;

TEST(UtilRegex, OptionsAndQuotePlaceholder) {
    struct {
        const char* pattern;
        const char* subject;
        bool caseSensitive, multiLine, global, quotes;
        int count;
        const char* first;
        const char* readBack;
    } cases[] = {
        {"b", "AbB", false, true, true, false, 2, "b", "b"},
        {"B", "AbB", true, true, true, false, 1, "B", "B"},
        {"^a.", "ab\nAc", false, true, true, false, 2, "ab", "^a."},
        {"^a.", "ab\nAc", false, false, true, false, 1, "ab", "^a."},
        {"a", "aaa", false, true, false, false, 1, "a", "a"},
        {"#引号x", "say \"x or #引号x", false, true, true, true, 1, "\"x", "\"x"},
        {"#引号x", "say \"x or #引号x", false, true, true, false, 1, "#引号x", "#引号x"},
    };
    for (const auto& c : cases) {
        RegexObject r;
        ASSERT_TRUE(r.Create(c.pattern, c.subject, c.caseSensitive, c.multiLine, c.global, c.quotes)) << c.pattern;
        EXPECT_EQ(r.GetMatchCount(), c.count) << c.pattern;
        EXPECT_EQ(r.GetMatchText(1), c.first) << c.pattern;
        EXPECT_EQ(r.GetPattern(), c.readBack);
    }
    RegexObject defaults;  // case-insensitive, multi-line, global
    ASSERT_TRUE(defaults.Create("^b", "Bx\nby"));
    EXPECT_EQ(defaults.GetMatchCount(), 2);
}

TEST(UtilRegex, ReplaceAndSubMatches) {
    RegexObject r;
    EXPECT_EQ(r.Replace(), "");  // before Create
    EXPECT_EQ(r.GetSubMatchCount(), 0);
    const Text path = "C:\\图片\\照片 1.jpg";
    ASSERT_TRUE(r.Create("(?:^\r|\n$)", path));
    EXPECT_EQ(r.Replace(), path);
    ASSERT_TRUE(r.Create("(?:^\r|\n$)", "\r\na\r\n"));  // a CR opening a line, an LF closing one
    EXPECT_EQ(r.Replace(), "\na\r");
    ASSERT_TRUE(r.Create("o", "foo 中文"));
    EXPECT_EQ(r.Replace("文"), "f文文 中文");
    ASSERT_TRUE(r.Create("(a)(b)?(c)?", "ab a abc"));
    EXPECT_EQ(r.GetSubMatchCount(), 3);
    const std::pair<int, int> at[] = {{1, 1}, {1, 2}, {2, 2}, {3, 3}, {3, 4}};
    const char* texts[] = {"a", "b", "", "c", ""};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r.GetSubMatchText(at[i].first, at[i].second), texts[i]) << i;
}

TEST(UtilRegex, BytePositionsInGbkSubjects) {
    struct {
        const char* pattern;
        const char* subject;
        int match, subMatch;  // subMatch 0: the match itself
        const char* text;
        int position;
    } cases[] = {
        {"abc", "中文abc中文abc", 1, 0, "abc", 4}, {"abc", "中文abc中文abc", 2, 0, "abc", 11},
        {"a", "aa", 2, 0, "a", 1},               {"中(文)", "x中文中文", 2, 1, "文", 7},
        {"(b)c", "中a中bc", 1, 1, "b", 5},        {"a\r\n", "中\r\na\r\n", 1, 0, "a\r\n", 4},
        {"abc", "中文abc", 3, 0, "", 0},          {"x", "", 1, 0, "", -2},
    };
    for (const auto& c : cases) {
        RegexObject r;
        ASSERT_TRUE(r.Create(c.pattern, c.subject)) << c.pattern;
        int position = 12345;
        const Text text = c.subMatch ? r.GetSubMatchText(c.match, c.subMatch, &position)
                                     : r.GetMatchText(c.match, &position);
        EXPECT_EQ(text, c.text) << c.pattern << " in " << c.subject;
        EXPECT_EQ(position, c.position) << c.pattern << " in " << c.subject << ", match " << c.match;
    }
}

TEST(UtilRegex, RejectedPatternsGiveEmptyResultsQuietly) {
    for (const char* pattern : {"(", "[a", "*"}) {
        RegexObject r;
        EXPECT_FALSE(r.Create(pattern, "abc")) << pattern;
        EXPECT_EQ(r.Replace("x"), "") << pattern;
        EXPECT_EQ(r.GetMatchCount(), 0) << pattern;
        int position = 12345;
        EXPECT_EQ(r.GetMatchText(1, &position), "") << pattern;
        EXPECT_EQ(position, 0) << pattern;
    }
}
