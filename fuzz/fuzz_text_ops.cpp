// The text operations of the double-byte code page on arbitrary bytes: positions, cuts and
// pieces must stay inside the text and agree with plain byte comparisons.
//
// Input: integers and flags from the end of the data, then a needle and a replacement of up to
// 16 bytes each, the rest is the haystack.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "text/text_ops.h"

namespace {

using velvane::Text;

// Byte indexes where characters start when the text is read from `from` (a search that starts
// at a position reads from there).
std::vector<bool> characterStarts(std::string_view text, std::size_t from = 0) {
    std::vector<bool> starts(text.size() + 1, false);
    for (std::size_t i = from; i < text.size(); i += velvane::characterLength(text, i)) {
        starts[i] = true;
    }
    starts[text.size()] = true;
    return starts;
}

bool occursAt(std::string_view haystack, std::size_t at, std::string_view needle) {
    return at + needle.size() <= haystack.size() && haystack.substr(at, needle.size()) == needle;
}

void checkFind(std::string_view haystack, std::string_view needle, int start, bool ignoreCase) {
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    const std::vector<bool> starts = characterStarts(haystack, std::min(from, haystack.size()));
    const int exact = velvane::findText(haystack, needle, start, false);
    const int folded = velvane::findText(haystack, needle, start, ignoreCase);
    if (needle.empty()) {
        FUZZ_CHECK(exact == (from < haystack.size() ? 1 : -1));
        return;
    }
    if (exact != -1) {
        const auto at = static_cast<std::size_t>(exact - 1);
        FUZZ_CHECK(exact >= 1 && at >= from && starts[at]);
        FUZZ_CHECK(occursAt(haystack, at, needle));
        // the first one: no character start before it holds the needle
        for (std::size_t i = from; i < at; ++i) {
            FUZZ_CHECK(!(starts[i] && occursAt(haystack, i, needle)));
        }
        // an exact occurrence is one that ignores case as well
        FUZZ_CHECK(folded != -1 && folded <= exact);
    }
    if (folded != -1) {
        const auto at = static_cast<std::size_t>(folded - 1);
        FUZZ_CHECK(at >= from && at + needle.size() <= haystack.size() && starts[at]);
        FUZZ_CHECK(velvane::toLowerAscii(haystack.substr(at, needle.size())) ==
                       velvane::toLowerAscii(needle) ||
                   !ignoreCase);
    }

    const int last = velvane::findLastText(haystack, needle, false);
    FUZZ_CHECK((last == -1) == (velvane::findText(haystack, needle, 1, false) == -1));
    if (last != -1) {
        const std::vector<bool> wholeStarts = characterStarts(haystack);
        const auto at = static_cast<std::size_t>(last - 1);
        FUZZ_CHECK(wholeStarts[at] && occursAt(haystack, at, needle));
        for (std::size_t i = at + 1; i < haystack.size(); ++i) {
            FUZZ_CHECK(!(wholeStarts[i] && occursAt(haystack, i, needle)));
        }
    }
}

void checkCuts(std::string_view text, int position, int count) {
    const auto size = static_cast<std::int64_t>(text.size());
    const std::int64_t kept = std::clamp<std::int64_t>(count, 0, size);
    const Text left = velvane::leftText(text, count);
    const Text right = velvane::rightText(text, count);
    FUZZ_CHECK(static_cast<std::int64_t>(left.size()) == kept && text.starts_with(left));
    FUZZ_CHECK(static_cast<std::int64_t>(right.size()) == kept && text.ends_with(right));

    const Text middle = velvane::middleText(text, position, count);
    if (position < 1 || position > size || count <= 0) {
        FUZZ_CHECK(middle.empty());
    } else {
        FUZZ_CHECK(middle == text.substr(static_cast<std::size_t>(position) - 1,
                                         static_cast<std::size_t>(count)));
    }
}

Text join(const std::vector<Text>& pieces, std::string_view separator) {
    Text joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        joined += (i == 0 ? "" : Text(separator)) + pieces[i];
    }
    return joined;
}

void checkSplit(std::string_view text, std::string_view separator, int limit) {
    const std::vector<Text> pieces = velvane::splitText(text, separator);
    const std::vector<Text> limited = velvane::splitText(text, separator, limit);
    if (separator.empty()) {
        return;  // no caller splits at nothing; it only must not fail
    }
    // Joined again, the pieces give the text, less a trailing separator.
    const Text joined = join(pieces, separator);
    FUZZ_CHECK(joined == text || joined + Text(separator) == text);
    FUZZ_CHECK(!pieces.empty() || text.empty());
    FUZZ_CHECK(pieces.empty() || !pieces.back().empty() || text.ends_with(separator));
    if (limit > 0) {
        const auto k = std::min(pieces.size(), static_cast<std::size_t>(limit));
        FUZZ_CHECK(limited == std::vector<Text>(pieces.begin(), pieces.begin() + k));
    }
}

void checkReplace(std::string_view text, std::string_view from, std::string_view to,
                  bool ignoreCase) {
    const Text replaced = velvane::replaceAll(text, from, to, ignoreCase);
    FUZZ_CHECK(velvane::replaceAll(text, from, from, false) == text);
    if (from.empty() || velvane::findText(text, from, 1, ignoreCase) == -1) {
        FUZZ_CHECK(replaced == text);
    }
    // Each replacement changes the length by the same amount.
    const auto difference =
        static_cast<std::int64_t>(replaced.size()) - static_cast<std::int64_t>(text.size());
    const auto step = static_cast<std::int64_t>(to.size()) - static_cast<std::int64_t>(from.size());
    FUZZ_CHECK(step == 0 ? difference == 0 : difference % step == 0);
}

void checkTrimAndCase(std::string_view text) {
    const Text trimmed = velvane::trimBlanks(text);
    FUZZ_CHECK(text.find(trimmed) != std::string_view::npos);
    FUZZ_CHECK(velvane::trimBlanks(trimmed) == trimmed);
    FUZZ_CHECK(!trimmed.starts_with(' ') && !trimmed.starts_with("\xA1\xA1"));  // 　

    const Text lower = velvane::toLowerAscii(text);
    const Text upper = velvane::toUpperAscii(text);
    FUZZ_CHECK(lower.size() == text.size() && upper.size() == text.size());
    FUZZ_CHECK(velvane::toLowerAscii(upper) == lower && velvane::toUpperAscii(lower) == upper);
    for (std::size_t i = 0; i < text.size(); i += velvane::characterLength(text, i)) {
        if (velvane::characterLength(text, i) == 2) {
            // both bytes of a double-byte character stay as they are
            FUZZ_CHECK(lower.compare(i, 2, text.substr(i, 2)) == 0);
            FUZZ_CHECK(upper.compare(i, 2, text.substr(i, 2)) == 0);
        } else if (lower[i] != text[i] || upper[i] != text[i]) {
            const char c = text[i];
            FUZZ_CHECK((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        }
    }
}

// The leading decimal integer of an ASCII text, saturated at the 32-bit bounds.
std::int32_t referenceInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{1} << 40);
    }
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

void checkInteger(std::string_view text) {
    const std::int32_t value = velvane::toInteger(text);
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        FUZZ_CHECK(value == referenceInteger(text));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int position = input.ConsumeIntegral<int>();
    const int count = input.ConsumeIntegral<int>();
    const int limit = input.ConsumeIntegralInRange<int>(-1, 6);
    const bool ignoreCase = input.ConsumeBool();
    const std::string needle = input.ConsumeRandomLengthString(16);
    const std::string replacement = input.ConsumeRandomLengthString(16);
    const std::string haystack = input.ConsumeRemainingBytesAsString();

    checkFind(haystack, needle, position, ignoreCase);
    checkCuts(haystack, position, count);
    checkSplit(haystack, needle, limit);
    checkReplace(haystack, needle, replacement, ignoreCase);
    checkTrimAndCase(haystack);
    checkInteger(haystack);
    FUZZ_CHECK(velvane::textEquals(haystack, needle) == (haystack == needle));
    return 0;
}
