#include "net/cookie_text.h"

#include <unordered_set>
#include <utility>

#include "text/text_ops.h"

namespace velvane {
namespace {

constexpr std::string_view kItemSeparator = "; ";
constexpr std::string_view kDeletedSuffix = "=deleted";

// Trims a cookie text and reads a closing ";" as a final separator, so that "a=1;" splits into
// the single item "a=1".
void tidyCookieText(Text& text) {
    text = trimBlanks(text);
    if (!text.empty() && text.back() == ';') {
        text += ' ';
    }
}

// A server deletes a cookie by setting it to the value "deleted".
bool isDeleted(std::string_view item) {
    return item.size() >= kDeletedSuffix.size() &&
           rightText(item, static_cast<int>(kDeletedSuffix.size())) == kDeletedSuffix;
}

// Drops the final separator that the loops below leave behind.
void cutTrailing(Text& text, std::string_view separator) {
    text = leftText(text, static_cast<int>(text.size()) - static_cast<int>(separator.size()));
}

}  // namespace

// The cookies the response set come first, in the response's order; then the sent items whose
// names the response did not set, in the caller's order (of several sent items with one name
// only the first survives). Deleted items are dropped, and so keep the caller's item of the same
// name out as well; exact repeats go last. Both texts are tidied in place, and the sent text is
// replaced by the result. The names seen so far are kept in a hash set, so that a response with
// thousands of cookies costs time in proportion to their number.
Text mergeCookieTexts(Text& sent, Text& received) {
    tidyCookieText(sent);
    tidyCookieText(received);

    std::vector<Text> merged = splitText(received, kItemSeparator);
    std::unordered_set<Text> names;
    for (const Text& item : merged) {
        names.insert(cookieName(item));
    }
    for (Text& item : splitText(sent, kItemSeparator)) {
        if (names.insert(cookieName(item)).second) {
            merged.push_back(std::move(item));
        }
    }

    Text output;
    for (const Text& item : merged) {
        if (!isDeleted(item)) {
            output += item;
            output += kItemSeparator;
        }
    }
    cutTrailing(output, kItemSeparator);

    sent = uniqueJoin(output, kItemSeparator);
    return sent;
}

// The part of an item before its first "=", or the whole item, trimmed.
Text cookieName(std::string_view item) {
    const int equalsAt = findText(item, "=");
    return trimBlanks(equalsAt < 0 ? item : item.substr(0, static_cast<std::size_t>(equalsAt - 1)));
}

bool hasCookieNamed(const std::vector<Text>& items, std::string_view name) {
    for (const Text& item : items) {
        if (textEquals(cookieName(item), name)) {
            return true;
        }
    }
    return false;
}

// The pieces of the text in order, each byte-for-byte repeat left out, joined again.
Text uniqueJoin(std::string_view text, std::string_view separator) {
    const std::vector<Text> pieces = splitText(text, separator);
    std::unordered_set<std::string_view> seen;
    Text output;
    for (const Text& piece : pieces) {
        if (seen.insert(piece).second) {
            output += piece;
            output += separator;
        }
    }
    cutTrailing(output, separator);
    return output;
}

// The 1-based position of the first member equal to the text, or -1.
int indexOfText(const std::vector<Text>& list, std::string_view text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (textEquals(list[i], text)) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

}  // namespace velvane
