// Turning the decoded summary page into ranked rows.
#pragma once

#include <vector>

#include "text/pattern_matcher.h"
#include "text/text.h"

namespace velvane {

// One ranked entry: the title as on the page, "|", and the tag text ("默认" when the page
// gives none).
using HotRow = Text;
using HotRowList = std::vector<HotRow>;

HotRowList parseHotRows(PatternMatcher& matcher, std::string_view pageText);

}  // namespace velvane
