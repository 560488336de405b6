// velvane.exe: start-up of the widget and its message loop.

#include <ole2.h>
#include <windows.h>

#include "app/widget_events.h"
#include "app/widget_window_win32.h"
#include "app/window_system_win32.h"
#include "net/internet_client.h"

namespace {

// OLE for the user-interface thread's whole run; COM-based parts (the picture decoder among
// them) rely on it.
class OleSession {
  public:
    OleSession() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (initialized_) {
            OleUninitialize();
        }
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

  private:
    bool initialized_;
};

}  // namespace

// Start-up: the window is made hidden and centred with all its controls and running timers;
// then, at the point where its creation is complete, the first refresh runs to its end, the
// notification-area icon is added, and only then is the window shown and the message loop
// started. So the first download happens before the widget is first seen, and no timer tick
// is handled before the loop runs.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const OleSession ole;
    const auto internet = velvane::makeSystemInternetClient();
    if (internet == nullptr) {
        return 1;
    }
    velvane::WidgetWindow widget;
    if (!widget.create(instance)) {
        return 1;
    }
    velvane::Win32WindowSystem windowSystem(widget);
    velvane::WidgetEvents events(windowSystem, *internet);
    widget.attach(events);

    events.onCreated();
    widget.addNotifyIcon();
    widget.show();
    return widget.runMessageLoop();
}
