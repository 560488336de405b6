// The commands of the widget window itself.
#pragma once

#include <optional>
#include <string_view>

#include "app/window_system.h"

namespace velvane {

inline constexpr int kClosedStripHeight = 480;
inline constexpr int kOpenStripHeight = 526;

// Mouse actions on the notification-area icon that the widget tells apart.
enum class NotifyIconAction { LeftDoubleClick, RightButtonUp, ContextMenu, Other };

void toggleSettingsStrip(WindowSystem& window);
// The automatic-refresh timer's period for an interval text in seconds; 0 or less means stopped.
int autoRefreshPeriod(std::string_view intervalText);
// Runs after the automatic-refresh check box has toggled.
void applyAutoRefresh(WindowSystem& window);
// Runs after the always-on-top check box has toggled.
void applyTopmostCheck(WindowSystem& window);
// Shows or restores the window, or runs the pop-up menu and gives the item chosen.
std::optional<ControlId> handleNotifyIcon(WindowSystem& window, NotifyIconAction action);
void showAbout(WindowSystem& window);
void closeWidget(WindowSystem& window);

}  // namespace velvane
