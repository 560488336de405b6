// Conversion between code pages through UTF-16, and the page's UTF-8 to code page 936.
// Each routine converts its input up to the first zero byte (or zero unit).
#pragma once

#include <optional>
#include <string_view>

#include "text/text.h"

namespace velvane {

constexpr unsigned kCodePageUtf8 = 65001;
constexpr unsigned kCodePageChinese = 936;

// UTF-16LE units of `text` decoded from `codePage` (omitted: UTF-8), ending with a zero unit;
// empty when the code page is unknown.
ByteArray decodeToWide(std::string_view text, std::optional<unsigned> codePage = std::nullopt);

// The UTF-16LE text `wide`, up to its first zero unit, encoded in `codePage` (omitted: the
// system's ANSI code page); empty when the code page is unknown.
Text encodeFromWide(const ByteArray& wide, std::optional<unsigned> codePage = std::nullopt);

// UTF-8 text converted to code page 936.
Text utf8ToLocal(std::string_view utf8);

}  // namespace velvane
