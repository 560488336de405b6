#include "net/header_text.h"

#include <gtest/gtest.h>

namespace velvane {
namespace {

TEST(CapitalizeHeaderNames, RecasesNamesAndDropsLinesWithoutColon) {
    const struct {
        std::string_view text;
        Text expected;
    } cases[] = {
        {"content-type: text/html", "Content-Type: text/html"},
        {"x-my-header:v", "X-My-Header:v"},
        {"ACCEPT: x", "ACCEPT: x"},
        {"aCCEPT: x", "ACCEPT: x"},
        // only the name changes; the value keeps its case, even after a "-"
        {"user-agent:mozilla-firefox a-b", "User-Agent:mozilla-firefox a-b"},
        {"a:b\r\nno colon\r\n\r\nc-d:e", "A:b\r\nC-D:e"},
        {"no colon\r\n\r\n", ""},
        {"", ""},
        // digits and a leading "-" stay as they are
        {"-x:1", "-X:1"},
        {"1a-b:2", "1a-B:2"},
        // a trailing line break adds no empty line
        {"a:1\r\n", "A:1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(capitalizeHeaderNames(c.text), c.expected) << "text '" << c.text << "'";
    }
}

TEST(TextAfterColon, GivesTheTrimmedValue) {
    const struct {
        std::string_view text;
        Text expected;
    } cases[] = {
        {"User-Agent: Agent/1", "Agent/1"},
        {"User-Agent:Agent/1", "Agent/1"},
        {"no colon", ""},
        {"a: b: c ", "b: c"},
        // the trim is of blanks only: a tab or a CR stays
        {"a: b\t", "b\t"},
        {"a: b\r", "b\r"},
        {"a:", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textAfterColon(c.text), c.expected) << "text '" << c.text << "'";
    }
}

TEST(TextBefore, GivesTheTextBeforeTheFirstSeparator) {
    const struct {
        std::string_view text, separator;
        Text expected;
    } cases[] = {
        {"Set-Cookie: a=1", ": ", "Set-Cookie"},
        {"HTTP/1.1 200 OK", ": ", ""},
        {"a: b: c", ": ", "a"},
        {": x", ": ", ""},
        // case respected
        {"aXb", "x", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textBefore(c.text, c.separator), c.expected) << "text '" << c.text << "'";
    }
}

}  // namespace
}  // namespace velvane
