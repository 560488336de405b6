// Stable identifiers of the widget's child windows. Outside tools (the end-to-end tests'
// inspector, accessibility tools) find the controls by these numbers, so they never change.
#pragma once

namespace velvane {

using ControlId = int;

// 透明标签1..11: the title labels of the eleven entry rows, top to bottom.
inline constexpr ControlId kTitleLabelFirst = 1001;
// 图片框12..21 and 图片框23: the tag pictures of the eleven entry rows.
inline constexpr ControlId kTagPictureFirst = 1101;
// 图片框2..11 and 图片框22: the rank badges at the left of the eleven entry rows.
inline constexpr ControlId kRankBadgeFirst = 1201;

constexpr ControlId titleLabelId(int slot) {
    return kTitleLabelFirst + slot - 1;
}
constexpr ControlId tagPictureId(int slot) {
    return kTagPictureFirst + slot - 1;
}
constexpr ControlId rankBadgeId(int row) {
    return kRankBadgeFirst + row - 1;
}

inline constexpr ControlId kBackgroundPicture = 1300;  // 图片框1
inline constexpr ControlId kSettingsButton = 1301;     // 图形按钮_设置
inline constexpr ControlId kCloseButton = 1302;        // 图形按钮_关闭
inline constexpr ControlId kFullRankingLabel = 1303;   // 透明标签14
inline constexpr ControlId kAgeLabel = 1304;           // 透明标签13
inline constexpr ControlId kIntervalEdit = 1305;       // 编辑框_间隔
inline constexpr ControlId kSecondsLabel = 1306;       // 透明标签12
inline constexpr ControlId kAutoRefreshCheck = 1307;   // 刷新热点
inline constexpr ControlId kTopmostCheck = 1308;       // 选择框_窗口最前
inline constexpr ControlId kQueryButton = 1309;        // 按钮1
inline constexpr ControlId kHiddenListView = 1310;     // 超级列表框3

// Items of the notification-area menu (菜单).
inline constexpr ControlId kMenuAbout = 1401;  // 关于
inline constexpr ControlId kMenuExit = 1402;   // 退出

}  // namespace velvane
