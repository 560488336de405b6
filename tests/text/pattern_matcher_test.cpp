// PatternMatcher: one search, then questions about its matches.

#include "text/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>

namespace velvane {
namespace {

constexpr std::string_view kRowPattern =
    "\\<a href=.*>(.[^\\<]*)?\\</a>\\s.*?\\s.*</td>\\s.*<td (.*)\\</td>";

TEST(PatternMatcher, IsEmptyBeforeTheFirstSearch) {
    const PatternMatcher matcher;
    std::int32_t position = 7;
    EXPECT_EQ(matcher.pattern(), "");
    EXPECT_EQ(matcher.replace("x"), "");
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.subMatchCount(), 0);
    EXPECT_EQ(matcher.matchText(1, &position), "");
    EXPECT_EQ(position, -2);
    EXPECT_EQ(matcher.subMatchText(1, 1), "");
}

TEST(PatternMatcher, ReportsMatchesAndGroupsWithTheirByteOffsets) {
    PatternMatcher matcher;
    // 中文 before the matches: the offsets count bytes, not characters.
    ASSERT_TRUE(matcher.create("(\\w)(\\d)?=", "\xD6\xD0\xCE\xC4 a1= b= c2="));
    ASSERT_EQ(matcher.matchCount(), 3);
    EXPECT_EQ(matcher.subMatchCount(), 2);
    std::int32_t position = -1;
    EXPECT_EQ(matcher.matchText(1, &position), "a1=");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(matcher.matchText(2, &position), "b=");
    EXPECT_EQ(position, 9);
    EXPECT_EQ(matcher.subMatchText(3, 1, &position), "c");
    EXPECT_EQ(position, 12);
    EXPECT_EQ(matcher.subMatchText(3, 2, &position), "2");
    EXPECT_EQ(position, 13);
    EXPECT_EQ(matcher.subMatchText(1, 2), "1");
}

TEST(PatternMatcher, GivesTheTrueOffsetWhereTheTextAlsoOccursEarlier) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("b(a)", "ab ba"));
    std::int32_t position = -1;
    EXPECT_EQ(matcher.subMatchText(1, 1, &position), "a");
    EXPECT_EQ(position, 4);  // not 0, where the first "a" stands
    ASSERT_TRUE(matcher.create("x*",
                               "\xD6\xD0"
                               "a"));  // 中a: empty matches step over 中
    ASSERT_EQ(matcher.matchCount(), 3);
    EXPECT_EQ(matcher.matchText(2, &position), "");
    EXPECT_EQ(position, 2);
    EXPECT_EQ(matcher.matchText(3, &position), "");
    EXPECT_EQ(position, 3);
}

TEST(PatternMatcher, AnswersQuestionsAboutNothingWithTheEmptyText) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("(a)|(b)", "xb"));
    ASSERT_EQ(matcher.matchCount(), 1);
    std::int32_t position = -1;
    EXPECT_EQ(matcher.matchText(0, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(matcher.matchText(2), "");
    EXPECT_EQ(matcher.matchText(-1), "");
    EXPECT_EQ(matcher.subMatchText(1, 0), "");
    EXPECT_EQ(matcher.subMatchText(1, 3, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(matcher.subMatchText(2, 1), "");
    // A group that took no part.
    position = -1;
    EXPECT_EQ(matcher.subMatchText(1, 1, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(matcher.subMatchText(1, 2, &position), "b");
    EXPECT_EQ(position, 1);
    // Without the output, nothing is written.
    position = 42;
    matcher.matchText(1);
    EXPECT_EQ(position, 42);

    ASSERT_TRUE(matcher.create("(a)?", ""));
    ASSERT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.subMatchText(1, 1, &position), "");
    EXPECT_EQ(position, -2);
    EXPECT_EQ(matcher.matchText(1, &position), "");
    EXPECT_EQ(position, 0);  // the empty match itself is at 0
    EXPECT_EQ(matcher.matchText(2, &position), "");
    EXPECT_EQ(position, -2);
}

TEST(PatternMatcher, FindsNothingQuietly) {
    PatternMatcher matcher;
    EXPECT_TRUE(matcher.create("(x)(y)", "abc"));
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.subMatchCount(), 0);
    EXPECT_EQ(matcher.replace("z"), "abc");
}

TEST(PatternMatcher, RefusedPatternGivesNoResults) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("a", "aaa"));
    EXPECT_FALSE(matcher.create("(a", "aaa"));
    EXPECT_EQ(matcher.pattern(), "(a");
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.subMatchCount(), 0);
    EXPECT_EQ(matcher.matchText(1), "");
    EXPECT_EQ(matcher.subMatchText(1, 1), "");
    EXPECT_EQ(matcher.replace("b"), "");
    for (const char* refused : {"a(?=b)", "(a)\\1", "\\p{L}", "a{2,1}", "a**", "[a"}) {
        EXPECT_FALSE(matcher.create(refused, "ab")) << refused;
    }
}

TEST(PatternMatcher, SecondSearchReplacesTheFirst) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("(a)(b)", "abab", true));
    ASSERT_EQ(matcher.matchCount(), 2);
    ASSERT_TRUE(matcher.create("C", "xcxc", false, true, false));
    EXPECT_EQ(matcher.pattern(), "C");
    EXPECT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.subMatchCount(), 0);
    EXPECT_EQ(matcher.matchText(1), "c");
    EXPECT_EQ(matcher.replace("-"), "x-xc");
}

TEST(PatternMatcher, IgnoresCaseUnlessAskedToMatchIt) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("ab", "AB ab aB"));
    EXPECT_EQ(matcher.matchCount(), 3);
    ASSERT_TRUE(matcher.create("ab", "AB ab aB", true));
    EXPECT_EQ(matcher.matchCount(), 1);
    // Only ASCII letters fold: 乤 (81 61) is not 丄 (81 41), nor is its second byte an "a".
    ASSERT_TRUE(matcher.create("\x81\x41|a", "\x81\x61"));
    EXPECT_EQ(matcher.matchCount(), 0);
}

TEST(PatternMatcher, AnchorsAtLinesUnlessMultilineIsOff) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("^\\w+$", "one\r\ntwo\nthree"));
    EXPECT_EQ(matcher.matchCount(), 2);  // "one" is followed by CR, which \w does not take
    EXPECT_EQ(matcher.matchText(1), "two");
    ASSERT_TRUE(matcher.create("^.+$", "one\r\ntwo\nthree"));
    ASSERT_EQ(matcher.matchCount(), 3);
    EXPECT_EQ(matcher.matchText(1), "one\r");
    ASSERT_TRUE(matcher.create("^.+$", "one\r\ntwo\nthree", false, false));
    EXPECT_EQ(matcher.matchCount(), 0);
    ASSERT_TRUE(matcher.create("^.+$", "three\n", false, false));
    EXPECT_EQ(matcher.matchCount(), 1);
}

TEST(PatternMatcher, KeepsOnlyTheFirstMatchWhenNotGlobal) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create("(\\d)", "a1b2c3", false, true, false));
    EXPECT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.subMatchText(1, 1), "1");
    EXPECT_EQ(matcher.replace("<$1>"), "a<1>b2c3");
}

TEST(PatternMatcher, SubstitutesTheQuoteTokenOnlyWhenAsked) {
    const std::string pattern = "href=#\xD2\xFD\xBA\xC5([^#\xD2\xFD\xBA\xC5]*)";  // href=#引号...
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.create(pattern, "<a href=\"x\">", false, true, true, true));
    EXPECT_EQ(matcher.pattern(), "href=\"([^\"]*)");
    EXPECT_EQ(matcher.subMatchText(1, 1), "x");
    ASSERT_TRUE(matcher.create(pattern, "<a href=\"x\">"));
    EXPECT_EQ(matcher.pattern(), pattern);
    EXPECT_EQ(matcher.matchCount(), 0);
    ASSERT_TRUE(matcher.create(pattern, "href=#\xD2\xFD\xBA\xC5x"));
    EXPECT_EQ(matcher.matchCount(), 1);
    // The token is not found across a character boundary: here its "#" is the second byte of
    // a double-byte character (0x81 0x23 is not GBK, but a lead byte always takes the next).
    ASSERT_TRUE(matcher.create("\x81#\xD2\xFD\xBA\xC5", "", false, true, true, true));
    EXPECT_EQ(matcher.pattern(), "\x81#\xD2\xFD\xBA\xC5");
}

TEST(PatternMatcher, ReplacesWithGroupsAndSpecialSequences) {
    struct Case {
        const char* pattern;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {"(\\w+)@(\\w+)", "$2 at $1", "mail: b at a, d at c."},
        {"(\\w+)@(\\w+)", "[$&]", "mail: [a@b], [c@d]."},
        {"(\\w+)@(\\w+)", "[$`]", "mail: [mail: ], [mail: a@b, ]."},
        {"(\\w+)@(\\w+)", "[$']", "mail: [, c@d.], [.]."},
        {"(\\w+)@(\\w+)", "$$1", "mail: $1, $1."},
        {"(\\w+)@(\\w+)", "$0$3$x$", "mail: $0$3$x$, $0$3$x$."},
        {"(\\w+)@(\\w+)", "$10", "mail: a0, c0."},  // no group 10: group 1, then "0"
        {"(\\w+)@(\\w+)", "$01$02", "mail: ab, cd."},
        {"(\\w+)@(\\w+)", "\xD6\xD0$1",
         "mail: \xD6\xD0"
         "a, \xD6\xD0"
         "c."},
        {"(x)?(\\w+)@", "<$1>", "mail: <>b, <>d."},
        {"", "-", "-m-a-i-l-:- -a-@-b-,- -c-@-d-.-"},
        {"\\w*", "-", "--:- --@--,- --@--.-"},
    };
    PatternMatcher matcher;
    for (const Case& c : cases) {
        ASSERT_TRUE(matcher.create(c.pattern, "mail: a@b, c@d."));
        EXPECT_EQ(matcher.replace(c.replacement), c.expected)
            << c.pattern << " / " << c.replacement;
    }
    std::string tenGroups;
    for (int i = 0; i < 10; ++i) {
        tenGroups += "(.)";
    }
    ASSERT_TRUE(matcher.create(tenGroups, "abcdefghijk"));
    EXPECT_EQ(matcher.replace("$10|$1"), "j|ak");
    EXPECT_EQ(matcher.replace(), "k");
}

TEST(PatternMatcher, CopiesShareTheResultAndStayIndependent) {
    PatternMatcher original;
    ASSERT_TRUE(original.create("(b+)", "abbc"));
    PatternMatcher copy(original);
    EXPECT_EQ(copy.pattern(), "(b+)");
    EXPECT_EQ(copy.matchCount(), 1);
    EXPECT_EQ(copy.subMatchText(1, 1), "bb");
    EXPECT_EQ(copy.replace("-"), "a-c");

    ASSERT_TRUE(copy.create("c", "ccc"));
    EXPECT_EQ(copy.matchCount(), 3);
    EXPECT_EQ(original.matchCount(), 1);
    EXPECT_EQ(original.subMatchText(1, 1), "bb");

    PatternMatcher assigned;
    assigned = original;
    ASSERT_TRUE(original.create("z", "abc"));
    EXPECT_EQ(assigned.matchText(1), "bb");
    EXPECT_EQ(original.matchCount(), 0);
}

TEST(PatternMatcher, ReadsTheRowsOfASummaryPageAsTheRefreshDoes) {
    const std::string page =
        "<tr class=\"\">\n"
        "    <td class=\"td-01 ranktop\">1</td>\n"
        "    <td class=\"td-02\">\n"
        "        <a href=\"/weibo?q=%23a%23\" target=\"_blank\">\xB1\xEA\xCC\xE2|A&amp;B</a>\n"  // 标题
        "        <span>2345678</span>\n"
        "    </td>\n"
        "    <td class=\"td-03\"><i class=\"icon-txt icon-txt-new\">\xD0\xC2</i></td>\n"  // 新
        "</tr>\n"
        "<tr class=\"\">\n"
        "    <td class=\"td-01\"></td>\n"
        "    <td class=\"td-02\">\n"
        "        <a href=\"javascript:void(0);\" word=\"x\">#\xB9\xE3\xB8\xE6#</a>\n"  // #广告#
        "        \n"
        "    </td>\n"
        "    <td class=\"td-03\"></td>\n"
        "</tr>\n";
    PatternMatcher matcher;
    matcher.create(kRowPattern, page, false, true);
    ASSERT_EQ(matcher.matchCount(), 2);
    EXPECT_EQ(matcher.subMatchText(1, 1), "\xB1\xEA\xCC\xE2|A&amp;B");
    EXPECT_EQ(matcher.subMatchText(1, 2),
              "class=\"td-03\"><i class=\"icon-txt icon-txt-new\">\xD0\xC2</i>");
    EXPECT_EQ(matcher.subMatchText(2, 1), "#\xB9\xE3\xB8\xE6#");
    EXPECT_EQ(matcher.subMatchText(2, 2), "class=\"td-03\">");
}

}  // namespace
}  // namespace velvane
