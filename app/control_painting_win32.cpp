#include "app/control_painting_win32.h"

namespace velvane {

// The child's place in the parent becomes a shift of the viewport, so the parent paints as if
// onto itself and exactly the child's part of it lands in `dc`.
void paintParentBackground(HWND child, HDC dc) {
    const HWND parent = GetParent(child);
    if (parent == nullptr) {
        return;
    }
    POINT origin{0, 0};
    MapWindowPoints(child, parent, &origin, 1);
    POINT previous{};
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

void drawPicture(HDC dc, HBITMAP picture, int left, int top, int width, int height) {
    if (picture == nullptr) {
        return;
    }
    MemoryDc source(dc);
    if (!source) {
        return;
    }
    source.select(picture);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, left, top, width, height, source.get(), 0, 0, width, height, blend);
}

// When the off-screen bitmap cannot be made the control paints straight onto the screen: it
// may flicker then, but it still shows.
BufferedPaint::BufferedPaint(HWND window) : window_(window), memory_(BeginPaint(window, &paint_)) {
    GetClientRect(window, &client_);
    if (memory_) {
        bitmap_.reset(CreateCompatibleBitmap(paint_.hdc, client_.right, client_.bottom));
        if (bitmap_) {
            memory_.select(bitmap_.get());
        }
    }
}

BufferedPaint::~BufferedPaint() {
    if (bitmap_) {
        BitBlt(paint_.hdc, 0, 0, client_.right, client_.bottom, memory_.get(), 0, 0, SRCCOPY);
    }
    EndPaint(window_, &paint_);
}

}  // namespace velvane
