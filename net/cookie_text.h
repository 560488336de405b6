// Merging the cookie text a caller sent with the cookies a response set.
// A cookie text is a list of items ("name=value") separated by "; ".
#pragma once

#include <string_view>
#include <vector>

#include "text/text.h"

namespace velvane {

Text mergeCookieTexts(Text& sent, Text& received);
Text cookieName(std::string_view item);
bool hasCookieNamed(const std::vector<Text>& items, std::string_view name);
Text uniqueJoin(std::string_view text, std::string_view separator);
int indexOfText(const std::vector<Text>& list, std::string_view text);

}  // namespace velvane
