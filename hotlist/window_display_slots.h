// The display slots as the widget window's title labels and tag pictures.
#pragma once

#include "app/window_system.h"
#include "hotlist/display_slots.h"

namespace velvane {

class WindowDisplaySlots final : public DisplaySlots {
  public:
    explicit WindowDisplaySlots(WindowSystem& window) : window_(window) {}
    void setTitle(int slot, std::string_view caption) override;
    void setTagIcon(int slot, TagIcon icon) override;

  private:
    WindowSystem& window_;
};

}  // namespace velvane
