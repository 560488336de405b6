// Cutting a text out from between two markers.
#pragma once

#include <string_view>

#include "text/quote_token.h"
#include "text/text.h"

namespace velvane {

Text textBetween(std::string_view source, std::string_view startMarker, std::string_view endMarker,
                 int start = 0, bool ignoreCase = false);

}  // namespace velvane
