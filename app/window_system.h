// What the widget's logic needs from the window system. The Win32 backend implements it for the
// real window; tests drive the logic through a recording fake with a scripted screen and cursor.
// Texts cross this seam in code page 936; the backend converts them to UTF-16 at the edge.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "app/control_ids.h"
#include "app/date_time.h"
#include "text/text.h"

namespace velvane {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
};

struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class WidgetTimer { Docking, AgeLine, AutoRefresh };

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // Window place and state.
    virtual WindowPlace windowPlace() = 0;
    virtual void moveWindow(int left, int top) = 0;  // keeps the size
    virtual void setWindowHeight(int height) = 0;    // keeps left and top
    virtual ScreenSize screenSize() = 0;             // the primary screen, not its work area
    virtual ScreenPoint cursorPosition() = 0;
    // Always on top without activating the window (SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE).
    virtual void setAlwaysOnTop(bool on) = 0;
    // Always on top, also showing and activating the window (SWP_SHOWWINDOW, no SWP_NOACTIVATE).
    virtual void setWindowTopmost(bool on) = 0;
    virtual void showWindowNormal() = 0;  // visible, restored and brought to the front
    virtual void bringToForeground() = 0;

    // Timers: a period of 0 or less stops the timer; a new positive period restarts it.
    virtual void setTimerPeriod(WidgetTimer timer, int milliseconds) = 0;

    // Controls.
    virtual Text controlText(ControlId control) = 0;
    virtual void setControlText(ControlId control, std::string_view text) = 0;
    virtual void setPicture(ControlId control, std::span<const unsigned char> png) = 0;
    virtual bool isChecked(ControlId control) = 0;
    virtual void enableControl(ControlId control, bool enabled) = 0;
    virtual void clearListView() = 0;
    virtual int selectedListViewRow() = 0;  // -1 when none is selected
    virtual Text listViewCellText(int row, int column) = 0;

    // The notification-area menu, right-aligned on `anchor`; the chosen item, if any.
    virtual std::optional<ControlId> showPopupMenu(ScreenPoint anchor) = 0;
    virtual void showMessageBox(std::string_view text, std::string_view title) = 0;

    virtual void postCloseRequest() = 0;  // WM_CLOSE, handled later by the message loop
    virtual void sendCloseRequest() = 0;  // WM_CLOSE, handled at once
    virtual void postNullMessage() = 0;   // WM_NULL, which lets a pop-up menu close properly

    // The shell, the clipboard and the clock.
    virtual void openUrl(std::string_view url) = 0;
    virtual bool setClipboardText(std::string_view text) = 0;
    virtual DateTime now() = 0;  // local date and time, to the second
};

}  // namespace velvane
