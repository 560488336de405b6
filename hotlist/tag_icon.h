// The five pictures that mark an entry's tag, as embedded PNG bytes.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace velvane {

enum class TagIcon { New, Boiling, Hot, Recommended, Default };

// The icon whose tag text ("新", "沸", "热", "荐" or "默认" in code page 936) equals `tag`
// byte for byte, or none.
std::optional<TagIcon> tagIconForText(std::string_view tag);

// The 14 by 14 RGBA PNG image of the icon.
std::span<const unsigned char> tagIconPng(TagIcon icon);

}  // namespace velvane
