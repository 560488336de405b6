#include "net/header_text.h"

#include "text/text_ops.h"

namespace velvane {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

bool isAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}

}  // namespace

// Re-cases the name of every header line the way HTTP writes it conventionally: the first letter
// and each letter after a "-" become capitals. Other letters keep their case, so a name in
// capitals stays as it is, and nothing from the colon on changes. A line without a colon is no
// header line and is dropped, empty lines included.
Text capitalizeHeaderNames(std::string_view headerText) {
    Text result;
    for (Text& line : splitText(headerText, kLineBreak)) {
        const int colonAt = findText(line, ":");
        if (colonAt < 0) {
            continue;
        }
        const auto nameLength = static_cast<std::size_t>(colonAt - 1);
        for (std::size_t i = 0; i < nameLength; ++i) {
            if ((i == 0 || line[i - 1] == '-') && isAsciiLower(line[i])) {
                line[i] = static_cast<char>(line[i] - 'a' + 'A');
            }
        }
        if (!result.empty()) {
            result += kLineBreak;
        }
        result += line;
    }
    return result;
}

// The value of a "Name: value" line: everything after the first colon, trimmed of blanks.
Text textAfterColon(std::string_view text) {
    const int colonAt = findText(text, ":");
    if (colonAt < 0) {
        return {};
    }
    return trimBlanks(text.substr(static_cast<std::size_t>(colonAt)));
}

// The text before the first occurrence of the separator, case respected; empty when the
// separator does not occur.
Text textBefore(std::string_view text, std::string_view separator) {
    const int separatorAt = findText(text, separator);
    if (separatorAt < 0) {
        return {};
    }
    return leftText(text, separatorAt - 1);
}

}  // namespace velvane
