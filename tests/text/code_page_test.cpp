// One table of cases for the code-page conversion: natively it runs against the portable
// converter, under Wine against the system's conversion.
#include "text/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace velvane {
namespace {

// UTF-8 written as u8 literals, so the bytes do not depend on the compiler's source charset.
std::string utf8(std::u8string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

// The units of a wide text, its zero unit included; a trailing odd byte is kept as a unit of
// its own so that a wrong size shows.
std::u16string unitsOf(const ByteArray& wide) {
    std::u16string units;
    for (std::size_t i = 0; i < wide.size(); i += 2) {
        const unsigned high = i + 1 < wide.size() ? wide[i + 1] : 0xFF;
        units.push_back(static_cast<char16_t>(wide[i] | high << 8));
    }
    return units;
}

ByteArray wideOf(std::u16string_view units) {
    ByteArray wide;
    for (const char16_t unit : units) {
        wide.push_back(static_cast<unsigned char>(unit & 0xFF));
        wide.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return wide;
}

TEST(Utf8ToLocal, EmptyTextGivesEmptyText) {
    EXPECT_EQ(utf8ToLocal(""), "");
    EXPECT_EQ(utf8ToLocal(std::string_view("\0abc", 4)), "");
}

TEST(Utf8ToLocal, AsciiComesOutUnchanged) {
    std::string ascii;
    for (int byte = 1; byte < 0x80; ++byte) {
        ascii.push_back(static_cast<char>(byte));
    }
    // Long enough to pass through the eight-byte runs and the byte-by-byte tail.
    const std::string text = ascii + ascii + "tail";
    EXPECT_EQ(utf8ToLocal(text), text);
}

TEST(Utf8ToLocal, ConvertsChineseCharacters) {
    EXPECT_EQ(utf8ToLocal("\xE4\xB8\xAD"), "\xD6\xD0");  // 中
    const struct {
        std::u8string_view utf8;
        Text local;
    } cases[] = {
        {u8"新", "\xD0\xC2"},
        {u8"沸", "\xB7\xD0"},
        {u8"热", "\xC8\xC8"},
        {u8"荐", "\xBC\xF6"},
        {u8"默认", "\xC4\xAC\xC8\xCF"},
        {u8"€", "\x80"},           // the one single byte above ASCII
        {u8"\uE000", "\xAA\xA1"},  // private use: the first user-defined code
        {u8"\uF8F5", "\xFF"},
        {u8"é", "\xA8\xA6"},   // a pinyin letter of the code page
        {u8"丂", "\x81\x40"},  // the first double-byte code
        {u8"\uE864", "\xFE\xA0"},
        // a page of mixed text: markup, ideographs, full-width forms and punctuation
        {u8"<td class=\"td-02\"><a href=\"/weibo?q=%23微博热搜%23\">春节档电影票房破50亿·观众“点赞”"
         u8"</a><span>1234567</span></td>\n<td><i class=\"icon-txt icon-txt-new\">新</i></td> "
         u8"价格：€12，约合￥88（全角）—— 〇",
         "<td class=\"td-02\"><a href=\"/weibo?q=%23\xCE\xA2\xB2\xA9\xC8\xC8\xCB\xD1%23\">"
         "\xB4\xBA\xBD\xDA\xB5\xB5\xB5\xE7\xD3\xB0\xC6\xB1\xB7\xBF\xC6\xC6"
         "50\xD2\xDA\xA1\xA4\xB9\xDB\xD6\xDA\xA1\xB0\xB5\xE3\xD4\xDE\xA1\xB1</a><span>1234567"
         "</span></td>\n<td><i class=\"icon-txt icon-txt-new\">\xD0\xC2</i></td> "
         "\xBC\xDB\xB8\xF1\xA3\xBA\x80"
         "12\xA3\xAC\xD4\xBC\xBA\xCF\xA3\xA4"
         "88\xA3\xA8\xC8\xAB\xBD\xC7\xA3\xA9\xA1\xAA\xA1\xAA \xA9\x96"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToLocal(utf8(c.utf8)), c.local) << utf8(c.utf8);
    }
}

TEST(Utf8ToLocal, CharactersTheCodePageLacksBecomeQuestionMarksOrLookAlikes) {
    const struct {
        std::u8string_view utf8;
        Text local;
    } cases[] = {
        {u8"a😀b", "a??b"},                     // each half of the surrogate pair on its own
        {u8"\U0010FFFF", "??"}, {u8"ก", "?"},  // Thai
        {u8"\uFFFD", "?"},      {u8"\uFEFF", "?"},
        {u8"À", "\xA8\xA4"},   // best fit: the code page's à
        {u8"²", "2"},          // best fit
        {u8"豈", "\xD8\x4D"},  // a compatibility ideograph, written as its unified form
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToLocal(utf8(c.utf8)), c.local) << utf8(c.utf8);
    }
}

TEST(Utf8ToLocal, InvalidSequencesBecomeQuestionMarksAndTheRestConverts) {
    EXPECT_EQ(utf8ToLocal("a\x80\xE4\xB8\xAD\xFF"
                          "b"),
              "a?\xD6\xD0?b");
    EXPECT_EQ(utf8ToLocal("\xE4\xB8\xE4\xB8\xAD"), "?\xD6\xD0");
}

TEST(Utf8ToLocal, BytesAfterTheFirstZeroPlayNoPart) {
    EXPECT_EQ(utf8ToLocal(std::string_view("ab\0\xE4\xB8\xAD", 6)), "ab");
    EXPECT_EQ(utf8ToLocal(std::string_view("\xE4\xB8\xAD\0\x80", 5)), "\xD6\xD0");
}

TEST(DecodeToWide, EndsWithOneZeroUnit) {
    const struct {
        std::string_view text;
        std::u16string units;
    } cases[] = {
        {"", std::u16string(1, u'\0')},
        {"a", std::u16string(u"a\0", 2)},
        {"\xE4\xB8\xAD", std::u16string(u"\u4E2D\0", 2)},
        {"\xF0\x9F\x98\x80", std::u16string(u"\xD83D\xDE00\0", 3)},
        {std::string_view("a\0b", 3), std::u16string(u"a\0", 2)},
    };
    for (const auto& c : cases) {
        const ByteArray wide = decodeToWide(c.text);
        EXPECT_EQ(wide.size(), 2 * c.units.size()) << c.text;
        EXPECT_EQ(unitsOf(wide), c.units) << c.text;
    }
}

// The system's rule: a byte that starts nothing is one U+FFFD; a lead byte takes continuation
// bytes until one is missing or shows an overlong form, a surrogate or a value past U+10FFFF,
// and those bytes are one U+FFFD; a lead byte that announces more bytes than the text has left
// makes the rest one U+FFFD.
TEST(DecodeToWide, ReplacesInvalidUtf8AsTheSystemDoes) {
    const struct {
        std::string_view text;
        std::u16string_view units;  // without the zero unit
    } cases[] = {
        {"a\x80"
         "b",
         u"a\uFFFD"
         "b"},  // lone continuation byte
        {"a\x80\xBF"
         "b",
         u"a\uFFFD\uFFFD"
         "b"},                      // one per continuation byte
        {"a\xE4\xB8", u"a\uFFFD"},  // cut short at the end
        {"a\xE4", u"a\uFFFD"},
        {"a\xF0\x9F\x98", u"a\uFFFD"},
        {"\xF0"
         "A",
         u"\uFFFD"},  // more bytes announced than are left: the rest goes
        {"\xF0"
         "AB",
         u"\uFFFD"
         "AB"},
        {"a\xE4\xB8"
         "b",
         u"a\uFFFD"
         "b"},  // cut short in the middle
        {"\xE4\xB8\xE4\xB8\xAD", u"\uFFFD\u4E2D"},
        {"\xE4\xB8\x80\x80", u"\u4E00\uFFFD"},
        {"\xC2"
         "A",
         u"\uFFFD"
         "A"},
        {"\xE4\xC2\xA9", u"\uFFFD\u00A9"},
        {"a\xC0\x80"
         "b",
         u"a\uFFFD\uFFFD"
         "b"},  // overlong forms
        {"a\xC1\xBF"
         "b",
         u"a\uFFFD\uFFFD"
         "b"},
        {"a\xE0\x80\x80"
         "b",
         u"a\uFFFD\uFFFD"
         "b"},
        {"a\xE0\x9F\xBF"
         "b",
         u"a\uFFFD\uFFFD"
         "b"},
        {"a\xF0\x8F\xBF\xBF"
         "b",
         u"a\uFFFD\uFFFD\uFFFD"
         "b"},
        {"a\xED\xA0\x80"
         "b",
         u"a\uFFFD\uFFFD"
         "b"},  // surrogates encoded in UTF-8
        {"a\xED\xA0\xBD\xED\xB8\x80"
         "b",
         u"a\uFFFD\uFFFD\uFFFD\uFFFD"
         "b"},
        {"a\xF4\x90\x80\x80"
         "b",
         u"a\uFFFD\uFFFD\uFFFD"
         "b"},  // past U+10FFFF
        {"a\xF5\x80\x80\x80"
         "b",
         u"a\uFFFD\uFFFD\uFFFD\uFFFD"
         "b"},
        {"a\xF8\x88\x80\x80\x80"
         "b",
         u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"
         "b"},
        {"a\xFE"
         "b\xFF",
         u"a\uFFFD"
         "b\uFFFD"},
        // the edges of what is valid
        {"\xED\x9F\xBF\xEE\x80\x80", u"\uD7FF\uE000"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
        {"\xEF\xBB\xBF"
         "a",
         u"\uFEFF"
         "a"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unitsOf(decodeToWide(c.text)), std::u16string(c.units) + u'\0') << c.text;
    }
}

TEST(DecodeToWide, DecodesTheGivenCodePage) {
    const std::string_view local =
        "\xD6\xD0"
        "a\x80\xFF";
    EXPECT_EQ(unitsOf(decodeToWide(local, kCodePageChinese)), std::u16string(u"\u4E2D"
                                                                             "a\u20AC\uF8F5\0",
                                                                             5));
    // The same bytes read as UTF-8, the default, are four invalid sequences.
    EXPECT_EQ(unitsOf(decodeToWide(local)), std::u16string(u"\uFFFD\uFFFD"
                                                           "a\uFFFD\uFFFD\0",
                                                           6));
    EXPECT_EQ(decodeToWide(utf8(u8"中"), kCodePageUtf8), decodeToWide(utf8(u8"中")));
}

TEST(DecodeToWide, ReplacesCodesThatAreNoCharacter) {
    const struct {
        std::string_view text;
        std::u16string_view units;
    } cases[] = {
        {"\x81\x7F", u"?"},  // a lead byte takes the byte after it, whatever it is
        {"\x81"
         "0",
         u"?"},
        {"\x81\x40"
         "A",
         u"\u4E02"
         "A"},
        {"a\x81", u"a?"},  // a lead byte at the end
        {"\xD6\xD0\xFE", u"\u4E2D?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unitsOf(decodeToWide(c.text, kCodePageChinese)), std::u16string(c.units) + u'\0')
            << c.text;
    }
}

TEST(EncodeFromWide, StopsAtTheFirstZeroUnitOrTheEnd) {
    EXPECT_EQ(encodeFromWide({}, kCodePageChinese), "");
    EXPECT_EQ(encodeFromWide(wideOf(std::u16string_view(u"\0", 1)), kCodePageChinese), "");
    EXPECT_EQ(encodeFromWide(wideOf(std::u16string_view(u"\u4E2D\0a", 3)), kCodePageChinese),
              "\xD6\xD0");
    // No zero unit at all, and a trailing odd byte that forms no unit.
    ByteArray wide = wideOf(u"ab");
    EXPECT_EQ(encodeFromWide(wide, kCodePageChinese), "ab");
    wide.push_back('c');
    EXPECT_EQ(encodeFromWide(wide, kCodePageChinese), "ab");
}

TEST(EncodeFromWide, EncodesTheGivenCodePage) {
    EXPECT_EQ(encodeFromWide(wideOf(u"\u4E2D\U0001F600\u00E9"), kCodePageUtf8), utf8(u8"中😀é"));
    // A surrogate that is not half of a pair is U+FFFD in UTF-8.
    EXPECT_EQ(encodeFromWide(wideOf(u"a\xD83D"
                                    "b\xDE00"),
                             kCodePageUtf8),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(encodeFromWide(wideOf(u"\xD83D\xD83D\xDE00"), kCodePageUtf8),
              "\xEF\xBF\xBD\xF0\x9F\x98\x80");
    // The result is sized for the target: three bytes per unit in UTF-8, more than the ANSI
    // code page needs.
    const std::u16string many(1000, u'\u4E2D');
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        expected += "\xE4\xB8\xAD";
    }
    EXPECT_EQ(encodeFromWide(wideOf(many), kCodePageUtf8), expected);
    // Whatever the ANSI code page, ASCII stays ASCII.
    EXPECT_EQ(encodeFromWide(wideOf(u"plain")), "plain");
}

TEST(CodePage, AnUnknownCodePageGivesEmptyResults) {
    constexpr unsigned kUnknown = 12345;
    EXPECT_TRUE(decodeToWide("abc", kUnknown).empty());
    EXPECT_EQ(encodeFromWide(wideOf(u"abc"), kUnknown), "");
}

}  // namespace
}  // namespace velvane
