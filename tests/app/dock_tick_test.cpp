#include "app/dock_tick.h"

#include <gtest/gtest.h>

#include "app/fake_window_system.h"

namespace velvane {
namespace {

using testing::FakeWindowSystem;

// Screen 1280 by 1024; the widget is 280 wide.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

struct DockCase {
    const char* name;
    WindowPlace start;
    ScreenPoint cursor;
    WindowPlace expected;
    std::vector<std::string> expectedLog;
};

std::vector<std::string> topmostWrites(bool top, bool left, bool right, bool bottom) {
    auto write = [](bool on) { return std::string(on ? "top on" : "top off"); };
    return {write(top), write(left), write(right), write(bottom)};
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(DockTick, OneTickFromEachPlace) {
    const DockCase cases[] = {
        {"free window, cursor on it",
         {500, 272, 280, 480},
         {600, 400},
         {500, 272, 280, 480},
         topmostWrites(false, false, false, false)},
        {"dragged above the top, cursor on it",
         {500, -5, 280, 480},
         {600, 10},
         {500, 0, 280, 480},
         concat(topmostWrites(true, false, false, false), {"move 500,0"})},
        {"shown at the top, cursor away",
         {500, 0, 280, 480},
         {600, 600},
         {500, -478, 280, 480},
         concat(topmostWrites(true, false, false, false), {"move 500,-478"})},
        {"hidden at the top, cursor in the top 12 rows above it",
         {500, -478, 280, 480},
         {495, 11},
         {500, 0, 280, 480},
         concat(topmostWrites(true, false, false, false), {"move 500,0"})},
        {"hidden at the top, cursor one row too low",
         {500, -478, 280, 480},
         {600, 12},
         {500, -478, 280, 480},
         concat(topmostWrites(true, false, false, false), {"move 500,-478"})},
        {"hidden at the top, cursor beyond the widened columns",
         {500, -478, 280, 480},
         {490, 5},
         {500, -478, 280, 480},
         concat(topmostWrites(true, false, false, false), {"move 500,-478"})},
        {"dragged past the left edge, cursor on it",
         {-3, 300, 280, 480},
         {5, 400},
         {0, 300, 280, 480},
         concat(topmostWrites(false, true, false, false), {"move 0,300"})},
        {"shown at the left, cursor away",
         {0, 300, 280, 480},
         {700, 400},
         {-278, 300, 280, 480},
         concat(topmostWrites(false, true, false, false), {"move -278,300"})},
        {"hidden at the left, cursor at x 11",
         {-278, 300, 280, 480},
         {11, 400},
         {0, 300, 280, 480},
         concat(topmostWrites(false, true, false, false), {"move 0,300"})},
        {"dragged past the right edge, cursor on it",
         {1100, 300, 280, 480},
         {1200, 400},
         {1000, 300, 280, 480},
         concat(topmostWrites(false, false, true, false), {"move 1000,300"})},
        {"shown at the right, cursor away",
         {1000, 300, 280, 480},
         {100, 400},
         {1278, 300, 280, 480},
         concat(topmostWrites(false, false, true, false), {"move 1278,300"})},
        {"hidden at the right, cursor at SW - 11",
         {1278, 300, 280, 480},
         {1269, 400},
         {1000, 300, 280, 480},
         concat(topmostWrites(false, false, true, false), {"move 1000,300"})},
        {"hidden at the right, cursor at SW - 12",
         {1278, 300, 280, 480},
         {1268, 400},
         {1278, 300, 280, 480},
         concat(topmostWrites(false, false, true, false), {"move 1278,300"})},
        {"dragged below SH - 30, cursor on it",
         {500, 600, 280, 480},
         {600, 700},
         {500, 514, 280, 480},
         concat(topmostWrites(false, false, false, false), {"move 500,514"})},
        {"shown at the bottom, cursor away: hides, not yet always on top",
         {500, 514, 280, 480},
         {600, 100},
         {500, 1022, 280, 480},
         concat(topmostWrites(false, false, false, false), {"move 500,1022"})},
        {"hidden at the bottom, cursor away: stays, always on top",
         {500, 1022, 280, 480},
         {600, 100},
         {500, 1022, 280, 480},
         topmostWrites(false, false, false, true)},
        {"hidden at the bottom, cursor at SH - 11",
         {500, 1022, 280, 480},
         {600, 1013},
         {500, 514, 280, 480},
         concat(topmostWrites(false, false, false, true), {"move 500,514"})},
        {"below SH - 30 but not at the docked place, cursor away: stays",
         {500, 600, 280, 480},
         {100, 100},
         {500, 600, 280, 480},
         topmostWrites(false, false, false, false)},
        {"top left corner, cursor away: hides up, then left",
         {-5, -5, 280, 480},
         {900, 900},
         {-278, -478, 280, 480},
         concat(topmostWrites(true, true, false, false), {"move -5,-478", "move -278,-478"})},
        {"top left corner, cursor on it",
         {-5, -5, 280, 480},
         {10, 10},
         {0, 0, 280, 480},
         concat(topmostWrites(true, true, false, false), {"move -5,0", "move 0,0"})},
        {"settings strip open, top, cursor away",
         {500, 0, 280, 526},
         {600, 700},
         {500, -524, 280, 526},
         concat(topmostWrites(true, false, false, false), {"move 500,-524"})},
        {"settings strip open, dragged below the bottom, cursor on it",
         {500, 700, 280, 526},
         {600, 800},
         {500, 468, 280, 526},
         concat(topmostWrites(false, false, false, false), {"move 500,468"})},
    };
    for (const auto& c : cases) {
        FakeWindowSystem window;
        window.screen = {kScreenWidth, kScreenHeight};
        window.place = c.start;
        window.cursor = c.cursor;
        dockTick(window);
        EXPECT_EQ(window.place.left, c.expected.left) << c.name;
        EXPECT_EQ(window.place.top, c.expected.top) << c.name;
        EXPECT_EQ(window.place.height, c.expected.height) << c.name;
        EXPECT_EQ(window.log, c.expectedLog) << c.name;
    }
}

TEST(DockTick, HideAndShowCycleAtTheTop) {
    FakeWindowSystem window;
    window.screen = {kScreenWidth, kScreenHeight};
    window.place = {400, -40, 280, 480};
    window.cursor = {500, 5};
    const struct {
        ScreenPoint cursor;
        int expectedTop;
    } steps[] = {
        {{500, 5}, 0},       // snaps while dragged
        {{500, 300}, 0},     // still near: inside the window
        {{500, 700}, -478},  // away: hides
        {{500, 100}, -478},  // below the strip: stays hidden
        {{395, 1}, 0},       // at the strip, within the widened columns: comes back
    };
    for (const auto& step : steps) {
        window.cursor = step.cursor;
        dockTick(window);
        EXPECT_EQ(window.place.top, step.expectedTop) << step.cursor.x << "," << step.cursor.y;
    }
}

TEST(DockTick, ASecondMonitorToTheRightCountsAsBeyondTheEdge) {
    FakeWindowSystem window;
    window.screen = {kScreenWidth, kScreenHeight};
    window.place = {1400, 300, 280, 480};  // on a monitor right of the primary screen
    window.cursor = {1500, 400};
    dockTick(window);
    EXPECT_EQ(window.place.left, 1000);
}

}  // namespace
}  // namespace velvane
