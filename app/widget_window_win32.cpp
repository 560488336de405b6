#include "app/widget_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <iterator>

#include "app/picture_box_win32.h"
#include "app/picture_button_win32.h"
#include "app/transparent_label_win32.h"
#include "app/widget_events.h"

namespace velvane {
namespace {

constexpr wchar_t kWidgetClass[] = L"VelvaneWidget";
constexpr wchar_t kOwnerClass[] = L"VelvaneOwner";

// The application icon's resource identifier (app/velvane.rc).
constexpr WORD kApplicationIcon = 1;

// The notification-area icon reports mouse actions with this message.
constexpr UINT kNotifyIconMessage = WM_APP + 1;
constexpr UINT kNotifyIconId = 1;

// The edit box's font: 16 pixels high, regular weight, GB2312 character set. Its face is ours
// to choose; SimSun is the face Chinese Windows itself uses for GB2312 text.
constexpr int kEditFontHeight = 16;
constexpr const wchar_t* kEditFontFace = L"SimSun";

constexpr COLORREF colourRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

RECT placeOf(const ControlLayout& control) {
    return {control.left, control.top, control.left + control.width, control.top + control.height};
}

HMENU childId(ControlId id) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

PngBitmap pictureResource(const wchar_t* name) {
    return name != nullptr ? decodePng(rcdataResource(name)) : PngBitmap{};
}

int timerIndex(WidgetTimer timer) {
    for (size_t index = 0; index < kWidgetTimers.size(); ++index) {
        if (kWidgetTimers[index].timer == timer) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

// Timer identifiers are 1, 2, 3 in the order of the timer table.
UINT_PTR timerId(int index) {
    return static_cast<UINT_PTR>(index) + 1;
}

// The labels use the platform's default GUI font, asked for with the GB2312 character set:
// the face stays the system's, and where that face has no Chinese glyphs (Wine with an ANSI
// code page other than 936) the font mapper picks a face of the same size that has them.
OwnedFont createLabelFont() {
    LOGFONTW font{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font) == 0) {
        return OwnedFont{};
    }
    font.lfCharSet = GB2312_CHARSET;
    return OwnedFont(CreateFontIndirectW(&font));
}

OwnedFont createEditFont() {
    LOGFONTW font{};
    font.lfHeight = kEditFontHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;
    lstrcpynW(font.lfFaceName, kEditFontFace, LF_FACESIZE);
    return OwnedFont(CreateFontIndirectW(&font));
}

bool registerControlClasses(HINSTANCE instance) {
    return registerTransparentLabelClass(instance) && registerPictureBoxClass(instance) &&
           registerPictureButtonClass(instance);
}

}  // namespace

WidgetWindow::~WidgetWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

// The widget is a borderless pop-up owned by a hidden window, so it has no taskbar button. It
// can be minimised (WS_MINIMIZEBOX) but not maximised. It is created hidden and centred on the
// primary screen; its controls and timers are made while WM_CREATE runs.
bool WidgetWindow::create(HINSTANCE instance) {
    instance_ = instance;
    const INITCOMMONCONTROLSEX commonControls{sizeof(commonControls),
                                              ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&commonControls);

    const HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kApplicationIcon),
                                                     IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    WNDCLASSEXW widgetClass{};
    widgetClass.cbSize = sizeof(widgetClass);
    widgetClass.lpfnWndProc = windowProc;
    widgetClass.hInstance = instance;
    widgetClass.hIcon = icon;
    widgetClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    widgetClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    widgetClass.lpszClassName = kWidgetClass;
    WNDCLASSEXW ownerClass{};
    ownerClass.cbSize = sizeof(ownerClass);
    ownerClass.lpfnWndProc = DefWindowProcW;
    ownerClass.hInstance = instance;
    ownerClass.lpszClassName = kOwnerClass;
    if (RegisterClassExW(&widgetClass) == 0 || RegisterClassExW(&ownerClass) == 0 ||
        !registerControlClasses(instance)) {
        return false;
    }

    labelFont_ = createLabelFont();
    editFont_ = createEditFont();
    owner_.reset(CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr));
    if (owner_.get() == nullptr) {
        return false;
    }

    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidgetWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kWidgetHeight) / 2;
    // WM_CREATE arrives before CreateWindowExW returns; the window procedure learns `this` from
    // WM_NCCREATE.
    const HWND window = CreateWindowExW(
        0, kWidgetClass, kWidgetCaption, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX,
        left, top, kWidgetWidth, kWidgetHeight, owner_.get(), nullptr, instance, this);
    return window != nullptr;
}

LRESULT CALLBACK WidgetWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<WidgetWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WidgetWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
}

LRESULT WidgetWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return createControls() ? 0 : -1;
        case WM_NCHITTEST: {
            // The window's own client area (and through them the picture boxes, which are
            // transparent to hits) acts as a title bar: a press there drags the widget.
            const LRESULT hit = DefWindowProcW(window_, message, wParam, lParam);
            return hit == HTCLIENT ? HTCAPTION : hit;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_MAXIMIZE) {
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            paintBackground(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id == kAutoRefreshCheck || id == kTopmostCheck) {
                SetBkColor(reinterpret_cast<HDC>(wParam), colourRef(kWidgetBackground));
                return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
            }
            break;
        }
        case WM_COMMAND:
            if (lParam != 0) {
                onCommand(LOWORD(wParam), HIWORD(wParam));
                return 0;
            }
            break;
        case WM_NOTIFY:
            onNotify(*reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        case WM_TIMER:
            for (size_t index = 0; index < kWidgetTimers.size(); ++index) {
                if (wParam == timerId(static_cast<int>(index)) && events_ != nullptr) {
                    events_->onTimer(kWidgetTimers[index].timer);
                }
            }
            return 0;
        case kNotifyIconMessage:
            onNotifyIconMessage(LOWORD(lParam));
            return 0;
        case WM_DESTROY:
            removeNotifyIcon();
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            const HWND window = window_;
            window_ = nullptr;
            return DefWindowProcW(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

bool WidgetWindow::createControls() {
    for (const ControlLayout& control : kWidgetControls) {
        if (createControl(control) == nullptr) {
            return false;
        }
    }
    // Children are stacked in creation order; the background must lie beneath every other.
    SetWindowPos(GetDlgItem(window_, kBackgroundPicture), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (const TimerLayout& timer : kWidgetTimers) {
        setTimerPeriod(timer.timer, timer.period);
    }
    return true;
}

HWND WidgetWindow::createControl(const ControlLayout& control) {
    const RECT place = placeOf(control);
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    const HFONT labelFont = labelFont_.get() != nullptr
                                ? labelFont_.get()
                                : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HWND created = nullptr;
    switch (control.kind) {
        case ControlKind::PictureBox: {
            created =
                createPictureBox(window_, control.id, place, control.id == kBackgroundPicture);
            if (created != nullptr) {
                setPictureBoxImage(created, pictureResource(control.pictures.normal));
            }
            return created;
        }
        case ControlKind::PictureButton:
            return createPictureButton(
                window_, control.id, place,
                {pictureResource(control.pictures.normal), pictureResource(control.pictures.hot),
                 pictureResource(control.pictures.pressed)});
        case ControlKind::Label: {
            const LabelLook look{colourRef(control.textColour), control.align == TextAlign::Right,
                                 control.handCursor};
            return createTransparentLabel(window_, control.id, place, control.text, look,
                                          labelFont);
        }
        case ControlKind::EditBox:
            created = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", control.text,
                                      child | ES_CENTER | ES_AUTOHSCROLL, place.left, place.top,
                                      control.width, control.height, window_, childId(control.id),
                                      instance_, nullptr);
            if (created != nullptr && editFont_) {
                SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(editFont_.get()), FALSE);
            }
            return created;
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
            created = CreateWindowExW(
                0, L"BUTTON", control.text,
                child | (control.kind == ControlKind::CheckBox ? BS_AUTOCHECKBOX : BS_PUSHBUTTON),
                place.left, place.top, control.width, control.height, window_, childId(control.id),
                instance_, nullptr);
            if (created != nullptr) {
                SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
            }
            return created;
        case ControlKind::ListView:
            created = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                      child | LVS_REPORT | LVS_SHOWSELALWAYS, place.left, place.top,
                                      control.width, control.height, window_, childId(control.id),
                                      instance_, nullptr);
            if (created != nullptr) {
                for (size_t index = 0; index < kListViewColumns.size(); ++index) {
                    LVCOLUMNW column{};
                    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
                    column.pszText = const_cast<wchar_t*>(kListViewColumns[index].title);
                    column.cx = kListViewColumns[index].width;
                    column.iSubItem = static_cast<int>(index);
                    SendMessageW(created, LVM_INSERTCOLUMNW, index,
                                 reinterpret_cast<LPARAM>(&column));
                }
            }
            return created;
    }
    return nullptr;
}

// What lies behind every control: the window's white, then the background picture, which the
// background picture box paints for us (it is opaque, so it does not ask back).
void WidgetWindow::paintBackground(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const HWND background = GetDlgItem(window_, kBackgroundPicture);
    if (background == nullptr) {
        return;
    }
    RECT place{};
    GetWindowRect(background, &place);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
    POINT previous{};
    OffsetViewportOrgEx(dc, place.left, place.top, &previous);
    SendMessageW(background, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

// Labels report presses, buttons and check boxes clicks; everything else (the edit box's
// notifications among them) is not an event of the widget.
void WidgetWindow::onCommand(WORD id, WORD code) {
    const ControlLayout* control = findControlLayout(id);
    if (control == nullptr || events_ == nullptr) {
        return;
    }
    switch (control->kind) {
        case ControlKind::Label:
            if (code == kLabelPressedNotification) {
                events_->onLabelPressed(id);
            }
            break;
        case ControlKind::PictureButton:
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
            if (code == BN_CLICKED) {
                events_->onCommand(id);
            }
            break;
        default:
            break;
    }
}

void WidgetWindow::onNotify(const NMHDR& header) {
    if (header.idFrom == static_cast<UINT_PTR>(kHiddenListView) && header.code == NM_DBLCLK &&
        events_ != nullptr) {
        events_->onListViewDoubleClick();
    }
}

void WidgetWindow::onNotifyIconMessage(UINT mouseMessage) {
    if (events_ == nullptr) {
        return;
    }
    NotifyIconAction action = NotifyIconAction::Other;
    switch (mouseMessage) {
        case WM_LBUTTONDBLCLK:
            action = NotifyIconAction::LeftDoubleClick;
            break;
        case WM_RBUTTONUP:
            action = NotifyIconAction::RightButtonUp;
            break;
        case WM_CONTEXTMENU:
            action = NotifyIconAction::ContextMenu;
            break;
        default:
            break;
    }
    events_->onNotifyIcon(action);
}

// The results of the notification-area calls are not examined: without a notification area
// the widget works the same, only without its icon.
void WidgetWindow::addNotifyIcon() {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window_;
    icon.uID = kNotifyIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kNotifyIconMessage;
    icon.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kApplicationIcon),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    lstrcpynW(icon.szTip, kWidgetCaption, static_cast<int>(std::size(icon.szTip)));
    Shell_NotifyIconW(NIM_ADD, &icon);
    notifyIconAdded_ = true;
}

void WidgetWindow::removeNotifyIcon() {
    if (!notifyIconAdded_) {
        return;
    }
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window_;
    icon.uID = kNotifyIconId;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    notifyIconAdded_ = false;
}

void WidgetWindow::show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

// A period of 0 or less stops the timer; a new positive period starts it afresh (SetTimer on a
// running timer restarts its count); the period it already has changes nothing.
void WidgetWindow::setTimerPeriod(WidgetTimer timer, int milliseconds) {
    const int index = timerIndex(timer);
    if (index < 0 || window_ == nullptr) {
        return;
    }
    int& current = timerPeriods_[static_cast<size_t>(index)];
    if (milliseconds <= 0) {
        KillTimer(window_, timerId(index));
        current = 0;
    } else if (milliseconds != current) {
        SetTimer(window_, timerId(index), static_cast<UINT>(milliseconds), nullptr);
        current = milliseconds;
    }
}

bool WidgetWindow::isEscapeForWidget(const MSG& message) const {
    return (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
           message.wParam == VK_ESCAPE && window_ != nullptr &&
           (message.hwnd == window_ || IsChild(window_, message.hwnd));
}

// Escape is caught before dispatch, so it closes the widget whichever of its controls has the
// keyboard focus, the edit box included.
int WidgetWindow::runMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (isEscapeForWidget(message) && events_ != nullptr) {
            events_->onEscapeKey();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace velvane
