// The eleven entry rows of the widget, as the refresh writes them.
#pragma once

#include <string_view>

#include "hotlist/hot_rows.h"
#include "hotlist/tag_icon.h"

namespace velvane {

inline constexpr int kDisplaySlotCount = 11;

// The caption a title label shows before any refresh has written one: a single blank.
inline constexpr std::string_view kStartupCaption = " ";

// What the window offers the refresh: the title label and tag picture of each slot,
// numbered 1 to kDisplaySlotCount from the top.
class DisplaySlots {
public:
    virtual ~DisplaySlots() = default;
    virtual void setTitle(int slot, std::string_view caption) = 0;
    virtual void setTagIcon(int slot, TagIcon icon) = 0;
};

void showHotRows(const HotRowList& rows, DisplaySlots& slots);

}  // namespace velvane
