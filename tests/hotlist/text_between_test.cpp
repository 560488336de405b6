#include "hotlist/text_between.h"

#include <gtest/gtest.h>

namespace velvane {
namespace {

TEST(TextBetween, CutsBetweenFirstStartAndNextEnd) {
    const struct {
        std::string_view source, start, end;
        Text expected;
    } cases[] = {
        {"<b>x</b><b>y</b>", "<b>", "</b>", "x"},
        {"a[]b", "[", "]", ""},
        {"abc", "[", "]", ""},
        {"a[bc", "[", "]", ""},
        // the end marker is searched only after the start marker
        {"]a[b]", "[", "]", "b"},
        // the end marker may not overlap the start marker
        {"xyx", "xy", "yx", ""},
        {"a\"b\"c", "#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", "b"},
        // only markers are substituted: a source with the token and no quote gives nothing
        {"a#\xD2\xFD\xBA\xC5" "b", "#\xD2\xFD\xBA\xC5", "b", ""},
        {"Set-Cookie: a=1; path=/", "Set-Cookie:", ";", " a=1"},
        {"abc", "", "c", ""},
        {"abc", "a", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textBetween(c.source, c.start, c.end), c.expected) << "source '" << c.source << "'";
    }
}

TEST(TextBetween, HonoursStartPositionAndCaseFlag) {
    EXPECT_EQ(textBetween("[a][b]", "[", "]", 3), "b");
    EXPECT_EQ(textBetween("[a][b]", "[", "]", 0), "a");
    EXPECT_EQ(textBetween("[a][b]", "[", "]", 99), "");
    EXPECT_EQ(textBetween("<TD>x</td>", "<td>", "</TD>"), "");
    EXPECT_EQ(textBetween("<TD>x</td>", "<td>", "</TD>", 0, true), "x");
}

TEST(TextBetween, StepsOverDoubleByteCharacters) {
    // "i>" is not found starting at the second byte of a character whose second byte is 'i'.
    EXPECT_EQ(textBetween("<\x81i>x<\x82" "a>i>", "<", "i>"), "\x81i>x<\x82" "a>");
}

TEST(TextBetween, SubstitutesTheQuoteTokenInMarkersAsWholeCharacters) {
    const std::string_view token = kQuoteToken;
    const Text cell = R"(<td class="td-03"><i class="hot">x</i></td>)";
    const struct {
        Text source, start, end, expected;
    } cases[] = {
        // the parser's first marker, written with the token
        {cell, "class=" + Text(token) + "td-03" + Text(token) + ">", "i>", R"(<i class="hot">x</)"},
        {R"(<i class="hot">x</)", Text(token) + ">", "</", "x"},
        // adjacent tokens are two quotes; the content starts after the one-byte quote
        {R"(a""b"c)", Text(token) + Text(token), Text(token), "b"},
        // a "#" that is the second byte of a double-byte character starts no token: the
        // marker stays as written
        {"a\x81" + Text(token) + "b\"c", "\x81" + Text(token), Text(token), "b"},
        // a token cut short is no token
        {"a\"b\"c", "#\xD2\xFD", "\"", ""},
        {"a#\xD2\xFD"
         "b\"c",
         "#\xD2\xFD", "\"", "b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textBetween(c.source, c.start, c.end), c.expected)
            << "source '" << c.source << "'";
    }
    // a start position below 1 means the first byte
    EXPECT_EQ(textBetween("[a][b]", "[", "]", -5), "a");
}

}  // namespace
}  // namespace velvane
