// What the engine matches: the semantics of a backtracking leftmost-first engine, character by
// character in code page 936. The expected spans of the first table are those Python's re gives
// (flags ASCII, plus IGNORECASE or MULTILINE as listed) when walked like a global search.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/text/regex_spans.h"
#include "text/regex.h"

namespace velvane::regex {
namespace {

struct Case {
    std::string pattern;
    Options options;
    std::string subject;
    std::string expected;
};

// Checks every case with the automatic choice of matcher and with the Pike VM alone.
void expectAll(const std::vector<Case>& cases) {
    for (const Engine engine : {Engine::kAutomatic, Engine::kPikeVm}) {
        for (const Case& c : cases) {
            EXPECT_EQ(matchSpans(c.pattern, c.options, c.subject, engine), c.expected)
                << "pattern " << c.pattern << " (ignoreCase " << c.options.ignoreCase
                << ", multiline " << c.options.multiline << ") on " << c.subject
                << (engine == Engine::kPikeVm ? " with the Pike VM" : "");
        }
    }
}

TEST(RegexMatch, AgreesWithPythonOnQuantifiersAlternationCapturesClassesAndAnchors) {
    expectAll({
        {"a*", {false, false}, "aaa", "[0,3][3,3]"},
        {"a*?", {false, false}, "aaa", "[0,0][1,1][2,2][3,3]"},
        {"a+?", {false, false}, "aaa", "[0,1][1,2][2,3]"},
        {"a{2,3}", {false, false}, "aaaaaaa", "[0,3][3,6]"},
        {"a{2,3}?", {false, false}, "aaaaaaa", "[0,2][2,4][4,6]"},
        {"a??b", {false, false}, "ab", "[0,2]"},
        {"<.*>", {false, false}, "<a><b>", "[0,6]"},
        {"<.*?>", {false, false}, "<a><b>", "[0,3][3,6]"},
        {"a{2}", {false, false}, "aaaaa", "[0,2][2,4]"},
        {"(a{2,})", {false, false}, "a aa aaa", "[2,4 2,4][5,8 5,8]"},
        {"a|ab", {false, false}, "ab", "[0,1]"},
        {"ab|a", {false, false}, "ab", "[0,2]"},
        {"(a|ab)(c|bcd)(d*)", {false, false}, "abcd", "[0,4 0,1 1,4 4,4]"},
        {"(a*)(a*)", {false, false}, "aaa", "[0,3 0,3 3,3][3,3 3,3 3,3]"},
        {"(a*?)(a*)", {false, false}, "aaa", "[0,3 0,0 0,3][3,3 3,3 3,3]"},
        {"(a)|b", {false, false}, "ab", "[0,1 0,1][1,2 -]"},
        {"(a)|(b)", {false, false}, "ba", "[0,1 - 0,1][1,2 1,2 -]"},
        {"(a|b)*", {false, false}, "abb", "[0,3 2,3][3,3 -]"},
        {"(?:(a)|b)*", {false, false}, "ab", "[0,2 0,1][2,2 -]"},
        {"((a)|b)+", {false, false}, "ab", "[0,2 1,2 0,1]"},
        {"(a*)*", {false, false}, "b", "[0,0 0,0][1,1 1,1]"},
        {"(a*)+", {false, false}, "b", "[0,0 0,0][1,1 1,1]"},
        {"(a?)*b", {false, false}, "aab", "[0,3 2,2]"},
        {"(a|)*", {false, false}, "aa", "[0,2 2,2][2,2 2,2]"},
        {"(|a)*", {false, false}, "aa", "[0,0 0,0][1,1 1,1][2,2 2,2]"},
        {"(a?){2,3}", {false, false}, "a", "[0,1 1,1][1,1 1,1]"},
        {"(a?)(?:(b)|c)*", {false, false}, "abcbc", "[0,5 0,1 3,4][5,5 5,5 -]"},
        {"(x)?y", {false, false}, "y", "[0,1 -]"},
        {"(?:(a)|(b))+", {false, false}, "ab", "[0,2 0,1 1,2]"},
        {"\\d+", {false, false}, "ab12c345", "[2,4][5,8]"},
        {"\\D+", {false, false}, "ab12c", "[0,2][4,5]"},
        {"\\w+", {false, false}, "foo_bar-9", "[0,7][8,9]"},
        {"\\W", {false, false}, "a-b c", "[1,2][3,4]"},
        {"\\s+", {false, false}, "a \t\r\n\f\vb", "[1,7]"},
        {"\\S+", {false, false}, "a b", "[0,1][2,3]"},
        {"[a-c]+", {false, false}, "xabcabd", "[1,6]"},
        {"[^a-c]+", {false, false}, "abxyzc", "[2,5]"},
        {"[\\d.]+", {false, false}, "v1.25x", "[1,5]"},
        {"[^\\s]+", {false, false}, "ab cd", "[0,2][3,5]"},
        {"x*", {false, false}, "abxd", "[0,0][1,1][2,3][3,3][4,4]"},
        {"\\b", {false, false}, "ab cd", "[0,0][2,2][3,3][5,5]"},
        {"\\B", {false, false}, "ab cd", "[1,1][4,4]"},
        {"", {false, false}, "ab", "[0,0][1,1][2,2]"},
        {"a*", {false, false}, "baaac", "[0,0][1,4][4,4][5,5]"},
        {"(?:)", {false, false}, "", "[0,0]"},
        {"^.*$", {false, true}, "a\r\nb\r\n", "[0,2][3,5][6,6]"},
        {"^.*$", {false, false}, "a\r\nb\r\n", ""},
        {"^.*$", {false, true}, "a\nb\n", "[0,1][2,3][4,4]"},
        {".*$", {false, false}, "a\nb\n", "[2,3][3,3][4,4]"},
        {"$", {false, false}, "a\nb\n", "[3,3][4,4]"},
        {"$", {false, true}, "a\nb\n", "[1,1][3,3][4,4]"},
        {"^", {false, true}, "a\nb\n", "[0,0][2,2][4,4]"},
        {"^", {false, false}, "a\nb\n", "[0,0]"},
        {"^b", {false, false}, "a\nb", ""},
        {"a$", {false, false}, "a\n", "[0,1]"},
        {"a$", {false, false}, "a\n\n", ""},
        {"^\\s*$", {false, true}, "x\n\n \r\ny", "[2,5]"},
        {"\\r$", {false, true}, "a\r\nb", "[1,2]"},
        {"ABC", {true, false}, "xabcAbC", "[1,4][4,7]"},
        {"[a-c]+", {true, false}, "xABCabd", "[1,6]"},
        {"[^a]", {true, false}, "aAb", "[2,3]"},
        {"[^A-Z]+", {true, false}, "abc12", "[3,5]"},
        {"\\w+", {true, false}, "Foo bar", "[0,3][4,7]"},
        {"[Z-a]+", {true, false}, "zZ[_`aA{", "[0,7]"},
        {"\xD6\xD0\xCE\xC4",
         {false, false},
         "a\xD6\xD0\xCE\xC4"
         "b\xD6\xD0",
         "[1,5]"},  // "中文" on "a中文b中"
        {"[\xD6\xD0\xCE\xC4]+",
         {false, false},
         "a\xD6\xD0\xCE\xC4"
         "b\xD6\xD0",
         "[1,5][6,8]"},  // "[中文]+" on "a中文b中"
        {"[^\xD6\xD0]",
         {false, false},
         "\xD6\xD0"
         "a\xCE\xC4",
         "[2,3][3,5]"},                                    // "[^中]" on "中a文"
        {".", {false, false}, "a\xD6\xD0", "[0,1][1,3]"},  // "." on "a中"
        {"\\W",
         {false, false},
         "a\xD6\xD0"
         "b",
         "[1,3]"},                                                    // "\W" on "a中b"
        {"\\S+", {false, false}, "\xD6\xD0 \xCE\xC4", "[0,2][3,5]"},  // "\S+" on "中 文"
        {"\xD6\xD0+",
         {false, false},
         "\xD6\xD0\xD6\xD0\xCE\xC4\xD6\xD0",
         "[0,4][6,8]"},  // "中+" on "中中文中"
        {"\\b",
         {false, false},
         "a\xD6\xD0"
         "b",
         "[0,0][1,1][3,3][4,4]"},  // "\b" on "a中b"
        {"x*",
         {false, false},
         "\xD6\xD0"
         "a",
         "[0,0][2,2][3,3]"},                                            // "x*" on "中a"
        {".{2}", {false, false}, "\xD6\xD0\xCE\xC4\xD7\xD6", "[0,4]"},  // ".{2}" on "中文字"
        {"\x81"
         "a",
         {true, false},
         "a\x81"
         "aA",
         "[1,3]"},  // "乤" on "a乤A"
        {"a",
         {true, false},
         "\x81"
         "aa",
         "[2,3]"},  // "a" on "乤a"
        {"A",
         {true, false},
         "\x81"
         "aA",
         "[2,3]"},  // "A" on "乤A"
        {"[a-z]+",
         {true, false},
         "\x81"
         "aa\x81Zz",
         "[2,3][5,6]"},  // "[a-z]+" on "乤a乑z"
        {"\\w+",
         {true, false},
         "ab\x81"
         "acd",
         "[0,2][4,6]"},  // "\w+" on "ab乤cd"
        {"\\b\\w+\\b",
         {false, false},
         "\x81"
         "aab\x81Z",
         "[2,4]"},  // "\b\w+\b" on "乤ab乑"
        {"\x81"
         "A",
         {true, false},
         "\x81"
         "a\x81"
         "A",
         "[2,4]"},                                        // "丄" on "乤丄"
        {"\\\\", {false, false}, "\x81\\\\", "[2,3]"},    // "\\" on "乗\"
        {"\x81\\", {false, false}, "\x81\\\\", "[0,2]"},  // "乗" on "乗\"
        {"\\|", {false, false}, "\x81||", "[2,3]"},       // "\|" on "亅|"
        {"[\\]a]", {false, false}, "\x81]]", "[2,3]"},    // "[\]a]" on "乚]"
    });
}

TEST(RegexMatch, TreatsALeadByteAndAnyByteAfterItAsOneCharacter) {
    expectAll({
        // A lead byte with nothing after it is a character of its own.
        {".", {}, "a\xD6", "[0,1][1,2]"},
        {"[^a]", {}, "a\xD6", "[1,2]"},
        // A lead byte takes the byte after it even when that is a line feed, so "." runs on and
        // no line starts after it.
        {".", {}, "\x81\nb", "[0,2][2,3]"},
        {"^b", {false, true}, "\x81\nb", ""},
        {"^b", {false, true}, "a\nb", "[2,3]"},
        // 0x80 and 0xFF are single-byte characters.
        {".", {}, "\x80\xFF", "[0,1][1,2]"},
        // An empty match steps over a whole double-byte character.
        {"", {}, "\xD6\xD0", "[0,0][2,2]"},
        // A search never starts on the second byte of a character, even when a scan for a
        // literal lands there.
        {"a",
         {},
         "\x81"
         "a\x81"
         "a",
         ""},
        {"a+",
         {true, false},
         "\x81"
         "A\x81"
         "aa",
         "[4,5]"},
        {"[@-Z]", {}, "\x81@\x81Z", ""},
        // A lazy loop steps over whole characters, also where a trail byte is what its exit
        // looks for.
        {"<.*?A",
         {},
         "<\xB0"
         "AA",
         "[0,4]"},
        {"(.*?)(a)",
         {true, false},
         "\xB0"
         "aA",
         "[0,3 0,2 2,3]"},
        {"x.*?\\s", {}, "x\xA1 \xA1  ", "[0,6]"},
    });
}

// Regressions found by the differential test: the set of bytes a match can start with must
// keep "\n" when one branch takes it and "." does not, and a start after skipping ahead must
// not be cut by states visited at an earlier position.
TEST(RegexMatch, StartsWhereverAMatchCan) {
    expectAll({
        {"\\n|.", {}, "\n", "[0,1]"},
        {"[^a]|.", {}, "\n", "[0,1]"},
        {"a?^b", {false, true}, "a\nb", "[2,3]"},
        {"<?\\bb", {}, "<-b", "[2,3]"},
    });
}

TEST(RegexMatch, OrdersDoubleByteRangesByTheCodePage) {
    // 啊 B0A1 .. 哎 B0A5; 安 B0B2 lies outside.
    expectAll({
        {"[\xB0\xA1-\xB0\xA5]+", {}, "\xB0\xA3\xB0\xA1\xB0\xB2", "[0,4]"},
        {"[^\xB0\xA1-\xB0\xA5]",
         {},
         "\xB0\xA3\xB0\xB2"
         "a",
         "[2,4][4,5]"},
        {"[a-\xB0\xA1]+", {}, "z\xFF\x81\x40\xB0\xA1\xB0\xA2", "[0,6]"},
    });
}

TEST(RegexMatch, FindsTheRowsOfASummaryPage) {
    const std::string rowPattern =
        "\\<a href=.*>(.[^\\<]*)?\\</a>\\s.*?\\s.*</td>\\s.*<td (.*)\\</td>";
    // Rows as the page lays them out: link cell with the heat on a line of its own, tag cell.
    // (With CR LF line ends "\s.*?\s" could not step over the heat line: the two \s would take
    // the CR and the LF of one line end. Every backtracking engine agrees.)
    const std::string page =
        "<table>\n<tr>\n"
        "    <td class=\"td-02\">\n"
        "        <a href=\"/weibo?q=1\" target=\"_blank\">\xD6\xD0\xCE\xC4</a>\n"  // 中文
        "        <span>123</span>\n"
        "    </td>\n"
        "    <td class=\"td-03\"><i class=\"icon-txt\">\xC8\xC8</i></td>\n"  // 热
        "</tr>\n<tr>\n"
        "    <TD class=\"td-02\">\n"
        "        <A HREF=\"/weibo?q=2\"></A>\n"
        "        <span>45</span>\n"
        "    </TD>\n"
        "    <TD class=\"td-03\"></TD>\n"
        "</tr>\n</table>\n";
    const std::optional<Regex> regex = Regex::compile(rowPattern, {true, true});
    ASSERT_TRUE(regex);
    Searcher searcher(*regex, page);
    auto text = [&](int g) {
        const Span span = searcher.group(g);
        return span.matched() ? page.substr(span.begin, span.end - span.begin) : "<none>";
    };
    ASSERT_TRUE(searcher.next());
    EXPECT_EQ(text(1), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(text(2), "class=\"td-03\"><i class=\"icon-txt\">\xC8\xC8</i>");
    ASSERT_TRUE(searcher.next());
    EXPECT_EQ(text(1), "<none>");
    EXPECT_EQ(text(2), "class=\"td-03\">");
    EXPECT_FALSE(searcher.next());
}

// Rows whose lines grow from short to far longer than the backtracker's window (a few thousand
// bytes for this pattern), so that it works in one window, starts fresh ones, retries a
// candidate in a fresh window and hands over to the Pike VM; the results must not change.
TEST(RegexMatch, GivesTheSameRowsWhateverTheLengthOfTheLines) {
    const std::string rowPattern =
        "\\<a href=.*>(.[^\\<]*)?\\</a>\\s.*?\\s.*</td>\\s.*<td (.*)\\</td>";
    std::string page;
    int rows = 0;
    for (const std::size_t length : {10, 300, 2000, 3000, 4500, 7000, 20000, 50, 5}) {
        const std::string filler(length, rows % 2 == 0 ? 'x' : '\xB0');  // ASCII or lead bytes
        page += "<td>\n<a href=\"" + filler + "\">t" + std::to_string(rows) +
                "</a>\n<span>1</span>\n</td>\n<td class=\"" + filler + "\">tag</td>\n";
        ++rows;
    }
    const std::string automatic = matchSpans(rowPattern, {true, true}, page);
    EXPECT_EQ(automatic, matchSpans(rowPattern, {true, true}, page, Engine::kPikeVm));
    EXPECT_EQ(std::count(automatic.begin(), automatic.end(), '['), rows);
}

// The two matchers against each other on long generated subjects: lines from a few bytes to
// several windows long, ASCII mixed with double-byte characters.
TEST(RegexMatch, BothMatchersAgreeOnLongSubjects) {
    const char* const patterns[] = {
        "\\<a href=.*>(.[^\\<]*)?\\</a>\\s.*?\\s.*</td>\\s.*<td (.*)\\</td>",
        "<.*>",
        "<[^>]*>",
        "(a|b)*c",
        "(\\w+)\\s*=\\s*\"([^\"]*)\"",
        ".*x",
        "^.*$",
        "(?:ab|a)*b",
        "\\bx\\w*",
        "\xD6\xD0.*?\xCE\xC4",  // 中.*?文
        "[^\\s]+\\s+[^\\s]+$",
    };
    const char* const pieces[] = {
        "a", "b",  "c",        "x",    " ",     "=",    "\"",       "<",       ">",
        "/", "\n", "<a href=", "</a>", "</td>", "<td ", "\xD6\xD0", "\xCE\xC4"};
    std::uint32_t state = 936;
    auto random = [&state](std::uint32_t bound) {
        state = state * 1103515245 + 12345;
        return (state >> 16) % bound;
    };
    for (const std::size_t lineLength : {8, 200, 3000, 9000, 30000}) {
        std::string subject;
        while (subject.size() < 60000) {
            const char* piece = pieces[random(sizeof pieces / sizeof pieces[0])];
            if (std::string_view(piece) == "\n" && random(lineLength) > 8) {
                continue;  // line feeds rarely, so that lines run to about lineLength
            }
            subject += piece;
        }
        for (const char* pattern : patterns) {
            for (const Options options : {Options{true, true}, Options{false, false}}) {
                EXPECT_EQ(matchSpans(pattern, options, subject),
                          matchSpans(pattern, options, subject, Engine::kPikeVm))
                    << pattern << " on lines of about " << lineLength;
            }
        }
    }
}

// Inputs that make naive engines recurse per character or restart per candidate. The point is
// that they finish (no stack overflow, no quadratic blow-up); speed is measured elsewhere.
TEST(RegexMatch, RunsOverAMebibyteOnOneLine) {
    constexpr std::size_t kMebibyte = 1 << 20;
    const std::string as(kMebibyte, 'a');
    EXPECT_EQ(matchSpans("(a|aa)*c", {}, as), "");
    EXPECT_EQ(matchSpans("(?:a*)*b", {}, as), "");
    EXPECT_EQ(matchSpans("^(a+)+$", {}, as), "[0,1048576 0,1048576]");
    EXPECT_EQ(matchSpans("(.)*", {}, as), "[0,1048576 1048575,1048576][1048576,1048576 -]");

    const std::string rowPattern =
        "\\<a href=.*>(.[^\\<]*)?\\</a>\\s.*?\\s.*</td>\\s.*<td (.*)\\</td>";
    std::string links;
    while (links.size() < kMebibyte) {
        links += "<a href=";
    }
    EXPECT_EQ(matchSpans(rowPattern, {true, true}, links), "");
    const std::string row = "<a href=x>t</a> . </td> <td y</td>";
    EXPECT_EQ(matchSpans(rowPattern, {true, true}, links + row),
              "[0," + std::to_string(links.size() + row.size()) + " " +
                  std::to_string(links.size() + 10) + "," + std::to_string(links.size() + 11) +
                  " " + std::to_string(links.size() + row.size() - 6) + "," +
                  std::to_string(links.size() + row.size() - 5) + "]");

    std::string chinese;
    while (chinese.size() < kMebibyte) {
        chinese += "\xD6\xD0";  // 中
    }
    EXPECT_EQ(matchSpans("\xD6\xD0"
                         "a",
                         {}, chinese),
              "");
    EXPECT_EQ(matchSpans("\\b", {}, chinese + "a"),
              "[" + std::to_string(kMebibyte) + "," + std::to_string(kMebibyte) + "][" +
                  std::to_string(kMebibyte + 1) + "," + std::to_string(kMebibyte + 1) + "]");
}

}  // namespace
}  // namespace velvane::regex
