#include "app/window_commands.h"

#include <gtest/gtest.h>

#include "app/fake_window_system.h"

namespace velvane {
namespace {

using testing::FakeWindowSystem;

TEST(AutoRefreshPeriod, ReadsTheLeadingIntegerOfTheText) {
    const struct {
        std::string text;
        int expected;
    } cases[] = {
        {"60", 60000},
        {" 90s", 90000},
        {"\xA3\xB1\xA3\xB2\xA3\xB0", 120000},  // １２０ in full-width digits
        {"2.5", 2000},
        {"-5", -5000},
        {"abc", 0},
        {"", 0},
        {"0", 0},
        {"2147483", 2147483000},
        {"2147484", 2147483647},      // beyond 32 bits of milliseconds: the longest period
        {"99999999999", 2147483647},  // beyond 32 bits as a number too
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(autoRefreshPeriod(c.text), c.expected) << "'" << c.text << "'";
    }
}

TEST(SettingsStrip, TogglesBetweenTheTwoHeightsKeepingTheStripsState) {
    FakeWindowSystem window;
    window.texts[kIntervalEdit] = "45";
    toggleSettingsStrip(window);
    EXPECT_EQ(window.place.height, kOpenStripHeight);
    toggleSettingsStrip(window);
    EXPECT_EQ(window.place.height, kClosedStripHeight);
    EXPECT_EQ(window.place.left, 500);
    EXPECT_EQ(window.place.top, 272);
    EXPECT_EQ(window.texts[kIntervalEdit], "45");
    // Any height other than exactly 480 counts as open.
    window.place.height = 500;
    toggleSettingsStrip(window);
    EXPECT_EQ(window.place.height, kClosedStripHeight);
}

TEST(AutoRefresh, CheckingStartsTheTimerAndLocksTheInterval) {
    FakeWindowSystem window;
    window.texts[kIntervalEdit] = "60";
    window.checked[kAutoRefreshCheck] = true;
    applyAutoRefresh(window);
    EXPECT_FALSE(window.enabled[kIntervalEdit]);
    EXPECT_EQ(window.timerPeriods[WidgetTimer::AutoRefresh], 60000);

    window.checked[kAutoRefreshCheck] = false;
    applyAutoRefresh(window);
    EXPECT_TRUE(window.enabled[kIntervalEdit]);
    EXPECT_EQ(window.timerPeriods[WidgetTimer::AutoRefresh], 0);
}

TEST(AutoRefresh, AnIntervalOfNoSecondsLeavesTheTimerStoppedButTheBoxLocked) {
    for (const char* text : {"letters", "0", "-5"}) {
        FakeWindowSystem window;
        window.texts[kIntervalEdit] = text;
        window.checked[kAutoRefreshCheck] = true;
        applyAutoRefresh(window);
        EXPECT_FALSE(window.enabled[kIntervalEdit]) << text;
        EXPECT_LE(window.timerPeriods[WidgetTimer::AutoRefresh], 0) << text;
    }
}

TEST(AlwaysOnTop, FollowsTheCheckBoxAndShowsTheWindow) {
    FakeWindowSystem window;
    window.checked[kTopmostCheck] = true;
    applyTopmostCheck(window);
    window.checked[kTopmostCheck] = false;
    applyTopmostCheck(window);
    EXPECT_EQ(window.log, (std::vector<std::string>{"topmost+show on", "topmost+show off"}));
}

TEST(NotifyIcon, DoubleClickShowsAndRestores) {
    FakeWindowSystem window;
    EXPECT_EQ(handleNotifyIcon(window, NotifyIconAction::LeftDoubleClick), std::nullopt);
    EXPECT_EQ(window.log, (std::vector<std::string>{"show normal"}));
}

TEST(NotifyIcon, RightClickRunsTheMenuBesideTheCursor) {
    for (const auto action : {NotifyIconAction::RightButtonUp, NotifyIconAction::ContextMenu}) {
        FakeWindowSystem window;
        window.cursor = {1200, 1000};
        window.popupChoice = kMenuExit;
        EXPECT_EQ(handleNotifyIcon(window, action), kMenuExit);
        EXPECT_EQ(window.log,
                  (std::vector<std::string>{"foreground", "menu 1195,995", "post null"}));
    }
}

TEST(NotifyIcon, OtherActionsDoNothing) {
    FakeWindowSystem window;
    EXPECT_EQ(handleNotifyIcon(window, NotifyIconAction::Other), std::nullopt);
    EXPECT_TRUE(window.log.empty());
}

TEST(AboutAndClose, ShowTheBoxAndPostTheRequest) {
    FakeWindowSystem window;
    showAbout(window);
    closeWidget(window);
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"message By Brisaro / \xD0\xC5\xCF\xA2", "post close"}));
}

}  // namespace
}  // namespace velvane
