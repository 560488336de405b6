#include "text/text_ops.h"

#include <algorithm>
#include <limits>

namespace velvane {
namespace {

constexpr char kBlank = ' ';
constexpr std::string_view kIdeographicBlank = "\xA1\xA1";

bool isAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool isAsciiLower(unsigned char c) { return c >= 'a' && c <= 'z'; }
unsigned char foldAscii(unsigned char c) { return isAsciiUpper(c) ? c + ('a' - 'A') : c; }

// Compares the needle with the haystack at `at`. Case folding applies only to bytes that stand
// as single-byte characters in the haystack, so the second byte of a double-byte character
// (which may lie in the ASCII letter range) always compares exactly.
bool matchesAt(std::string_view haystack, std::size_t at, std::string_view needle,
               bool ignoreCase) {
    for (std::size_t k = 0; k < needle.size();) {
        const std::size_t i = at + k;
        const int length = characterLength(haystack, i);
        const auto h = static_cast<unsigned char>(haystack[i]);
        const auto n = static_cast<unsigned char>(needle[k]);
        if (length == 1 && ignoreCase ? foldAscii(h) != foldAscii(n) : h != n) {
            return false;
        }
        if (length == 2 && k + 1 < needle.size() && haystack[i + 1] != needle[k + 1]) {
            return false;
        }
        k += static_cast<std::size_t>(length);
    }
    return true;
}

// Calls `found(index)` for every occurrence of the needle at a character start at or after
// `from`, left to right, until it returns false. Occurrences may overlap.
template <typename Found>
void forEachOccurrence(std::string_view haystack, std::string_view needle, std::size_t from,
                       bool ignoreCase, Found found) {
    for (std::size_t i = from; i < haystack.size() && needle.size() <= haystack.size() - i;
         i += static_cast<std::size_t>(characterLength(haystack, i))) {
        if (matchesAt(haystack, i, needle, ignoreCase) && !found(i)) {
            return;
        }
    }
}

// Index of the first occurrence at or after `from` (a character start), or npos.
std::size_t findFrom(std::string_view haystack, std::string_view needle, std::size_t from,
                     bool ignoreCase) {
    std::size_t result = std::string_view::npos;
    forEachOccurrence(haystack, needle, from, ignoreCase, [&](std::size_t i) {
        result = i;
        return false;
    });
    return result;
}

int toPosition(std::size_t index) { return static_cast<int>(index) + 1; }

}  // namespace

int findText(std::string_view haystack, std::string_view needle, int start, bool ignoreCase) {
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (from >= haystack.size()) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    const std::size_t index = findFrom(haystack, needle, from, ignoreCase);
    return index == std::string_view::npos ? -1 : toPosition(index);
}

int findLastText(std::string_view haystack, std::string_view needle, bool ignoreCase) {
    if (haystack.empty()) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    int last = -1;
    forEachOccurrence(haystack, needle, 0, ignoreCase, [&](std::size_t i) {
        last = toPosition(i);
        return true;
    });
    return last;
}

Text leftText(std::string_view text, int count) {
    if (count <= 0) {
        return {};
    }
    return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text rightText(std::string_view text, int count) {
    if (count <= 0) {
        return {};
    }
    const auto n = std::min(text.size(), static_cast<std::size_t>(count));
    return Text(text.substr(text.size() - n));
}

Text middleText(std::string_view text, int position, int count) {
    if (position < 1 || static_cast<std::size_t>(position) > text.size() || count <= 0) {
        return {};
    }
    return Text(text.substr(static_cast<std::size_t>(position) - 1, static_cast<std::size_t>(count)));
}

std::vector<Text> splitText(std::string_view text, std::string_view separator,
                            std::optional<int> maxPieces) {
    std::vector<Text> pieces;
    const auto limit = maxPieces && *maxPieces > 0 ? static_cast<std::size_t>(*maxPieces)
                                                    : std::numeric_limits<std::size_t>::max();
    if (separator.empty()) {
        if (!text.empty() && limit > 0) {
            pieces.emplace_back(text);
        }
        return pieces;
    }
    std::size_t pieceStart = 0;
    while (pieces.size() < limit) {
        const std::size_t at = findFrom(text, separator, pieceStart, false);
        if (at == std::string_view::npos) {
            if (pieceStart < text.size()) {
                pieces.emplace_back(text.substr(pieceStart));
            }
            break;
        }
        pieces.emplace_back(text.substr(pieceStart, at - pieceStart));
        pieceStart = at + separator.size();
    }
    return pieces;
}

Text replaceAll(std::string_view text, std::string_view from, std::string_view to,
                bool ignoreCase) {
    if (from.empty()) {
        return Text(text);
    }
    Text result;
    result.reserve(text.size());
    std::size_t copied = 0;
    forEachOccurrence(text, from, 0, ignoreCase, [&](std::size_t i) {
        if (i >= copied) {  // skips occurrences that overlap the one just replaced
            result.append(text.substr(copied, i - copied));
            result.append(to);
            copied = i + from.size();
        }
        return true;
    });
    result.append(text.substr(copied));
    return result;
}

Text trimBlanks(std::string_view text) {
    auto isBlankAt = [&](std::size_t i, int length) {
        return length == 1 ? text[i] == kBlank : text.substr(i, 2) == kIdeographicBlank;
    };
    std::size_t begin = 0;
    while (begin < text.size() && isBlankAt(begin, characterLength(text, begin))) {
        begin += static_cast<std::size_t>(characterLength(text, begin));
    }
    // Trailing blanks are found walking forward, as only a forward walk knows where
    // double-byte characters start.
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size();) {
        const int length = characterLength(text, i);
        i += static_cast<std::size_t>(length);
        if (!isBlankAt(i - static_cast<std::size_t>(length), length)) {
            end = i;
        }
    }
    return Text(text.substr(begin, end - begin));
}

namespace {

template <typename Convert>
Text mapSingleByteCharacters(std::string_view text, Convert convert) {
    Text result(text);
    for (std::size_t i = 0; i < result.size();) {
        const int length = characterLength(result, i);
        if (length == 1) {
            result[i] = static_cast<char>(convert(static_cast<unsigned char>(result[i])));
        }
        i += static_cast<std::size_t>(length);
    }
    return result;
}

// Folds the full-width forms 0xA3A1..0xA3FE to their ASCII bytes and the ideographic
// blank to a blank.
Text foldFullWidth(std::string_view text) {
    Text folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const int length = characterLength(text, i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = length == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (length == 2 && lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            folded.push_back(static_cast<char>(trail - 0x80));
        } else if (length == 2 && lead == 0xA1 && trail == 0xA1) {
            folded.push_back(kBlank);
        } else {
            folded.append(text.substr(i, static_cast<std::size_t>(length)));
        }
        i += static_cast<std::size_t>(length);
    }
    return folded;
}

bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

Text toLowerAscii(std::string_view text) {
    return mapSingleByteCharacters(text, [](unsigned char c) { return foldAscii(c); });
}

Text toUpperAscii(std::string_view text) {
    return mapSingleByteCharacters(
        text, [](unsigned char c) { return isAsciiLower(c) ? c - ('a' - 'A') : c; });
}

// A value beyond the 32-bit range saturates at its nearest bound rather than wrapping.
std::int32_t toInteger(std::string_view text) {
    const Text folded = foldFullWidth(text);
    std::size_t i = 0;
    while (i < folded.size() && isWhiteSpace(folded[i])) {
        ++i;
    }
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMagnitudeLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (folded[i] - '0'), kMagnitudeLimit);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool textEquals(std::string_view a, std::string_view b) { return a == b; }

}  // namespace velvane
