// A window system for tests: a scripted screen, cursor and clock, controls held in maps, and a
// log of every call that changes something, in order.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/window_system.h"

namespace velvane::testing {

class FakeWindowSystem : public WindowSystem {
  public:
    WindowPlace place{500, 272, 280, 480};
    ScreenSize screen{1280, 1024};
    ScreenPoint cursor{0, 0};
    DateTime clock = 45000.0;
    std::map<ControlId, Text> texts;
    std::map<ControlId, std::vector<unsigned char>> pictures;
    std::map<ControlId, bool> checked;
    std::map<ControlId, bool> enabled;
    std::map<WidgetTimer, int> timerPeriods;
    std::optional<Text> clipboard;
    bool clipboardAvailable = true;
    std::optional<ControlId> popupChoice;
    std::vector<std::vector<Text>> listViewRows;
    int selectedRow = -1;
    int listViewClears = 0;
    std::vector<std::string> log;

    WindowPlace windowPlace() override { return place; }
    void moveWindow(int left, int top) override {
        place.left = left;
        place.top = top;
        log.push_back("move " + std::to_string(left) + "," + std::to_string(top));
    }
    void setWindowHeight(int height) override {
        place.height = height;
        log.push_back("height " + std::to_string(height));
    }
    ScreenSize screenSize() override { return screen; }
    ScreenPoint cursorPosition() override { return cursor; }
    void setAlwaysOnTop(bool on) override { log.push_back(on ? "top on" : "top off"); }
    void setWindowTopmost(bool on) override {
        log.push_back(on ? "topmost+show on" : "topmost+show off");
    }
    void showWindowNormal() override { log.push_back("show normal"); }
    void bringToForeground() override { log.push_back("foreground"); }
    void setTimerPeriod(WidgetTimer timer, int milliseconds) override {
        timerPeriods[timer] = milliseconds;
        log.push_back("timer " + std::to_string(static_cast<int>(timer)) + " " +
                      std::to_string(milliseconds));
    }
    Text controlText(ControlId control) override { return texts[control]; }
    void setControlText(ControlId control, std::string_view text) override {
        texts[control] = Text(text);
        log.push_back("text " + std::to_string(control) + " " + std::string(text));
    }
    void setPicture(ControlId control, std::span<const unsigned char> png) override {
        pictures[control].assign(png.begin(), png.end());
        log.push_back("picture " + std::to_string(control));
    }
    bool isChecked(ControlId control) override { return checked[control]; }
    void enableControl(ControlId control, bool on) override {
        enabled[control] = on;
        log.push_back((on ? "enable " : "disable ") + std::to_string(control));
    }
    void clearListView() override {
        listViewRows.clear();
        ++listViewClears;
    }
    int selectedListViewRow() override { return selectedRow; }
    Text listViewCellText(int row, int column) override {
        if (row < 0 || row >= static_cast<int>(listViewRows.size())) {
            return {};
        }
        const auto& cells = listViewRows[static_cast<std::size_t>(row)];
        return column < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(column)]
                                                       : Text();
    }
    std::optional<ControlId> showPopupMenu(ScreenPoint anchor) override {
        log.push_back("menu " + std::to_string(anchor.x) + "," + std::to_string(anchor.y));
        return popupChoice;
    }
    void showMessageBox(std::string_view text, std::string_view title) override {
        log.push_back("message " + std::string(text) + " / " + std::string(title));
    }
    void postCloseRequest() override { log.push_back("post close"); }
    void sendCloseRequest() override { log.push_back("send close"); }
    void postNullMessage() override { log.push_back("post null"); }
    void openUrl(std::string_view url) override { log.push_back("open " + std::string(url)); }
    bool setClipboardText(std::string_view text) override {
        if (!clipboardAvailable) {
            return false;
        }
        clipboard = Text(text);
        return true;
    }
    DateTime now() override { return clock; }
};

}  // namespace velvane::testing
