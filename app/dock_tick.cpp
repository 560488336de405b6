#include "app/dock_tick.h"

namespace velvane {
namespace {

// How far the cursor may stray beyond each side of the window and still count as near it.
// The margin on the docking edge's own side is the thinnest, so that a hidden window comes
// back only when the cursor reaches the strip it left visible.
struct NearMargins {
    int left;
    int right;
    int top;
    int bottom;
};

constexpr NearMargins kTopEdgeMargins{10, 10, 2, 10};
constexpr NearMargins kLeftEdgeMargins{2, 10, 10, 10};
constexpr NearMargins kRightEdgeMargins{10, 2, 10, 10};
constexpr NearMargins kBottomEdgeMargins{10, 10, 10, 32};

constexpr int kVisibleStrip = 2;
// A window docked at the bottom stays this far above the screen's bottom edge, clear of
// the taskbar.
constexpr int kBottomClearance = 30;

bool isCursorNear(WindowSystem& window, const NearMargins& margins) {
    const WindowPlace place = window.windowPlace();
    const ScreenPoint cursor = window.cursorPosition();
    return place.left - margins.left < cursor.x &&
           cursor.x < place.left + place.width + margins.right &&
           place.top - margins.top < cursor.y &&
           cursor.y < place.top + place.height + margins.bottom;
}

void dockAtTop(WindowSystem& window) {
    const WindowPlace place = window.windowPlace();
    if (place.top > 0) {
        return;
    }
    const bool near = isCursorNear(window, kTopEdgeMargins);
    window.moveWindow(place.left, near ? 0 : kVisibleStrip - place.height);
}

void dockAtLeft(WindowSystem& window) {
    const WindowPlace place = window.windowPlace();
    if (place.left > 0) {
        return;
    }
    const bool near = isCursorNear(window, kLeftEdgeMargins);
    window.moveWindow(near ? 0 : kVisibleStrip - place.width, place.top);
}

void dockAtRight(WindowSystem& window) {
    const WindowPlace place = window.windowPlace();
    const ScreenSize screen = window.screenSize();
    if (place.left + place.width < screen.width) {
        return;
    }
    const bool near = isCursorNear(window, kRightEdgeMargins);
    window.moveWindow(near ? screen.width - place.width : screen.width - kVisibleStrip, place.top);
}

// The one edge whose two branches test different conditions: a window anywhere at or below
// the docked place is pulled up to it while the cursor is near, but only a window resting
// exactly at the docked place hides.
void dockAtBottom(WindowSystem& window) {
    const WindowPlace place = window.windowPlace();
    const ScreenSize screen = window.screenSize();
    const int dockedTop = screen.height - place.height - kBottomClearance;
    if (isCursorNear(window, kBottomEdgeMargins)) {
        if (place.top + place.height >= screen.height - kBottomClearance) {
            window.moveWindow(place.left, dockedTop);
        }
    } else if (place.top == dockedTop) {
        window.moveWindow(place.left, screen.height - kVisibleStrip);
    }
}

}  // namespace

// Decides everything afresh from the window's place, the screen and the cursor: no docking state
// survives between ticks. Each step re-reads the place, so it sees the moves of the steps before
// it. The four always-on-top writes all reach the platform: at the top, left or right edge the
// window passes through the always-on-top band and out again on each tick, which keeps it above
// ordinary windows; only a window at the bottom edge stays always on top.
void dockTick(WindowSystem& window) {
    const WindowPlace place = window.windowPlace();
    const ScreenSize screen = window.screenSize();
    window.setAlwaysOnTop(place.top <= 0);
    window.setAlwaysOnTop(place.left <= 0);
    window.setAlwaysOnTop(place.left + place.width >= screen.width);
    window.setAlwaysOnTop(place.top >= screen.height - kBottomClearance);

    dockAtTop(window);
    dockAtLeft(window);
    dockAtRight(window);
    dockAtBottom(window);
}

}  // namespace velvane
