// The widget's event handlers, one per event of the window's wiring. The window backend turns
// window messages into these calls; everything they do goes through the window-system seam, so
// the same handlers run against the fake in tests.
#pragma once

#include "app/control_ids.h"
#include "app/date_time.h"
#include "app/window_commands.h"
#include "app/window_system.h"

namespace velvane {

class InternetClient;

class WidgetEvents {
  public:
    WidgetEvents(WindowSystem& window, InternetClient& internet);

    // Creation complete: the first refresh. The backend adds the notification-area icon and
    // shows the window after this returns.
    void onCreated();
    void onTimer(WidgetTimer timer);
    // A click on a button or check box, or a menu item chosen.
    void onCommand(ControlId control);
    // A left-button press on a label.
    void onLabelPressed(ControlId label);
    void onListViewDoubleClick();
    void onNotifyIcon(NotifyIconAction action);
    void onEscapeKey();

    DateTime lastRefreshTime() const { return lastRefreshTime_; }

  private:
    WindowSystem& window_;
    InternetClient& internet_;
    DateTime lastRefreshTime_ = kNeverRefreshed;
};

}  // namespace velvane
