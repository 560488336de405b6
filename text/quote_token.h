// The token that stands for a double quote in markers and patterns.
#pragma once

#include <string_view>

namespace velvane {

// "#引号" in code page 936.
inline constexpr std::string_view kQuoteToken = "#\xD2\xFD\xBA\xC5";

}  // namespace velvane
