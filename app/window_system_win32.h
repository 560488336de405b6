// The window-system seam over Win32, for the widget window: places and sizes, the screen and
// the cursor, always on top, timers, the controls' captions, pictures and states, the list view,
// the pop-up menu, message boxes, messages to the window, the shell, the clipboard and the
// clock. Texts are converted between code page 936 and UTF-16 here and nowhere else.
#pragma once

#include "app/widget_window_win32.h"
#include "app/window_system.h"

namespace velvane {

class Win32WindowSystem final : public WindowSystem {
  public:
    explicit Win32WindowSystem(WidgetWindow& widget) : widget_(widget) {}

    WindowPlace windowPlace() override;
    void moveWindow(int left, int top) override;
    void setWindowHeight(int height) override;
    ScreenSize screenSize() override;
    ScreenPoint cursorPosition() override;
    void setAlwaysOnTop(bool on) override;
    void setWindowTopmost(bool on) override;
    void showWindowNormal() override;
    void bringToForeground() override;

    void setTimerPeriod(WidgetTimer timer, int milliseconds) override;

    Text controlText(ControlId control) override;
    void setControlText(ControlId control, std::string_view text) override;
    void setPicture(ControlId control, std::span<const unsigned char> png) override;
    bool isChecked(ControlId control) override;
    void enableControl(ControlId control, bool enabled) override;
    void clearListView() override;
    int selectedListViewRow() override;
    Text listViewCellText(int row, int column) override;

    std::optional<ControlId> showPopupMenu(ScreenPoint anchor) override;
    void showMessageBox(std::string_view text, std::string_view title) override;

    void postCloseRequest() override;
    void sendCloseRequest() override;
    void postNullMessage() override;

    void openUrl(std::string_view url) override;
    bool setClipboardText(std::string_view text) override;
    DateTime now() override;

  private:
    HWND window() const { return widget_.handle(); }
    HWND control(ControlId id) const { return GetDlgItem(window(), id); }

    WidgetWindow& widget_;
};

}  // namespace velvane
