// Taking an address apart into host, port and path.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velvane {

Text urlHost(std::string_view address, bool keepPort = false);
int urlPort(std::string_view address);
Text urlPath(std::string_view address);

}  // namespace velvane
