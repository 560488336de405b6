// The widget's Win32 window: built from the layout tables, it turns window messages into the
// calls of WidgetEvents and owns what only the window knows (its timers, its notification-area
// icon, its fonts).
#pragma once

#include <windows.h>

#include <array>

#include "app/widget_layout.h"
#include "app/win32_handles.h"

namespace velvane {

class WidgetEvents;

class WidgetWindow {
  public:
    WidgetWindow() = default;
    ~WidgetWindow();
    WidgetWindow(const WidgetWindow&) = delete;
    WidgetWindow& operator=(const WidgetWindow&) = delete;

    bool create(HINSTANCE instance);
    HWND handle() const { return window_; }
    void attach(WidgetEvents& events) { events_ = &events; }

    void addNotifyIcon();
    void show();
    int runMessageLoop();

    void setTimerPeriod(WidgetTimer timer, int milliseconds);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool createControls();
    HWND createControl(const ControlLayout& control);
    void paintBackground(HDC dc);
    void onCommand(WORD id, WORD code);
    void onNotify(const NMHDR& header);
    void onNotifyIconMessage(UINT mouseMessage);
    void removeNotifyIcon();
    bool isEscapeForWidget(const MSG& message) const;

    HINSTANCE instance_ = nullptr;
    // The fonts outlive the controls that use them: members go in reverse order.
    OwnedFont labelFont_;
    OwnedFont editFont_;
    OwnedWindow owner_;
    HWND window_ = nullptr;
    WidgetEvents* events_ = nullptr;
    std::array<int, kWidgetTimers.size()> timerPeriods_{};
    bool notifyIconAdded_ = false;
};

}  // namespace velvane
