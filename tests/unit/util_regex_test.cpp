// The regular-expression object over the real "VBScript.RegExp" component:
// options, the quote placeholder, replacing, matches and sub-matches, byte
// positions in GBK subjects, and patterns the component rejects.
#include <gtest/gtest.h>

#include "util/regex_object.h"

using vela::RegexObject;
using vela::Text;

namespace {
constexpr int kUntouched = 12345;
}

TEST(UtilRegex, OptionsDefaultToCaseInsensitiveMultiLineGlobal) {
    struct {
        const char* pattern;
        const char* subject;
        bool caseSensitive, multiLine, global;
        int count;
        const char* firstMatch;
    } cases[] = {
        {"b", "AbB", false, true, true, 2, "b"},
        {"B", "AbB", true, true, true, 1, "B"},
        {"^a.", "ab\nAc", false, true, true, 2, "ab"},
        {"^a.", "ab\nAc", false, false, true, 1, "ab"},
        {"a", "aaa", false, true, false, 1, "a"},
        {"\r\n", "x\r\ny\r\n", false, true, true, 2, "\r\n"},
        {"文", "中文abc文", false, true, true, 2, "文"},
    };
    for (const auto& c : cases) {
        RegexObject r;
        ASSERT_TRUE(r.Create(c.pattern, c.subject, c.caseSensitive, c.multiLine, c.global)) << c.pattern;
        EXPECT_EQ(r.GetMatchCount(), c.count) << c.pattern << " in " << c.subject;
        EXPECT_EQ(r.GetMatchText(1), c.firstMatch) << c.pattern;
        EXPECT_EQ(r.GetPattern(), c.pattern);
    }
    // Only pattern and subject: the defaults are the first row's.
    RegexObject r;
    ASSERT_TRUE(r.Create("^b", "Bx\nby"));
    EXPECT_EQ(r.GetMatchCount(), 2);
}

TEST(UtilRegex, QuotePlaceholderStandsForADoubleQuoteOnlyWithItsFlag) {
    const char* subject = "say \"x and #引号x";
    RegexObject r;
    ASSERT_TRUE(r.Create("#引号x", subject, false, true, true, true));
    EXPECT_EQ(r.GetPattern(), "\"x");
    ASSERT_EQ(r.GetMatchCount(), 1);
    EXPECT_EQ(r.GetMatchText(1), "\"x");
    ASSERT_TRUE(r.Create("#引号x", subject));
    EXPECT_EQ(r.GetPattern(), "#引号x");
    ASSERT_EQ(r.GetMatchCount(), 1);
    EXPECT_EQ(r.GetMatchText(1), "#引号x");
}

TEST(UtilRegex, ReplaceWithTheLineBreakPattern) {
    RegexObject before;
    EXPECT_EQ(before.Replace(), "");
    EXPECT_EQ(before.GetPattern(), "");
    EXPECT_EQ(before.GetMatchCount(), 0);
    EXPECT_EQ(before.GetSubMatchCount(), 0);

    const Text path = "C:\\图片\\照片 1.jpg";
    RegexObject r;
    ASSERT_TRUE(r.Create("(?:^\r|\n$)", path));
    EXPECT_EQ(r.Replace(), path);
    EXPECT_EQ(r.Replace("x"), path);
    // What the component itself does with line breaks: a CR opening a line
    // and an LF closing one go.
    ASSERT_TRUE(r.Create("(?:^\r|\n$)", "\r\na\r\n"));
    EXPECT_EQ(r.Replace(), "\na\r");
    ASSERT_TRUE(r.Create("o", "foo 中文"));
    EXPECT_EQ(r.Replace("文"), "f文文 中文");
}

TEST(UtilRegex, SubMatchesDescribeTheFirstMatch) {
    RegexObject r;
    ASSERT_TRUE(r.Create("(a)(b)?(c)?", "ab a abc"));
    EXPECT_EQ(r.GetMatchCount(), 3);
    EXPECT_EQ(r.GetSubMatchCount(), 3);
    EXPECT_EQ(r.GetSubMatchText(1, 1), "a");
    EXPECT_EQ(r.GetSubMatchText(1, 2), "b");
    EXPECT_EQ(r.GetSubMatchText(2, 2), "");
    EXPECT_EQ(r.GetSubMatchText(3, 3), "c");
    EXPECT_EQ(r.GetSubMatchText(3, 4), "");
    ASSERT_TRUE(r.Create("x(y)", "xy"));
    EXPECT_EQ(r.GetSubMatchCount(), 1);
    ASSERT_TRUE(r.Create("q", "xy"));
    EXPECT_EQ(r.GetMatchCount(), 0);
    EXPECT_EQ(r.GetSubMatchCount(), 0);
}

TEST(UtilRegex, BytePositionsInGbkSubjects) {
    struct {
        const char* pattern;
        const char* subject;
        int match, subMatch;  // subMatch 0: the match itself
        const char* text;
        int position;
    } cases[] = {
        {"abc", "中文abc中文abc", 1, 0, "abc", 4},
        {"abc", "中文abc中文abc", 2, 0, "abc", 11},
        {"a", "aa", 2, 0, "a", 1},
        {"中(文)", "x中文中文", 2, 1, "文", 7},
        {"(b)c", "中a中bc", 1, 1, "b", 5},
        {"a\r\n", "中\r\na\r\n", 1, 0, "a\r\n", 4},
        {"abc", "中文abc", 3, 0, "", 0},  // no third match: an empty text at the start
        {"x", "", 1, 0, "", -2},           // an empty subject holds nothing
    };
    for (const auto& c : cases) {
        RegexObject r;
        ASSERT_TRUE(r.Create(c.pattern, c.subject)) << c.pattern;
        int position = kUntouched;
        const Text text = c.subMatch ? r.GetSubMatchText(c.match, c.subMatch, &position)
                                     : r.GetMatchText(c.match, &position);
        EXPECT_EQ(text, c.text) << c.pattern << " in " << c.subject;
        EXPECT_EQ(position, c.position) << c.pattern << " in " << c.subject << ", match " << c.match;
    }
}

TEST(UtilRegex, RejectedPatternsGiveEmptyResultsQuietly) {
    for (const char* pattern : {"(", "[a", "a{2,1}", "*"}) {
        RegexObject r;
        EXPECT_FALSE(r.Create(pattern, "abc")) << pattern;
        EXPECT_EQ(r.Replace("x"), "") << pattern;
        EXPECT_EQ(r.GetMatchCount(), 0) << pattern;
        EXPECT_EQ(r.GetSubMatchCount(), 0) << pattern;
        int position = kUntouched;
        EXPECT_EQ(r.GetMatchText(1, &position), "") << pattern;
        EXPECT_EQ(position, 0) << pattern;
    }
}
