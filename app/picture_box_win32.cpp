#include "app/picture_box_win32.h"

#include <utility>

#include "app/control_painting_win32.h"

namespace velvane {
namespace {

constexpr wchar_t kClassName[] = L"VelvanePicture";

// A class style bit of our own: the low 16 bits of a window's style belong to its class.
constexpr DWORD kOpaqueStyle = 0x0001;

struct PictureState {
    PngBitmap picture;
};

PictureState* stateOf(HWND box) {
    return reinterpret_cast<PictureState*>(GetWindowLongPtrW(box, GWLP_USERDATA));
}

LRESULT CALLBACK pictureBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

bool isPictureBox(HWND window) {
    return window != nullptr &&
           reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == pictureBoxProc;
}

void paintPicture(HWND box, HDC dc) {
    if ((GetWindowLongW(box, GWL_STYLE) & kOpaqueStyle) == 0) {
        paintParentBackground(box, dc);
    }
    if (const PictureState* state = stateOf(box)) {
        drawPicture(dc, state->picture.bitmap.get(), 0, 0, state->picture.width,
                    state->picture.height);
    }
}

LRESULT CALLBACK pictureBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PictureState{}));
            break;
        case WM_NCDESTROY:
            delete stateOf(box);
            SetWindowLongPtrW(box, GWLP_USERDATA, 0);
            break;
        case WM_NCHITTEST:
            // The press goes to the widget window beneath, which treats it as a title bar.
            return HTTRANSPARENT;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            BufferedPaint paint(box);
            paintPicture(box, paint.dc());
            return 0;
        }
        case WM_PRINTCLIENT:
            paintPicture(box, reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(box, message, wParam, lParam);
}

}  // namespace

bool registerPictureBoxClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = pictureBoxProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

HWND createPictureBox(HWND parent, int id, const RECT& place, bool opaque) {
    return CreateWindowExW(
        0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (opaque ? kOpaqueStyle : 0),
        place.left, place.top, place.right - place.left, place.bottom - place.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void setPictureBoxImage(HWND box, PngBitmap picture) {
    if (!isPictureBox(box)) {
        return;  // another kind of control has no picture to set
    }
    if (PictureState* state = stateOf(box)) {
        state->picture = std::move(picture);
        InvalidateRect(box, nullptr, FALSE);
    }
}

}  // namespace velvane
