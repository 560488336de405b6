#include "hotlist/window_display_slots.h"

#include "app/control_ids.h"

namespace velvane {

void WindowDisplaySlots::setTitle(int slot, std::string_view caption) {
    window_.setControlText(titleLabelId(slot), caption);
}

void WindowDisplaySlots::setTagIcon(int slot, TagIcon icon) {
    window_.setPicture(tagPictureId(slot), tagIconPng(icon));
}

}  // namespace velvane
