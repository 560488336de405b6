#include "app/picture_button_win32.h"

#include <utility>

#include "app/control_painting_win32.h"

namespace velvane {
namespace {

constexpr wchar_t kClassName[] = L"VelvanePictureButton";

struct ButtonState {
    ButtonLooks looks;
    bool hot = false;      // the cursor is over the button
    bool pressed = false;  // the left button went down on it and is still held (capture)
};

ButtonState* stateOf(HWND button) {
    return reinterpret_cast<ButtonState*>(GetWindowLongPtrW(button, GWLP_USERDATA));
}

bool cursorInside(HWND button, LPARAM lParam) {
    RECT client{};
    GetClientRect(button, &client);
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&client, point) != 0;
}

// Pressed shows only while the cursor is still over the button, as a push button does: moving
// away while holding the button shows that releasing now will not click.
const PngBitmap& currentLook(const ButtonState& state) {
    if (state.pressed && state.hot) {
        return state.looks.pressed;
    }
    return state.hot ? state.looks.hot : state.looks.normal;
}

void setHot(HWND button, ButtonState& state, bool hot) {
    if (state.hot == hot) {
        return;
    }
    state.hot = hot;
    if (hot) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, button, 0};
        TrackMouseEvent(&track);
    }
    InvalidateRect(button, nullptr, FALSE);
}

LRESULT CALLBACK pictureButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    ButtonState* state = stateOf(button);
    switch (message) {
        case WM_NCCREATE: {
            auto* looks = static_cast<ButtonLooks*>(
                reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
            auto* owned = new ButtonState{std::move(*looks)};
            SetWindowLongPtrW(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned));
            break;
        }
        case WM_NCDESTROY:
            delete state;
            SetWindowLongPtrW(button, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            if (state != nullptr) {
                BufferedPaint paint(button);
                paintParentBackground(button, paint.dc());
                const PngBitmap& look = currentLook(*state);
                drawPicture(paint.dc(), look.bitmap.get(), 0, 0, look.width, look.height);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (state != nullptr) {
                setHot(button, *state, cursorInside(button, lParam));
            }
            return 0;
        case WM_MOUSELEAVE:
            if (state != nullptr) {
                setHot(button, *state, false);
            }
            return 0;
        case WM_LBUTTONDOWN:
            if (state != nullptr) {
                state->pressed = true;
                SetCapture(button);
                setHot(button, *state, true);
                InvalidateRect(button, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONUP:
            if (state != nullptr && state->pressed) {
                const bool clicked = cursorInside(button, lParam);
                ReleaseCapture();  // WM_CAPTURECHANGED ends the press
                if (clicked) {
                    SendMessageW(GetParent(button), WM_COMMAND,
                                 MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(button));
                }
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (state != nullptr && state->pressed) {
                state->pressed = false;
                InvalidateRect(button, nullptr, FALSE);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(button, message, wParam, lParam);
}

}  // namespace

bool registerPictureButtonClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = pictureButtonProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

HWND createPictureButton(HWND parent, int id, const RECT& place, ButtonLooks looks) {
    return CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, place.left,
                           place.top, place.right - place.left, place.bottom - place.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), &looks);
}

}  // namespace velvane
