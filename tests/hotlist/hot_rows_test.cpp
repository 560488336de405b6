#include "hotlist/hot_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace velvane {
namespace {

using namespace std::string_view_literals;

// Texts in code page 936.
const Text kNew = "\xD0\xC2";              // 新
const Text kBoiling = "\xB7\xD0";          // 沸
const Text kHot = "\xC8\xC8";              // 热
const Text kRecommended = "\xBC\xF6";      // 荐
const Text kDefault = "\xC4\xAC\xC8\xCF";  // 默认
const Text kExplode = "\xB1\xAC";          // 爆
const Text kTitle = "\xB1\xEA\xCC\xE2";    // 标题

Text readFixture(const std::string& name) {
    std::ifstream in(std::string(VELVANE_FIXTURE_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Text(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Text> lines(const Text& text) {
    std::vector<Text> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != Text::npos; start = end + 1) {
        result.push_back(text.substr(start, end - start));
    }
    return result;
}

HotRowList parse(std::string_view page) {
    PatternMatcher matcher;
    return parseHotRows(matcher, page);
}

// One row of the ranking table as the summary page writes it: the link, a line with the heat
// number, the end of the title cell, then the tag cell on a line of its own.
Text tableRow(std::string_view link, std::string_view tagCell,
              std::string_view titleCellEnd = "</td>") {
    Text row =
        "<tr class=\"\">\n    <td class=\"td-01 ranktop\">1</td>\n    <td class=\"td-02\">\n"
        "        ";
    row.append(link).append("\n        <span>2345678</span>\n    ");
    row.append(titleCellEnd).append("\n    ").append(tagCell).append("\n</tr>\n");
    return row;
}

Text link(std::string_view title) {
    return "<a href=\"/weibo/x\" target=\"_blank\">" + Text(title) + "</a>";
}

Text icon(std::string_view tag, std::string_view iconClass = "icon-txt icon-txt-hot") {
    return "<td class=\"td-03\"><i class=\"" + Text(iconClass) + "\">" + Text(tag) + "</i></td>";
}

TEST(ParseHotRows, ReadsTheTagOfEachCell) {
    const struct {
        Text tagCell;
        Text tag;
    } cases[] = {
        {icon(kNew, "icon-txt icon-txt-new"), kNew},
        {icon(kBoiling), kBoiling},
        {icon(kHot), kHot},
        {icon(kRecommended), kRecommended},
        // a tag the widget has no picture for is still the row's tag
        {icon(kExplode), kExplode},
        // an empty cell
        {"<td class=\"td-03\"></td>", kDefault},
        // an icon without attributes: its own opening tag ends in "i>", so the cell's
        // content stops at "<" and holds no tag
        {"<td class=\"td-03\"><i>" + kHot + "</i></td>", kDefault},
        // a cell of another class
        {"<td class=\"td-04\"><i class=\"x\">" + kHot + "</i></td>", kDefault},
        // no "i>" after the cell's start
        {"<td class=\"td-03\"><b class=\"x\">" + kHot + "</b></td>", kDefault},
        // no double quote before ">" in the icon, or no "</" after it
        {"<td class=\"td-03\"><i class=x>" + kHot + "</i></td>", kDefault},
        {"<td class=\"td-03\"><i class=\"x\">" + kHot + " i></td>", kDefault},
        // only the first icon counts
        {"<td class=\"td-03\"><i class=\"a\">" + kNew + "</i><i class=\"b\">" + kHot + "</i></td>",
         kNew},
        // the cell read is the line's last one
        {icon(kHot) + "<td class=\"td-04\">x</td>", kDefault},
        // the tag is whatever stands in the icon, blanks included
        {"<td class=\"td-03\"><i class=\"x\"> " + kHot + " </i></td>", " " + kHot + " "},
        // "i>" is not found at the second byte of a double-byte character (\x81 'i')
        {"<td class=\"td-03\"><i class=\"x\">\x81i>" + kHot + "</i></td>", "\x81i>" + kHot},
        // the markers compare with exact case, although the row pattern ignores it
        {"<TD CLASS=\"td-03\"><I CLASS=\"x\">" + kHot + "</I></TD>", kDefault},
        {"<td class=\"td-03\"><i class=\"x\">" + kHot + "</i></TD>", kHot},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(tableRow(link(kTitle), c.tagCell)), HotRowList{kTitle + "|" + c.tag})
            << "cell " << c.tagCell;
    }
}

TEST(ParseHotRows, KeepsTheTitleAsWritten) {
    const struct {
        Text link;
        Text title;
    } cases[] = {
        {link(kTitle), kTitle},
        // not trimmed, character references not decoded, "#" and bars kept
        {link("  A&amp;B #x# "), "  A&amp;B #x# "},
        {link("a|b"), "a|b"},
        // an empty link gives an empty title
        {link(""), ""},
        // markup inside the link: the title is what stands right before "</a>", here nothing
        {link("<b>x</b>"), ""},
        // a single character
        {link("x"), "x"},
        // upper-case markup still matches
        {"<A HREF=\"/weibo/x\" TARGET=\"_blank\">Up</A>", "Up"},
        // the link text may run over a line break
        {link("one\ntwo"), "one\ntwo"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(tableRow(c.link, icon(kHot))), HotRowList{c.title + "|" + kHot})
            << "link " << c.link;
    }
    EXPECT_EQ(parse(tableRow("<A HREF=\"/w\">Up</A>", icon(kNew), "</TD>")),
              HotRowList{"Up|" + kNew});
}

TEST(ParseHotRows, ReadsRowsWithoutAHeatLine) {
    // The pinned entry and adverts have no heat number: the title cell ends on the next line.
    const Text page = "<tr>\n    <td class=\"td-02\">\n        " + link(kTitle) +
                      "\n    </td>\n    " + icon(kRecommended) + "\n</tr>\n";
    EXPECT_EQ(parse(page), HotRowList{kTitle + "|" + kRecommended});
}

TEST(ParseHotRows, GivesEveryRowInPageOrderAndNothingForOtherMarkup) {
    const Text page =
        "<html><head><title>x</title></head><body>\n"
        "<ul>\n<li><a href=\"/\">home</a></li>\n<li><a href=\"/h\">hot</a></li>\n"
        "</ul>\n<table><tbody>\n" +
        tableRow(link("one"), icon(kNew)) + tableRow(link("two"), icon(kBoiling)) +
        tableRow(link("one"), "<td class=\"td-03\"></td>") +
        "</tbody></table>\n<p><a href=\"/about\">about</a></p>\n</body></html>\n";
    EXPECT_EQ(parse(page), (HotRowList{"one|" + kNew, "two|" + kBoiling, "one|" + kDefault}));
}

TEST(ParseHotRows, PagesWithoutRowsGiveNothing) {
    const Text pages[] = {
        "",
        "<html><body><h1>502 Bad Gateway</h1></body></html>",
        // a link with no table cells after it
        "<a href=\"/x\">x</a>\n<span>1</span>\n</div>\n<div class=\"td-03\"></div>\n",
        // the tag cell is too far down
        "<a href=\"/x\">x</a>\n<span>1</span>\n</td>\n\n<td class=\"td-03\"></td>\n",
        // zero bytes, control bytes and a lone lead byte at the end
        Text("\0<a href=\x01\x02\x81"sv),
    };
    for (const auto& page : pages) {
        EXPECT_TRUE(parse(page).empty()) << page;
    }
}

TEST(ParseHotRows, ReadsTheSummaryPage) {
    const HotRowList rows = parse(readFixture("summary_page_cp936.html"));
    EXPECT_EQ(rows, lines(readFixture("summary_page_rows_cp936.txt")));

    ASSERT_EQ(rows.size(), 50u);
    // the pinned entry, with an empty tag cell, and the advert after the third ranked entry
    EXPECT_EQ(
        rows[0],
        "#\xC8\xAB\xC3\xF1\xBD\xA1\xC9\xED\xC8\xD5# \xD2\xBB\xC6\xF0\xB6\xAF\xC6\xF0\xC0\xB4|" +
            kDefault);
    EXPECT_EQ(rows[4],
              "\xB6\xAC\xBC\xBE\xD0\xC2\xC6\xB7\xC9\xCF\xCA\xD0 "
              "\xC8\xAB\xB3\xA1\xCF\xDE\xCA\xB1\xD3\xC5\xBB\xDD|" +
                  kRecommended);
    const auto has = [&rows](const Text& row) {
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    };
    // a title with a bar
    EXPECT_TRUE(
        has("\xD0\xC2\xBE\xE7\xB6\xA8\xB5\xB5|\xBD\xF1\xCD\xED\xB0\xCB\xB5\xE3\xCA\xD7"
            "\xB2\xA5|" +
            kHot));
    // "&amp;" as written
    EXPECT_TRUE(has("R&amp;B\xD2\xF4\xC0\xD6\xBD\xDA\xC3\xC5\xC6\xB1\xBF\xAA\xC7\xC0|" + kNew));
    // a title whose 東 ends in the byte of "|"
    EXPECT_TRUE(has("\x96|\xBE\xA9\xD5\xBE\xD1\xDD\xB3\xAA\x95\xFE\xBC\xD3\x88\xF6|" + kNew));
    // an empty link
    EXPECT_TRUE(has("|" + kNew));
    // upper-case link with a lower-case tag cell; all upper case; an icon without attributes
    EXPECT_TRUE(
        has("\xD2\xB9\xC5\xDC\xB5\xC4\xC8\xCB\xD4\xBD\xC0\xB4\xD4\xBD\xB6\xE0\xC1\xCB|" + kNew));
    EXPECT_TRUE(has("\xBE\xC9\xCA\xD6\xBB\xFA\xBB\xD8\xCA\xD5\xBC\xDB\xB8\xF1|" + kDefault));
    EXPECT_TRUE(
        has("\xC1\xE8\xB3\xBF\xCB\xC4\xB5\xE3\xB5\xC4\xB2\xCB\xCA\xD0\xB3\xA1|" + kDefault));
    for (const Text& tag : {kNew, kBoiling, kHot, kRecommended, kExplode}) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&tag](const Text& row) {
            return row.ends_with("|" + tag);
        })) << tag;
    }
}

TEST(ParseHotRows, CopesWithLargePages) {
    // Ten thousand rows: every one is found, in order.
    Text page;
    for (int i = 0; i < 10000; ++i) {
        page += tableRow(link("t" + std::to_string(i)), icon(i % 2 ? kHot : kNew));
    }
    const HotRowList many = parse(page);
    ASSERT_EQ(many.size(), 10000u);
    EXPECT_EQ(many.front(), "t0|" + kNew);
    EXPECT_EQ(many.back(), "t9999|" + kHot);

    // A single line of 1 MiB full of links that start rows which never end, then a row whose
    // link line is itself 1 MiB long.
    Text line;
    while (line.size() < (1u << 20)) {
        line += "<a href=\"/x\">y</a> ";
    }
    const Text longLink = "<a href=\"/" + Text(1u << 20, 'x') + "\">big</a>";
    EXPECT_EQ(parse(line + "\n" + tableRow(longLink, icon(kBoiling))),
              HotRowList{"big|" + kBoiling});

    // A 1 MiB line without a single candidate.
    EXPECT_TRUE(parse(Text(1u << 20, '<')).empty());
}

}  // namespace
}  // namespace velvane
