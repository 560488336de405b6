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

}  // namespace
}  // namespace velvane
