// The transparent text label: a child window that shows its caption over the background
// picture, single line, vertically centred and clipped, and tells its parent about left-button
// presses. Its caption is the window text, so GetWindowTextW reads it.
#pragma once

#include <windows.h>

namespace velvane {

// The notification code of WM_COMMAND that a label sends its parent when the left button goes
// down on it (on the press, not the release).
inline constexpr WORD kLabelPressedNotification = 0x7001;

struct LabelLook {
    COLORREF colour = RGB(0, 0, 0);
    bool rightAligned = false;
    bool handCursor = false;
};

bool registerTransparentLabelClass(HINSTANCE instance);

HWND createTransparentLabel(HWND parent, int id, const RECT& place, const wchar_t* caption,
                            const LabelLook& look, HFONT font);

}  // namespace velvane
