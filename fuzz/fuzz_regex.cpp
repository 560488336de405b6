// The regular-expression engine with patterns and subjects of the fuzzer's choosing. Both
// matchers (the backtracker where it runs, and the Pike VM) must find the same matches and
// groups, every span must lie in the subject on character starts, and PatternMatcher must
// report what the engine found.
//
// Input: the options and the replacement from the end of the data, then a pattern of up to 96
// bytes, the rest (up to kMaxSubjectBytes) is the subject.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "text/pattern_matcher.h"
#include "text/regex.h"
#include "text/regex_characters.h"
#include "text/text_ops.h"

namespace {

namespace regex = velvane::regex;

constexpr std::size_t kMaxPatternBytes = 96;
constexpr std::size_t kMaxSubjectBytes = 2048;
// Every walk ends, since each match moves past the one before; this only bounds the memory of
// the recorded spans.
constexpr std::size_t kMaxRecordedMatches = kMaxSubjectBytes + 2;

std::vector<regex::Span> walk(const regex::Regex& compiled, std::string_view subject,
                              regex::Engine engine) {
    std::vector<regex::Span> spans;
    regex::Searcher searcher(compiled, subject, engine);
    std::size_t matches = 0;
    while (searcher.next()) {
        FUZZ_CHECK(++matches <= kMaxRecordedMatches);
        for (int g = 0; g <= compiled.captureCount(); ++g) {
            spans.push_back(searcher.group(g));
        }
    }
    return spans;
}

bool sameSpans(const std::vector<regex::Span>& a, const std::vector<regex::Span>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].begin != b[i].begin || a[i].end != b[i].end) {
            return false;
        }
    }
    return true;
}

void checkSpans(const std::vector<regex::Span>& spans, int groups, std::string_view subject) {
    std::vector<bool> starts(subject.size() + 1, false);
    // The engine's own reading of the code page: a lead byte 0x81..0xFE takes the byte after it.
    for (std::size_t i = 0; i < subject.size();) {
        starts[i] = true;
        i += regex::isLeadByte(static_cast<unsigned char>(subject[i])) && i + 1 < subject.size()
                 ? 2
                 : 1;
    }
    starts[subject.size()] = true;

    const auto perMatch = static_cast<std::size_t>(groups) + 1;
    std::size_t previousEnd = 0;
    for (std::size_t m = 0; m < spans.size(); m += perMatch) {
        const regex::Span& match = spans[m];
        FUZZ_CHECK(match.matched());
        FUZZ_CHECK(match.begin <= match.end && match.end <= subject.size());
        FUZZ_CHECK(starts[match.begin] && starts[match.end]);
        FUZZ_CHECK(match.begin >= previousEnd);
        previousEnd = match.end;
        for (std::size_t g = 1; g < perMatch; ++g) {
            const regex::Span& group = spans[m + g];
            if (group.matched()) {
                FUZZ_CHECK(match.begin <= group.begin && group.begin <= group.end &&
                           group.end <= match.end);
                FUZZ_CHECK(starts[group.begin] && starts[group.end]);
            } else {
                FUZZ_CHECK(group.end == std::string_view::npos);
            }
        }
    }
}

void checkPatternMatcher(std::string_view pattern, std::string_view subject,
                         const regex::Options& options, bool global,
                         const std::vector<regex::Span>& spans, int groups,
                         std::string_view replacement) {
    velvane::PatternMatcher matcher;
    const bool created = matcher.create(pattern, subject, !options.ignoreCase, options.multiline,
                                        global, /*quoteToken=*/false);
    FUZZ_CHECK(created);
    FUZZ_CHECK(matcher.pattern() == pattern);
    const auto perMatch = static_cast<std::size_t>(groups) + 1;
    const std::size_t expected = global ? spans.size() / perMatch : spans.empty() ? 0 : 1;
    FUZZ_CHECK(static_cast<std::size_t>(matcher.matchCount()) == expected);
    FUZZ_CHECK(matcher.subMatchCount() == (expected > 0 ? groups : 0));
    for (std::size_t m = 0; m < expected; ++m) {
        const auto index = static_cast<std::int32_t>(m + 1);
        std::int32_t position = -1;
        const regex::Span& match = spans[m * perMatch];
        FUZZ_CHECK(matcher.matchText(index, &position) ==
                   subject.substr(match.begin, match.end - match.begin));
        FUZZ_CHECK(position == static_cast<std::int32_t>(match.begin));
        for (int g = 1; g <= groups; ++g) {
            const regex::Span& group = spans[m * perMatch + static_cast<std::size_t>(g)];
            const velvane::Text text = matcher.subMatchText(index, g);
            FUZZ_CHECK(group.matched()
                           ? text == subject.substr(group.begin, group.end - group.begin)
                           : text.empty());
        }
    }
    FUZZ_CHECK(matcher.matchText(0).empty() &&
               matcher.matchText(static_cast<std::int32_t>(expected) + 1).empty());
    FUZZ_CHECK(matcher.subMatchText(1, groups + 1).empty());

    const velvane::Text replaced = matcher.replace(replacement);
    if (expected == 0) {
        FUZZ_CHECK(replaced == subject);
    }
    // "$&" puts every match back where it was.
    FUZZ_CHECK(matcher.replace("$&") == subject);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    regex::Options options;
    options.ignoreCase = input.ConsumeBool();
    options.multiline = input.ConsumeBool();
    const bool global = input.ConsumeBool();
    const std::string replacement = input.ConsumeRandomLengthString(16);
    const std::string pattern = input.ConsumeRandomLengthString(kMaxPatternBytes);
    const std::string subject = input.ConsumeBytesAsString(kMaxSubjectBytes);

    regex::CompileError error;
    const std::optional<regex::Regex> compiled = regex::Regex::compile(pattern, options, &error);
    if (!compiled) {
        FUZZ_CHECK(error.offset <= pattern.size());
        FUZZ_CHECK(regex::describe(error.kind) != nullptr);
        velvane::PatternMatcher refused;
        FUZZ_CHECK(!refused.create(pattern, subject, !options.ignoreCase, options.multiline));
        FUZZ_CHECK(refused.matchCount() == 0 && refused.replace("x").empty());
        return 0;
    }
    const int groups = compiled->captureCount();
    const std::vector<regex::Span> automatic = walk(*compiled, subject, regex::Engine::kAutomatic);
    const std::vector<regex::Span> pikeVm = walk(*compiled, subject, regex::Engine::kPikeVm);
    FUZZ_CHECK(sameSpans(automatic, pikeVm));
    checkSpans(pikeVm, groups, subject);
    checkPatternMatcher(pattern, subject, options, global, pikeVm, groups, replacement);
    return 0;
}
