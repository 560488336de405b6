#include "text/text_ops.h"

#include <gtest/gtest.h>

using namespace std::literals;

namespace velvane {
namespace {

// Code page 936 bytes used below.
constexpr std::string_view kZhong = "\xD6\xD0";           // 中
constexpr std::string_view kLeadTrailA = "\x81\x41";      // a character whose second byte is 'A'
constexpr std::string_view kIdeographicBlank = "\xA1\xA1";  // 　
constexpr std::string_view kTrailThenLead = "\xB0\xA1";   // 啊: lead 0xB0, second byte 0xA1

struct FindCase {
    std::string haystack;
    std::string_view needle;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(FindText, FindsFirstOccurrenceAtCharacterStarts) {
    const std::string withPair = std::string("x") + std::string(kLeadTrailA) + "A";
    const std::string pairThenBlank = std::string(kTrailThenLead) + "\xA1" "b";
    const FindCase cases[] = {
        {"hello world", "o", 0, false, 5},
        {"hello world", "o", 6, false, 8},
        {"hello world", "o", -3, false, 5},
        {"hello world", "O", 0, false, -1},
        {"hello world", "O", 0, true, 5},
        {"hello", "hello!", 0, false, -1},
        {"hello", "lo", 4, false, 4},
        {"hello", "lo", 5, false, -1},
        {"hello", "h", 6, false, -1},
        {"hello", "", 0, false, 1},
        {"hello", "", 5, false, 1},
        {"hello", "", 6, false, -1},
        {"", "", 0, false, -1},
        {"", "a", 0, false, -1},
        // 'A' as the second byte of a double-byte character is not a candidate...
        {withPair, "A", 0, false, 4},
        // ...and does not fold to 'a' under ignore-case.
        {withPair, "a", 0, true, 4},
        // an occurrence never begins at the second byte of a pair
        {pairThenBlank, "\xA1\xA1", 0, false, -1},
        {pairThenBlank, "\xA1" "b", 0, false, 3},
        // a lone high byte at the very end is the last candidate
        {"ab\x81", "\x81", 0, false, 3},
        // a start inside a pair begins the candidates there
        {std::string(kZhong) + "x", "\xD0x", 2, false, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(findText(c.haystack, c.needle, c.start, c.ignoreCase), c.expected)
            << "haystack '" << c.haystack << "' needle '" << c.needle << "' start " << c.start;
    }
}

// Only 0x81..0xFE lead a pair: the euro sign (0x80) and 0xFF stand alone. A title ending in the
// euro sign once swallowed the bar after it, so its row showed "title€|热" as the caption.
TEST(CharacterLength, OnlyLeadBytesTakeTheByteAfterThem) {
    EXPECT_EQ(characterLength("\x80|", 0), 1);
    EXPECT_EQ(characterLength("\xFF|", 0), 1);
    EXPECT_EQ(characterLength("\x81|", 0), 2);
    EXPECT_EQ(characterLength("\xFE|", 0), 2);
    EXPECT_EQ(characterLength("\xFE", 0), 1);
    EXPECT_EQ(splitText("Price 5\x80|\xC8\xC8", "|", 2),
              (std::vector<Text>{"Price 5\x80", "\xC8\xC8"}));
    EXPECT_EQ(findText("\xFF|", "|"), 2);
    EXPECT_EQ(toUpperAscii("\x80"s + "a\xFF"s + "b"), "\x80"s + "A\xFF"s + "B");
}

TEST(FindText, LastOccurrenceSkipsSecondBytes) {
    EXPECT_EQ(findLastText("abcabc", "bc"), 5);
    EXPECT_EQ(findLastText("abcABC", "bc", true), 5);
    EXPECT_EQ(findLastText("abc", "x"), -1);
    EXPECT_EQ(findLastText("aaa", "aa"), 2);
    const std::string text = std::string("A") + std::string(kLeadTrailA);
    EXPECT_EQ(findLastText(text, "A"), 1);
}

TEST(CutText, LeftRightAndMiddleClampToTheText) {
    EXPECT_EQ(leftText("hello", 2), "he");
    EXPECT_EQ(leftText("hello", 0), "");
    EXPECT_EQ(leftText("hello", -1), "");
    EXPECT_EQ(leftText("hello", 99), "hello");
    EXPECT_EQ(rightText("hello", 2), "lo");
    EXPECT_EQ(rightText("hello", 0), "");
    EXPECT_EQ(rightText("hello", 99), "hello");
    EXPECT_EQ(middleText("hello", 2, 3), "ell");
    EXPECT_EQ(middleText("hello", 4, 10), "lo");
    EXPECT_EQ(middleText("hello", 0, 2), "");
    EXPECT_EQ(middleText("hello", 6, 2), "");
    EXPECT_EQ(middleText("hello", 2, 0), "");
}

struct SplitCase {
    std::string text;
    std::string_view separator;
    std::optional<int> limit;
    std::vector<Text> expected;
};

TEST(SplitText, KeepsInnerEmptyPiecesAndDropsTrailingOne) {
    const std::string doubleByte = std::string(kTrailThenLead) + "|" + std::string(kZhong);
    const SplitCase cases[] = {
        {"a|b|c", "|", std::nullopt, {"a", "b", "c"}},
        {"a||b", "|", std::nullopt, {"a", "", "b"}},
        {"|a", "|", std::nullopt, {"", "a"}},
        {"a|", "|", std::nullopt, {"a"}},
        {"|", "|", std::nullopt, {""}},
        {"", "|", std::nullopt, {}},
        {"abc", "|", std::nullopt, {"abc"}},
        {"a\r\nb\r\n", "\r\n", std::nullopt, {"a", "b"}},
        {"a|b|c", "|", 2, {"a", "b"}},
        {"a|b|c", "|", 1, {"a"}},
        {"a|b", "|", 5, {"a", "b"}},
        {"aXbxc", "x", std::nullopt, {"aXb", "c"}},
        {doubleByte, "|", std::nullopt, {std::string(kTrailThenLead), std::string(kZhong)}},
        // the separator is not found as the second byte of a double-byte character
        {"\xB0|a|b", "|", std::nullopt, {"\xB0|a", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitText(c.text, c.separator, c.limit), c.expected) << "text '" << c.text << "'";
    }
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlap) {
    EXPECT_EQ(replaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("a-b-c", "-"), "abc");
    EXPECT_EQ(replaceAll("Set-Cookie: x; SET-COOKIE:y", "set-cookie:", "", true), " x; y");
    EXPECT_EQ(replaceAll("Set-Cookie: x", "set-cookie:", ""), "Set-Cookie: x");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll("", "a", "x"), "");
    // "\xA1\xA1" inside "\xB0\xA1" "\xA1\xA1" is only found at the character start
    EXPECT_EQ(replaceAll("\xB0\xA1\xA1\xA1", kIdeographicBlank, " "), "\xB0\xA1 ");
}

TEST(TrimBlanks, RemovesAsciiAndIdeographicBlanksOnly) {
    const std::string ideographic(kIdeographicBlank);
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks(ideographic + " a" + ideographic), "a");
    EXPECT_EQ(trimBlanks("\ta\r"), "\ta\r");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks(""), "");
    // the last two bytes look like an ideographic blank but the first is a second byte
    EXPECT_EQ(trimBlanks("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
    EXPECT_EQ(trimBlanks(std::string(kTrailThenLead) + ideographic), kTrailThenLead);
}

TEST(ChangeCase, TouchesAsciiLettersOnly) {
    const std::string mixed = std::string("aZ") + std::string(kLeadTrailA) + "\x81" "a";
    EXPECT_EQ(toUpperAscii(mixed), std::string("AZ") + std::string(kLeadTrailA) + "\x81" "a");
    EXPECT_EQ(toLowerAscii("HeLLo-1"), "hello-1");
    EXPECT_EQ(toLowerAscii(std::string(kLeadTrailA)), kLeadTrailA);
}

TEST(ToInteger, ReadsLeadingDecimalAfterFoldingFullWidthForms) {
    const std::string fullWidth120 = "\xA3\xB1\xA3\xB2\xA3\xB0";  // １２０
    const std::string fullWidthMinus = "\xA3\xAD";                // －
    const struct {
        std::string text;
        std::int32_t expected;
    } cases[] = {
        {"60", 60},
        {" 90s", 90},
        {"\t\r\n 7", 7},
        {"+12", 12},
        {"-5", -5},
        {"2.5", 2},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-3", 0},
        {fullWidth120, 120},
        {std::string(kIdeographicBlank) + fullWidthMinus + fullWidth120, -120},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toInteger(c.text), c.expected) << "text '" << c.text << "'";
    }
}

TEST(TextEquals, ComparesBytesWithCase) {
    EXPECT_TRUE(textEquals("abc", "abc"));
    EXPECT_FALSE(textEquals("abc", "ABC"));
    EXPECT_TRUE(textEquals({}, ""));
    EXPECT_FALSE(textEquals("a", "a\0"sv));
}

}  // namespace
}  // namespace velvane
