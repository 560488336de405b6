// Tidying request header text and picking values out of header lines.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velvane {

Text capitalizeHeaderNames(std::string_view headerText);
Text textAfterColon(std::string_view text);
Text textBefore(std::string_view text, std::string_view separator);

}  // namespace velvane
