// The picture box: a child window that shows one picture and lets a press fall through to the
// window beneath, so that pressing it drags the widget like its background does.
#pragma once

#include <windows.h>

#include "app/png_bitmap_win32.h"

namespace velvane {

bool registerPictureBoxClass(HINSTANCE instance);

// An opaque box paints its picture alone; any other box shows its parent through the picture's
// transparent pixels and around it. The background picture is opaque: the parent paints it.
HWND createPictureBox(HWND parent, int id, const RECT& place, bool opaque);

// Replaces the box's picture and repaints it; the box owns the bitmap from now on.
void setPictureBoxImage(HWND box, PngBitmap picture);

}  // namespace velvane
