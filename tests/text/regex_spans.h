// Every match of a global walk of the engine, written out so that a test or the differential
// probe can compare it with an expectation as one text.
#pragma once

#include <string>
#include <string_view>

#include "text/regex.h"

namespace velvane::regex {

// All matches of `pattern` in `subject` as "[b,e g1b,g1e -]..." (byte offsets, "-" for a group
// that took no part), or "error" when the pattern is refused.
std::string matchSpans(std::string_view pattern, Options options, std::string_view subject,
                       Engine engine = Engine::kAutomatic);

}  // namespace velvane::regex
