#include "app/window_commands.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/text_ops.h"

namespace velvane {
namespace {

constexpr int kMenuOffset = 5;
constexpr std::string_view kAboutText = "By Brisaro";
constexpr std::string_view kAboutTitle = "\xD0\xC5\xCF\xA2";  // 信息

}  // namespace

void toggleSettingsStrip(WindowSystem& window) {
    const bool closed = window.windowPlace().height == kClosedStripHeight;
    window.setWindowHeight(closed ? kOpenStripHeight : kClosedStripHeight);
}

// The interval is read as the integer at the start of the text (full-width digits count), so
// "2.5" refreshes every 2 seconds and letters alone give 0, which leaves the timer stopped.
// A period beyond the timer's 32-bit range is clamped to the longest one that fits.
int autoRefreshPeriod(std::string_view intervalText) {
    const double milliseconds = std::trunc(toInteger(intervalText) * 1000.0);
    return static_cast<int>(std::clamp(milliseconds, double{std::numeric_limits<int>::min()},
                                       double{std::numeric_limits<int>::max()}));
}

// While automatic refresh is on the interval cannot be edited: the user unchecks the box,
// edits the text and checks it again.
void applyAutoRefresh(WindowSystem& window) {
    const bool on = window.isChecked(kAutoRefreshCheck);
    window.enableControl(kIntervalEdit, !on);
    const int period = on ? autoRefreshPeriod(window.controlText(kIntervalEdit)) : 0;
    window.setTimerPeriod(WidgetTimer::AutoRefresh, period);
}

// Holds only until the next docking tick, which sets the always-on-top state from the place.
void applyTopmostCheck(WindowSystem& window) {
    window.setWindowTopmost(window.isChecked(kTopmostCheck));
}

std::optional<ControlId> handleNotifyIcon(WindowSystem& window, NotifyIconAction action) {
    switch (action) {
        case NotifyIconAction::LeftDoubleClick:
            window.showWindowNormal();
            return std::nullopt;
        case NotifyIconAction::RightButtonUp:
        case NotifyIconAction::ContextMenu: {
            // The window must be in the foreground for the menu to close when the user clicks
            // elsewhere, and the null message afterwards lets the menu's own loop finish.
            window.bringToForeground();
            const ScreenPoint cursor = window.cursorPosition();
            const auto chosen =
                window.showPopupMenu({cursor.x - kMenuOffset, cursor.y - kMenuOffset});
            window.postNullMessage();
            return chosen;
        }
        case NotifyIconAction::Other:
            return std::nullopt;
    }
    return std::nullopt;
}

void showAbout(WindowSystem& window) {
    window.showMessageBox(kAboutText, kAboutTitle);
}

void closeWidget(WindowSystem& window) {
    window.postCloseRequest();
}

}  // namespace velvane
