// The picture button: a child window that shows one of three pictures of its icon (normal,
// under the mouse, pressed) and tells its parent about a click with WM_COMMAND / BN_CLICKED,
// as a push button does.
#pragma once

#include <windows.h>

#include "app/png_bitmap_win32.h"

namespace velvane {

struct ButtonLooks {
    PngBitmap normal;
    PngBitmap hot;      // while the mouse is over the button
    PngBitmap pressed;  // while the left button is held down on it
};

bool registerPictureButtonClass(HINSTANCE instance);

HWND createPictureButton(HWND parent, int id, const RECT& place, ButtonLooks looks);

}  // namespace velvane
