// Code-page conversion written out in full, with no call into the system: the conversion of
// builds other than Windows, and on Windows the model the system's conversion is checked against.
// Same contract as decodeToWide and encodeFromWide; it knows code pages 65001 and 936, and takes
// an omitted code page, or 0, as 936.
#pragma once

#include <optional>
#include <string_view>

#include "text/code_page.h"

namespace velvane::portable {

ByteArray decodeToWide(std::string_view text, std::optional<unsigned> codePage = std::nullopt);
Text encodeFromWide(const ByteArray& wide, std::optional<unsigned> codePage = std::nullopt);

}  // namespace velvane::portable
