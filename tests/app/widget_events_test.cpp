#include "app/widget_events.h"

#include <gtest/gtest.h>

#include "app/fake_window_system.h"
#include "net/fake_internet_client.h"

namespace velvane {
namespace {

using testing::FakeWindowSystem;

const std::string kSearchPrefix = "open http://" VELVANE_SERVICE_HOST "/weibo/";

// One ranked row of the summary page, with the title "Title <n>".
std::string pageWithRow(int n) {
    return "<a href=\"/weibo/x\">Title " + std::to_string(n) +
           "</a>\n<span>1</span>\n</td>\n<td class=\"td-03\"></td>\n";
}

class WidgetEventsTest : public ::testing::Test {
  protected:
    void serve(const std::string& page) {
        internet = FakeInternetClient();
        internet.body.assign(page.begin(), page.end());
    }

    FakeWindowSystem window;
    FakeInternetClient internet;
    WidgetEvents events{window, internet};
};

TEST_F(WidgetEventsTest, CreationRefreshesAndTheAgeLineCountsFromThere) {
    events.onTimer(WidgetTimer::AgeLine);
    EXPECT_EQ(window.texts[kAgeLabel], "\xCE\xB4\xB8\xFC\xD0\xC2");  // 未更新

    serve(pageWithRow(1));
    window.clock = 45000.0;
    events.onCreated();
    EXPECT_EQ(internet.sends.size(), 1u);
    EXPECT_EQ(window.texts[titleLabelId(1)], "Title 1");
    EXPECT_EQ(events.lastRefreshTime(), 45000.0);

    window.clock = 45000.0 + 3.0 / 86400.0;
    events.onTimer(WidgetTimer::AgeLine);
    EXPECT_EQ(window.texts[kAgeLabel], "3\xC3\xEB\xC7\xB0\xB8\xFC\xD0\xC2");  // 3秒前更新
}

TEST_F(WidgetEventsTest, AutoRefreshTickReplacesTheClipboardEachTime) {
    serve(pageWithRow(1));
    events.onCreated();
    window.clipboard = "something the user copied";
    serve(pageWithRow(2));
    events.onTimer(WidgetTimer::AutoRefresh);
    EXPECT_EQ(window.clipboard, pageWithRow(2));
    EXPECT_EQ(window.texts[titleLabelId(1)], "Title 2");
}

TEST_F(WidgetEventsTest, LabelsOpenTheirOwnCaptionOrTheFullRanking) {
    window.texts[titleLabelId(3)] = "third";
    window.texts[titleLabelId(11)] = " ";
    events.onLabelPressed(titleLabelId(3));
    events.onLabelPressed(titleLabelId(11));
    events.onLabelPressed(kFullRankingLabel);
    events.onLabelPressed(kAgeLabel);  // the age line opens nothing
    EXPECT_EQ(window.log, (std::vector<std::string>{kSearchPrefix + "third", kSearchPrefix + " ",
                                                    "open https://" VELVANE_SERVICE_HOST
                                                    "/top/summary?cate=realtimehot"}));
}

TEST_F(WidgetEventsTest, CommandsReachTheirHandlers) {
    events.onCommand(kSettingsButton);
    EXPECT_EQ(window.place.height, 526);
    window.checked[kAutoRefreshCheck] = true;
    window.texts[kIntervalEdit] = "2";
    events.onCommand(kAutoRefreshCheck);
    EXPECT_EQ(window.timerPeriods[WidgetTimer::AutoRefresh], 2000);
    window.log.clear();
    events.onCommand(kCloseButton);
    events.onEscapeKey();
    EXPECT_EQ(window.log, (std::vector<std::string>{"post close", "send close"}));
}

TEST_F(WidgetEventsTest, TheNotificationMenusItemsRunTheirCommands) {
    window.popupChoice = kMenuAbout;
    events.onNotifyIcon(NotifyIconAction::RightButtonUp);
    window.popupChoice = kMenuExit;
    events.onNotifyIcon(NotifyIconAction::ContextMenu);
    window.popupChoice = std::nullopt;  // the menu dismissed without a choice
    events.onNotifyIcon(NotifyIconAction::RightButtonUp);
    const std::vector<std::string> expected = {
        "foreground", "menu -5,-5", "post null", "message By Brisaro / \xD0\xC5\xCF\xA2",
        "foreground", "menu -5,-5", "post null", "post close",
        "foreground", "menu -5,-5", "post null"};
    EXPECT_EQ(window.log, expected);
}

TEST_F(WidgetEventsTest, DockingTimerDocks) {
    window.place = {-20, 300, 280, 480};
    window.cursor = {5, 400};
    events.onTimer(WidgetTimer::Docking);
    EXPECT_EQ(window.place.left, 0);
}

}  // namespace
}  // namespace velvane
