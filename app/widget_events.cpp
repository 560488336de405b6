#include "app/widget_events.h"

#include "app/age_label.h"
#include "app/dock_tick.h"
#include "app/entry_activation.h"
#include "hotlist/display_slots.h"
#include "hotlist/refresh_hot_list.h"

namespace velvane {
namespace {

bool isTitleLabel(ControlId control) {
    return control >= titleLabelId(1) && control <= titleLabelId(kDisplaySlotCount);
}

}  // namespace

WidgetEvents::WidgetEvents(WindowSystem& window, InternetClient& internet)
    : window_(window), internet_(internet) {}

void WidgetEvents::onCreated() {
    refreshHotList(window_, internet_, lastRefreshTime_);
}

void WidgetEvents::onTimer(WidgetTimer timer) {
    switch (timer) {
        case WidgetTimer::Docking:
            dockTick(window_);
            break;
        case WidgetTimer::AgeLine:
            updateAgeLabel(window_, lastRefreshTime_);
            break;
        case WidgetTimer::AutoRefresh:
            refreshHotList(window_, internet_, lastRefreshTime_);
            break;
    }
}

void WidgetEvents::onCommand(ControlId control) {
    switch (control) {
        case kSettingsButton:
            toggleSettingsStrip(window_);
            break;
        case kAutoRefreshCheck:
            applyAutoRefresh(window_);
            break;
        case kTopmostCheck:
            applyTopmostCheck(window_);
            break;
        case kMenuAbout:
            showAbout(window_);
            break;
        case kCloseButton:
        case kMenuExit:
            closeWidget(window_);
            break;
        case kQueryButton:
            refreshHotList(window_, internet_, lastRefreshTime_);
            break;
        default:
            break;
    }
}

// Each title label opens the search page for its own caption as it reads at the moment of the
// press; the other labels open nothing but the full-ranking link.
void WidgetEvents::onLabelPressed(ControlId label) {
    if (isTitleLabel(label)) {
        openSearchPage(window_, window_.controlText(label));
    } else if (label == kFullRankingLabel) {
        openFullRanking(window_);
    }
}

void WidgetEvents::onListViewDoubleClick() {
    openSelectedListViewEntry(window_);
}

void WidgetEvents::onNotifyIcon(NotifyIconAction action) {
    if (const auto chosen = handleNotifyIcon(window_, action)) {
        onCommand(*chosen);
    }
}

// Escape closes at once: the request is sent, not posted.
void WidgetEvents::onEscapeKey() {
    window_.sendCloseRequest();
}

}  // namespace velvane
