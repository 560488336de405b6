#include "hotlist/hot_rows.h"

#include <cstdint>
#include <utility>

#include "hotlist/text_between.h"

namespace velvane {
namespace {

// One ranked entry of the summary page's table, with the title in group 1 and, in group 2, the
// tag cell from its attributes up to its last "</td>". The pattern lets a row span a few lines:
//   <a href=...>title</a>         a link; the title is optional, so an empty link matches
//   <white-space>...<white-space> the rest of a line (the heat number, say)
//   ...</td>                      up to the end of the title cell
//   <white-space>...<td ...</td>  on the next line, its last cell
// "." stops at a line feed while "\s" and "[^<]" do not, which is what keeps each match to one
// row of the table.
constexpr std::string_view kRowPattern =
    R"re(\<a href=.*>(.[^\<]*)?\</a>\s.*?\s.*</td>\s.*<td (.*)\</td>)re";
static_assert(kRowPattern.size() == 59);

// The tag sits in an icon element inside the cell: first the cell's content from the end of its
// class attribute to the end of the first "i>", then the text between the end of the icon's
// opening tag and the "</" of its closing tag.
constexpr std::string_view kCellStart = R"(class="td-03">)";
constexpr std::string_view kCellEnd = "i>";
constexpr std::string_view kIconStart = R"(">)";
constexpr std::string_view kIconEnd = "</";

constexpr std::string_view kDefaultTag = "\xC4\xAC\xC8\xCF";  // 默认
constexpr std::string_view kRowSeparator = "|";

}  // namespace

// Every match of the row pattern becomes one row, "title|tag", in page order and without a
// limit. Matching ignores letter case, so "<A HREF=" and "</TD>" match; the tag markers compare
// exactly. A cell without a recognisable icon, such as an empty cell or an icon element without
// attributes ("<i>热</i>", whose first "i>" closes the opening tag), gives the default tag.
HotRowList parseHotRows(PatternMatcher& matcher, std::string_view pageText) {
    matcher.create(kRowPattern, pageText, /*matchCase=*/false, /*multiline=*/true);
    HotRowList rows;
    const std::int32_t count = matcher.matchCount();
    for (std::int32_t match = 1; match <= count; ++match) {
        const Text title = matcher.subMatchText(match, 1);
        const Text cell = matcher.subMatchText(match, 2);
        const Text inner = textBetween(cell, kCellStart, kCellEnd);
        Text tag = textBetween(inner, kIconStart, kIconEnd);
        if (tag.empty()) {
            tag = kDefaultTag;
        }
        HotRow row;
        row.reserve(title.size() + kRowSeparator.size() + tag.size());
        row.append(title).append(kRowSeparator).append(tag);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace velvane
