#include "hotlist/text_between.h"

#include "text/text_ops.h"

namespace velvane {

// The text after the first start marker (searched from `start`) up to the next end marker
// after it; empty when either is missing. "#引号" in a marker stands for a double quote, so
// that callers can write markers that hold one; the source itself is never substituted.
// An empty marker marks nothing, so it gives the empty text.
Text textBetween(std::string_view source, std::string_view startMarker,
                 std::string_view endMarker, int start, bool ignoreCase) {
    const Text opening = replaceAll(startMarker, kQuoteToken, "\"");
    const Text closing = replaceAll(endMarker, kQuoteToken, "\"");
    if (opening.empty() || closing.empty()) {
        return {};
    }

    const int openingAt = findText(source, opening, start, ignoreCase);
    if (openingAt < 0) {
        return {};
    }
    const int contentAt = openingAt + static_cast<int>(opening.size());
    const int closingAt = findText(source, closing, contentAt, ignoreCase);
    if (closingAt < 0) {
        return {};
    }
    return middleText(source, contentAt, closingAt - contentAt);
}

}  // namespace velvane
