// Searching, cutting and comparing texts of the double-byte code page.
// Positions are byte positions counted from 1; a search that finds nothing gives -1.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace velvane {

int findText(std::string_view haystack, std::string_view needle, int start = 0,
             bool ignoreCase = false);
int findLastText(std::string_view haystack, std::string_view needle, bool ignoreCase = false);

Text leftText(std::string_view text, int count);
Text rightText(std::string_view text, int count);
Text middleText(std::string_view text, int position, int count);

std::vector<Text> splitText(std::string_view text, std::string_view separator,
                            std::optional<int> maxPieces = std::nullopt);
Text replaceAll(std::string_view text, std::string_view from, std::string_view to = {},
                bool ignoreCase = false);

Text trimBlanks(std::string_view text);
Text toLowerAscii(std::string_view text);
Text toUpperAscii(std::string_view text);
std::int32_t toInteger(std::string_view text);
bool textEquals(std::string_view a, std::string_view b);

// The number of bytes of the character that starts at `text[index]`: 2 for a lead byte of code
// page 936 (0x81 to 0xFE) that has a byte after it, 1 otherwise. 0x80 (the euro sign) and 0xFF
// stand alone, as in the code page and in the regular-expression engine; taking them with the
// next byte would let a title ending in "€" swallow the bar that follows it in a row.
inline int characterLength(std::string_view text, std::size_t index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    return byte >= 0x81 && byte <= 0xFE && index + 1 < text.size() ? 2 : 1;
}

}  // namespace velvane
