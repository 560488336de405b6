#include "app/transparent_label_win32.h"

#include <memory>
#include <string>

#include "app/control_painting_win32.h"

namespace velvane {
namespace {

constexpr wchar_t kClassName[] = L"VelvaneLabel";

struct LabelState {
    LabelLook look;
    HFONT font = nullptr;
};

LabelState* stateOf(HWND label) {
    return reinterpret_cast<LabelState*>(GetWindowLongPtrW(label, GWLP_USERDATA));
}

std::wstring captionOf(HWND label) {
    std::wstring caption(static_cast<size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    caption.resize(static_cast<size_t>(
        GetWindowTextW(label, caption.data(), static_cast<int>(caption.size()))));
    return caption;
}

// The label has no background of its own: it paints its part of the parent first, then the
// caption on top, all off screen.
void paintLabel(HWND label, const LabelState& state) {
    BufferedPaint paint(label);
    const HDC dc = paint.dc();
    paintParentBackground(label, dc);

    const std::wstring caption = captionOf(label);
    const HGDIOBJ previousFont =
        SelectObject(dc, state.font != nullptr ? static_cast<HGDIOBJ>(state.font)
                                               : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, state.look.colour);
    RECT box = paint.client();
    const UINT format =
        DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (state.look.rightAligned ? DT_RIGHT : DT_LEFT);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, format);
    SelectObject(dc, previousFont);
}

void notifyParent(HWND label, WORD code) {
    const int id = GetDlgCtrlID(label);
    SendMessageW(GetParent(label), WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(label));
}

LRESULT CALLBACK labelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    LabelState* state = stateOf(label);
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            auto owned = std::make_unique<LabelState>();
            owned->look = *static_cast<const LabelLook*>(create->lpCreateParams);
            SetWindowLongPtrW(label, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
            break;
        }
        case WM_NCDESTROY:
            delete state;
            SetWindowLongPtrW(label, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            if (state != nullptr) {
                paintLabel(label, *state);
                return 0;
            }
            break;
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(label, message, wParam, lParam);
            InvalidateRect(label, nullptr, FALSE);
            return result;
        }
        case WM_SETFONT:
            if (state != nullptr) {
                state->font = reinterpret_cast<HFONT>(wParam);
                if (LOWORD(lParam) != 0) {
                    InvalidateRect(label, nullptr, FALSE);
                }
            }
            return 0;
        case WM_GETFONT:
            return state != nullptr ? reinterpret_cast<LRESULT>(state->font) : 0;
        case WM_SETCURSOR:
            if (state != nullptr && state->look.handCursor && LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            // The class has no CS_DBLCLKS, so each press of a double-click arrives here.
            notifyParent(label, kLabelPressedNotification);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(label, message, wParam, lParam);
}

}  // namespace

bool registerTransparentLabelClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = labelProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

HWND createTransparentLabel(HWND parent, int id, const RECT& place, const wchar_t* caption,
                            const LabelLook& look, HFONT font) {
    const HWND label =
        CreateWindowExW(0, kClassName, caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, place.left,
                        place.top, place.right - place.left, place.bottom - place.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), const_cast<LabelLook*>(&look));
    if (label != nullptr) {
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return label;
}

}  // namespace velvane
