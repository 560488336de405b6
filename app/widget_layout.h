// The widget window's layout: the window's own settings, every control with its identifier,
// kind, place, initial caption, look and pictures, the three timers, the columns of the hidden
// list view and the items of the notification-area menu. The Win32 window is built from these
// tables alone.
#pragma once

#include <array>
#include <cstdint>

#include "app/control_ids.h"
#include "app/window_commands.h"
#include "app/window_system.h"

namespace velvane {

inline constexpr int kWidgetWidth = 280;
inline constexpr int kWidgetHeight = kClosedStripHeight;
inline constexpr const wchar_t* kWidgetCaption = L"Velvane";
// White shows only in the settings strip: the background picture covers rows 0 to 479.
inline constexpr std::uint32_t kWidgetBackground = 0xFFFFFF;

enum class ControlKind {
    PictureBox,
    PictureButton,
    Label,
    EditBox,
    CheckBox,
    PushButton,
    ListView
};
enum class TextAlign { Left, Right };

// Pictures are named by their resource (RCDATA holding PNG bytes, see app/velvane.rc).
struct ControlPictures {
    const wchar_t* normal = nullptr;
    const wchar_t* hot = nullptr;      // picture buttons only: under the mouse
    const wchar_t* pressed = nullptr;  // picture buttons only: held down
};

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    int left;
    int top;
    int width;
    int height;
    const wchar_t* text = L"";
    std::uint32_t textColour = 0x000000;  // 0xRRGGBB
    TextAlign align = TextAlign::Left;
    bool handCursor = false;
    ControlPictures pictures = {};
};

inline constexpr std::uint32_t kLabelGrey = 0xBBBBBB;

namespace layout_detail {

// The rows of the ranking: badge at the left, title label, tag picture at the right.
constexpr ControlLayout badge(int row, int top, const wchar_t* picture) {
    return {
        rankBadgeId(row), ControlKind::PictureBox, 16, top, 14, 14, L"", 0, TextAlign::Left, false,
        {picture}};
}
constexpr ControlLayout title(int slot, int top) {
    return {titleLabelId(slot), ControlKind::Label, 35,  top, 208, 32, L" ",
            kLabelGrey,         TextAlign::Left,    true};
}
constexpr ControlLayout tag(int slot, int top) {
    return {tagPictureId(slot),
            ControlKind::PictureBox,
            251,
            top,
            14,
            14,
            L"",
            0,
            TextAlign::Left,
            false,
            {L"TAG_DEFAULT"}};
}

}  // namespace layout_detail

// In creation order; the background comes first and is kept beneath all the others.
inline constexpr auto kWidgetControls = [] {
    using namespace layout_detail;
    return std::array<ControlLayout, 44>{{
        // 图片框1
        {kBackgroundPicture,
         ControlKind::PictureBox,
         0,
         0,
         280,
         480,
         L"",
         0,
         TextAlign::Left,
         false,
         {L"BACKGROUND"}},
        // 图片框2..11, 22
        badge(1, 56, L"BADGE_PINNED"),
        badge(2, 92, L"BADGE_1"),
        badge(3, 129, L"BADGE_2"),
        badge(4, 165, L"BADGE_3"),
        badge(5, 201, L"BADGE_4"),
        badge(6, 238, L"BADGE_5"),
        badge(7, 273, L"BADGE_6"),
        badge(8, 307, L"BADGE_7"),
        badge(9, 345, L"BADGE_8"),
        badge(10, 381, L"BADGE_9"),
        badge(11, 418, L"BADGE_10"),
        // 透明标签1..11
        title(1, 47),
        title(2, 83),
        title(3, 120),
        title(4, 156),
        title(5, 192),
        title(6, 229),
        title(7, 264),
        title(8, 298),
        title(9, 336),
        title(10, 372),
        title(11, 409),
        // 图片框12..21, 23
        tag(1, 57),
        tag(2, 91),
        tag(3, 129),
        tag(4, 165),
        tag(5, 201),
        tag(6, 237),
        tag(7, 272),
        tag(8, 309),
        tag(9, 344),
        tag(10, 381),
        tag(11, 418),
        // 图形按钮_设置, 图形按钮_关闭
        {kSettingsButton,
         ControlKind::PictureButton,
         228,
         16,
         14,
         14,
         L"",
         0,
         TextAlign::Left,
         false,
         {L"GEAR_NORMAL", L"GEAR_HOT", L"GEAR_PRESSED"}},
        {kCloseButton,
         ControlKind::PictureButton,
         252,
         16,
         14,
         14,
         L"",
         0,
         TextAlign::Left,
         false,
         {L"POWER_NORMAL", L"POWER_HOT", L"POWER_PRESSED"}},
        // 透明标签14, 透明标签13
        {kFullRankingLabel, ControlKind::Label, 16, 455, 120, 14, L"查看完整热搜榜单", kLabelGrey,
         TextAlign::Left, true},
        {kAgeLabel, ControlKind::Label, 145, 455, 120, 14, L"3秒前更新", kLabelGrey,
         TextAlign::Right, true},
        // The settings strip: 编辑框_间隔, 透明标签12, 刷新热点, 选择框_窗口最前
        {kIntervalEdit, ControlKind::EditBox, 11, 486, 74, 32, L"60"},
        {kSecondsLabel, ControlKind::Label, 91, 491, 18, 24, L"秒", 0x000000},
        {kAutoRefreshCheck, ControlKind::CheckBox, 116, 491, 80, 24, L"自动刷新"},
        {kTopmostCheck, ControlKind::CheckBox, 197, 491, 72, 24, L"窗口最前"},
        // 按钮1 and 超级列表框3 lie outside the window and are never seen.
        {kQueryButton, ControlKind::PushButton, 104, 552, 80, 40, L"查询"},
        {kHiddenListView, ControlKind::ListView, 336, 8, 576, 488},
    }};
}();

struct TimerLayout {
    WidgetTimer timer;
    int period;  // milliseconds from creation; 0 is stopped
};

// 时钟_靠边, 时钟_间隔, 时钟_新浪
inline constexpr std::array<TimerLayout, 3> kWidgetTimers{{
    {WidgetTimer::Docking, 10},
    {WidgetTimer::AgeLine, 1000},
    {WidgetTimer::AutoRefresh, 0},
}};

struct ListViewColumn {
    const wchar_t* title;
    int width;
};

inline constexpr std::array<ListViewColumn, 3> kListViewColumns{{
    {L"ID", 50},
    {L"标题", 400},
    {L"热度", 100},
}};

struct MenuItemLayout {
    ControlId id;
    const wchar_t* text;
};

// 菜单: hidden, so the window has no menu bar; its items make the notification-area menu.
inline constexpr std::array<MenuItemLayout, 2> kNotifyMenuItems{{
    {kMenuAbout, L"关于"},
    {kMenuExit, L"退出"},
}};

// The control of the layout with this identifier, or none.
constexpr const ControlLayout* findControlLayout(ControlId id) {
    for (const ControlLayout& control : kWidgetControls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

}  // namespace velvane
