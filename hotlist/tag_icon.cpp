#include "hotlist/tag_icon.h"

#include "embedded/tag_icon_pictures.h"

namespace velvane {
namespace {

struct TagText {
    std::string_view text;
    TagIcon icon;
};

constexpr TagText kTagTexts[] = {
    {"\xD0\xC2", TagIcon::New},              // 新
    {"\xB7\xD0", TagIcon::Boiling},          // 沸
    {"\xC8\xC8", TagIcon::Hot},              // 热
    {"\xBC\xF6", TagIcon::Recommended},      // 荐
    {"\xC4\xAC\xC8\xCF", TagIcon::Default},  // 默认
};

}  // namespace

// The tag texts differ from each other, so at most one matches.
std::optional<TagIcon> tagIconForText(std::string_view tag) {
    for (const TagText& entry : kTagTexts) {
        if (entry.text == tag) {
            return entry.icon;
        }
    }
    return std::nullopt;
}

// The pictures are the files of assets/, compiled in.
std::span<const unsigned char> tagIconPng(TagIcon icon) {
    switch (icon) {
        case TagIcon::New:
            return pictures::kTagNewPng;
        case TagIcon::Boiling:
            return pictures::kTagBoilingPng;
        case TagIcon::Hot:
            return pictures::kTagHotPng;
        case TagIcon::Recommended:
            return pictures::kTagRecommendedPng;
        case TagIcon::Default:
            return pictures::kTagDefaultPng;
    }
    return {};
}

}  // namespace velvane
