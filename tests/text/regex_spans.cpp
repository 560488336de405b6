#include "tests/text/regex_spans.h"

#include <optional>

namespace velvane::regex {

std::string matchSpans(std::string_view pattern, Options options, std::string_view subject,
                       Engine engine) {
    const std::optional<Regex> regex = Regex::compile(pattern, options);
    if (!regex) {
        return "error";
    }
    std::string result;
    Searcher searcher(*regex, subject, engine);
    while (searcher.next()) {
        result += "[";
        for (int g = 0; g <= regex->captureCount(); ++g) {
            const Span span = searcher.group(g);
            result += g > 0 ? " " : "";
            result +=
                span.matched() ? std::to_string(span.begin) + "," + std::to_string(span.end) : "-";
        }
        result += "]";
    }
    return result;
}

}  // namespace velvane::regex
