// Painting shared by the widget's own controls, which all lie over the background picture and
// must show it through their transparent parts.
#pragma once

#include <windows.h>

#include "app/win32_handles.h"

namespace velvane {

// Paints what lies behind `child` in its parent into `dc`, whose origin is the child's top left
// corner. The parent draws itself on WM_PRINTCLIENT.
void paintParentBackground(HWND child, HDC dc);

// Draws a 32-bit premultiplied picture at `left`, `top`, blending it over what `dc` holds.
void drawPicture(HDC dc, HBITMAP picture, int left, int top, int width, int height);

// WM_PAINT through an off-screen bitmap: the control draws its whole client area into dc(),
// and the result reaches the screen in one copy, so nothing flickers.
class BufferedPaint {
  public:
    explicit BufferedPaint(HWND window);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;

    HDC dc() const { return bitmap_ ? memory_.get() : paint_.hdc; }
    const RECT& client() const { return client_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};  // filled by BeginPaint while memory_ is made
    RECT client_{};
    MemoryDc memory_;
    OwnedBitmap bitmap_;
};

}  // namespace velvane
