#include "net/cookie_text.h"

#include <gtest/gtest.h>

namespace velvane {
namespace {

TEST(MergeCookieTexts, PutsTheResponseFirstAndDropsDeletedAndRepeated) {
    const struct {
        std::string_view sent, received;
        Text expected;
    } cases[] = {
        {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        {"a=1", "a=deleted", ""},
        {"a=1; b=2", "a=deleted", "b=2"},
        {"a=1; a=2", "", "a=1"},
        {"  a=1;  ", "", "a=1"},
        {"", "a=1; a=1", "a=1"},
        // names that differ in case are different cookies
        {"a=2", "A=1", "A=1; a=2"},
        // one name twice from the response: both stay
        {"", "a=1; a=2", "a=1; a=2"},
        {"", "", ""},
        // a deleted item of the caller's own goes too
        {"a=deleted; b=2", "", "b=2"},
        // "=deleted" must end the item, respecting case
        {"a=DELETED", "", "a=DELETED"},
        {"a=deleted!", "", "a=deleted!"},
        // names are trimmed before comparing
        {"a =2", "a=1", "a=1"},
        {"flag", "flag=1", "flag=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "sent '" << c.sent << "' received '" << c.received << "'");
        Text sent(c.sent);
        Text received(c.received);
        EXPECT_EQ(mergeCookieTexts(sent, received), c.expected);
        EXPECT_EQ(sent, c.expected);
    }
}

TEST(MergeCookieTexts, TidiesTheReceivedTextInPlace) {
    Text sent;
    Text received = " a=1; ";
    EXPECT_EQ(mergeCookieTexts(sent, received), "a=1");
    EXPECT_EQ(received, "a=1; ");
}

TEST(CookieName, IsThePartBeforeTheFirstEqualsTrimmed) {
    EXPECT_EQ(cookieName("a=1"), "a");
    EXPECT_EQ(cookieName(" a =1=2"), "a");
    EXPECT_EQ(cookieName("flag"), "flag");
    EXPECT_EQ(cookieName("=1"), "");
    EXPECT_EQ(cookieName(""), "");
}

TEST(HasCookieNamed, ComparesNamesExactly) {
    const std::vector<Text> items = {"a=1", " B =2", "c"};
    EXPECT_TRUE(hasCookieNamed(items, "a"));
    EXPECT_TRUE(hasCookieNamed(items, "B"));
    EXPECT_TRUE(hasCookieNamed(items, "c"));
    EXPECT_FALSE(hasCookieNamed(items, "b"));
    EXPECT_FALSE(hasCookieNamed(items, "A"));
    EXPECT_FALSE(hasCookieNamed({}, "a"));
}

TEST(UniqueJoin, KeepsFirstOccurrencesInOrder) {
    const struct {
        std::string_view text, separator;
        Text expected;
    } cases[] = {
        {"a; b; a; c; b", "; ", "a; b; c"},
        {"a=1; A=1; a=1", "; ", "a=1; A=1"},
        {"x,y,x", ",", "x,y"},
        {"", "; ", ""},
        // a trailing separator adds no piece; an empty piece in between is a piece
        {"a; ; a; ", "; ", "a; "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(uniqueJoin(c.text, c.separator), c.expected) << "text '" << c.text << "'";
    }
}

TEST(IndexOfText, GivesTheFirstEqualMemberFromOne) {
    const std::vector<Text> list = {"a", "b", "a", ""};
    EXPECT_EQ(indexOfText(list, "a"), 1);
    EXPECT_EQ(indexOfText(list, "b"), 2);
    EXPECT_EQ(indexOfText(list, ""), 4);
    EXPECT_EQ(indexOfText(list, "A"), -1);
    EXPECT_EQ(indexOfText({}, "a"), -1);
}

}  // namespace
}  // namespace velvane
