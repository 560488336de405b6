// PatternMatcher runs one search with our regular-expression engine (text/regex.h) and keeps its
// result: the prepared pattern, a copy of the subject and the byte spans of every match and
// group. The result is immutable and shared, so copies are cheap and a later create() on one
// copy never disturbs another.
//
// Failures stay quiet: a pattern the engine refuses leaves a result with no matches, so counts
// are 0 and texts empty, and queries with indices out of range give the empty text.

#include "text/pattern_matcher.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "text/quote_token.h"
#include "text/regex.h"
#include "text/regex_characters.h"
#include "text/text_ops.h"

namespace velvane {

struct PatternMatcher::Search {
    Text pattern;  // after the quote token was substituted
    Text subject;
    std::optional<regex::Regex> regex;  // empty when the pattern was refused
    std::size_t spansPerMatch = 1;
    std::vector<regex::Span> spans;  // spansPerMatch per match: the whole match, then the groups

    std::size_t matchCount() const { return spans.size() / spansPerMatch; }
    int groupCount() const { return regex ? regex->captureCount() : 0; }
    const regex::Span* match(std::int32_t matchIndex) const {
        if (matchIndex < 1 || static_cast<std::size_t>(matchIndex) > matchCount()) {
            return nullptr;
        }
        return &spans[(static_cast<std::size_t>(matchIndex) - 1) * spansPerMatch];
    }
    Text textOf(const regex::Span& span) const {
        return subject.substr(span.begin, span.end - span.begin);
    }

    // The text of a span that took part, with its byte offset; for a query that names nothing,
    // the empty text and the offset the original object reported: 0, or -2 for an empty subject.
    static Text answer(const Search* search, const regex::Span* span, std::int32_t* bytePosition);
};

namespace {

std::int32_t toInt32(std::size_t value) {
    return static_cast<std::int32_t>(
        std::min<std::size_t>(value, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

Text PatternMatcher::Search::answer(const Search* search, const regex::Span* span,
                                    std::int32_t* bytePosition) {
    if (span == nullptr || !span->matched()) {
        if (bytePosition != nullptr) {
            *bytePosition = search == nullptr || search->subject.empty() ? -2 : 0;
        }
        return {};
    }
    if (bytePosition != nullptr) {
        *bytePosition = toInt32(span->begin);
    }
    return search->textOf(*span);
}

PatternMatcher::PatternMatcher() = default;
PatternMatcher::~PatternMatcher() = default;
PatternMatcher::PatternMatcher(const PatternMatcher& other) = default;
PatternMatcher& PatternMatcher::operator=(const PatternMatcher& other) = default;

bool PatternMatcher::create(std::string_view patternText, std::string_view subjectText,
                            bool matchCase, bool multiline, bool global, bool quoteToken) {
    auto search = std::make_shared<Search>();
    search->pattern = quoteToken ? replaceAll(patternText, kQuoteToken, "\"") : Text(patternText);
    search->subject = Text(subjectText);
    search->regex = regex::Regex::compile(search->pattern, {!matchCase, multiline});
    if (search->regex) {
        const int groups = search->regex->captureCount();
        search->spansPerMatch = static_cast<std::size_t>(groups) + 1;
        regex::Searcher searcher(*search->regex, search->subject);
        while (searcher.next()) {
            for (int g = 0; g <= groups; ++g) {
                search->spans.push_back(searcher.group(g));
            }
            if (!global) {
                break;
            }
        }
    }
    search_ = std::move(search);
    return search_->regex.has_value();
}

Text PatternMatcher::pattern() const {
    return search_ ? search_->pattern : Text();
}

// Replacement text as in JavaScript and VBScript: $1..$99 a group (two digits when that group
// exists, else one), $& the match, $` the text before it, $' the text after it, $$ a dollar
// sign; any other "$" is itself. A group that took no part gives the empty text.
Text PatternMatcher::replace(std::string_view replacement) const {
    if (!search_ || !search_->regex) {
        return {};
    }
    const Search& search = *search_;
    const int groups = search.groupCount();
    Text result;
    std::size_t copied = 0;
    for (std::size_t m = 0; m < search.matchCount(); ++m) {
        const regex::Span* spans = &search.spans[m * search.spansPerMatch];
        result.append(search.subject, copied, spans[0].begin - copied);
        copied = spans[0].end;
        for (std::size_t i = 0; i < replacement.size();) {
            const char c = replacement[i];
            const char d = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
            if (regex::isLeadByte(static_cast<unsigned char>(c)) && i + 1 < replacement.size()) {
                result.append(replacement.substr(i, 2));
                i += 2;
                continue;
            }
            if (c != '$' || i + 1 == replacement.size()) {
                result.push_back(c);
                ++i;
                continue;
            }
            if (d == '$') {
                result.push_back('$');
                i += 2;
            } else if (d == '&') {
                result += search.textOf(spans[0]);
                i += 2;
            } else if (d == '`') {
                result.append(search.subject, 0, spans[0].begin);
                i += 2;
            } else if (d == '\'') {
                result.append(search.subject, spans[0].end);
                i += 2;
            } else if (d >= '0' && d <= '9') {
                const int one = d - '0';
                const char e = i + 2 < replacement.size() ? replacement[i + 2] : '\0';
                const int two = e >= '0' && e <= '9' ? one * 10 + (e - '0') : 0;
                const int group = two >= 1 && two <= groups ? two : one;
                if (group < 1 || group > groups) {
                    result.push_back('$');
                    ++i;
                    continue;
                }
                if (spans[group].matched()) {
                    result += search.textOf(spans[group]);
                }
                i += group == two ? 3 : 2;
            } else {
                result.push_back('$');
                ++i;
            }
        }
    }
    result.append(search.subject, copied);
    return result;
}

std::int32_t PatternMatcher::matchCount() const {
    return search_ ? toInt32(search_->matchCount()) : 0;
}

Text PatternMatcher::matchText(std::int32_t matchIndex, std::int32_t* bytePosition) const {
    const Search* search = search_.get();
    return Search::answer(search, search != nullptr ? search->match(matchIndex) : nullptr,
                          bytePosition);
}

Text PatternMatcher::subMatchText(std::int32_t matchIndex, std::int32_t groupIndex,
                                  std::int32_t* bytePosition) const {
    const Search* search = search_.get();
    const regex::Span* match = search != nullptr ? search->match(matchIndex) : nullptr;
    const bool inRange = match != nullptr && groupIndex >= 1 && groupIndex <= search->groupCount();
    return Search::answer(search, inRange ? match + groupIndex : nullptr, bytePosition);
}

std::int32_t PatternMatcher::subMatchCount() const {
    return search_ && search_->matchCount() > 0 ? search_->groupCount() : 0;
}

}  // namespace velvane
