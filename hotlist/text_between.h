// Cutting a text out from between two markers.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velvane {

// The token that stands for a double quote inside a marker: "#引号" in code page 936.
inline constexpr std::string_view kQuoteToken = "#\xD2\xFD\xBA\xC5";

Text textBetween(std::string_view source, std::string_view startMarker,
                 std::string_view endMarker, int start = 0, bool ignoreCase = false);

}  // namespace velvane
