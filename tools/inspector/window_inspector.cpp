// window_inspector.exe: looks at the running widget from outside, as an accessibility tool would,
// and does the few things an end-to-end test needs to do to it that a mouse and a keyboard on
// the X side cannot.
//
//   window_inspector list
//       The widget's top-level window (class "VelvaneWidget", or else the caption "Velvane"),
//       then every child control, one JSON object per line, in UTF-8. The window's line also
//       gives the system's ANSI code page, which the locale Wine runs in decides.
//   window_inspector message-box [--press ok|cancel]
//       Every message box (dialog class "#32770") of the widget's process with its caption and
//       the texts of its children; with --press, clicks that button of the first one.
//   window_inspector popup-menu
//       Every visible pop-up menu window (class "#32768") with its place on the screen.
//   window_inspector z-order
//       Every top-level window, topmost first, as the system stacks them: class, caption,
//       process, owner, visibility and WS_EX_TOPMOST.
//   window_inspector tray
//       Where Wine shows notification icons when no notification area hosts them: its window
//       "Wine System Tray", with its client area on the screen (icons stand in a row there).
//   window_inspector topmost-samples [--count N] [--interval-ms M]
//       Reads the widget's extended style N times (default 200), M ms apart (default 1), and
//       says how many of the readings had WS_EX_TOPMOST. The docking timer rewrites the
//       always-on-top state four times every 10 ms, so one reading can fall between those writes;
//       many readings tell a state that holds from one that only passes.
//   window_inspector watch-text --id N [--ms T]
//       Follows the caption of the widget's control N for T ms (default 5000), from whenever
//       the widget appears: first a line that says the watch has begun, then one line for each
//       caption the control shows, with the milliseconds since the watch began. Captions that last
//       a second or less are seen, however slow the caller's own polling is.
//   window_inspector minimize
//       Minimises the widget, as a taskbar would (the widget has no control for it).
//   window_inspector notify <left-double-click|right-button-up|context-menu|left-button-up>
//                           --message <number> --icon <number>
//       Posts the notification-icon callback message to the widget, as the shell would for that
//       mouse action on its icon (the message and icon numbers are the widget's own).
//
// Exit status: 0 on success, 1 when the widget (or the thing asked for) is not there, 2 on a
// usage error. Apart from watch-text and topmost-samples, which watch for a given time, nothing
// here waits: the caller polls for the states it expects.
//
// Texts are read without sending messages to the widget where the system keeps them itself
// (captions), so that a widget busy in a download cannot block the inspector; an edit box's
// text and a check box's state live in the control, so those are asked for with a time-out.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t kWidgetClass[] = L"VelvaneWidget";
constexpr wchar_t kWidgetCaption[] = L"Velvane";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kPopupMenuClass[] = L"#32768";
constexpr wchar_t kWineTrayCaption[] = L"Wine System Tray";
constexpr UINT kMessageTimeoutMs = 2000;

enum ExitCode { kOk = 0, kNotFound = 1, kUsage = 2 };

// ---------------------------------------------------------------------------------------------
// Output: JSON objects, one a line, written as UTF-8 bytes straight to the standard output handle
// (no C runtime text mode in between, which would add carriage returns).

std::string utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string jsonString(std::wstring_view text) {
    std::string out = "\"";
    for (const char c : utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonRect(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof(text), "[%ld,%ld,%ld,%ld]", rect.left, rect.top, rect.right,
                  rect.bottom);
    return text;
}

std::string jsonBool(bool value) {
    return value ? "true" : "false";
}

std::string jsonHex(unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof(text), "\"0x%llx\"", value);
    return text;
}

// A JSON object built field by field, written as one line.
class JsonLine {
  public:
    JsonLine& field(const char* name, const std::string& json) {
        text_ += text_.empty() ? "{" : ",";
        text_ += "\"";
        text_ += name;
        text_ += "\":";
        text_ += json;
        return *this;
    }
    JsonLine& field(const char* name, long long number) {
        return field(name, std::to_string(number));
    }
    void write() const {
        const std::string line = (text_.empty() ? "{" : text_) + "}\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
                  &written, nullptr);
    }

  private:
    std::string text_;
};

// ---------------------------------------------------------------------------------------------
// Reading windows.

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

// The caption as the system keeps it; GetWindowTextW on another process's window reads exactly
// this, without a message.
std::wstring caption(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::optional<LRESULT> sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                            kMessageTimeoutMs, &result) == 0) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// An edit box keeps what was typed in its own buffer; WM_GETTEXT is marshalled across processes.
std::wstring controlText(HWND control) {
    if (lstrcmpiW(className(control).c_str(), L"Edit") != 0) {
        return caption(control);
    }
    const auto length = sendWithTimeout(control, WM_GETTEXTLENGTH, 0, 0);
    if (!length) {
        return caption(control);
    }
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    const auto copied =
        sendWithTimeout(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied ? static_cast<size_t>(*copied) : 0);
    return text;
}

bool isCheckBox(HWND control) {
    if (lstrcmpiW(className(control).c_str(), L"Button") != 0) {
        return false;
    }
    switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return true;
        default:
            return false;
    }
}

DWORD processOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The widget's window: its class first; a window captioned "Velvane" of another class only when
// no window has the class (a tooltip showing the icon's tip "Velvane" is not it).
HWND findWidget() {
    HWND byCaption = nullptr;
    for (const HWND window : topLevelWindows()) {
        const std::wstring name = className(window);
        if (name == kWidgetClass) {
            return window;
        }
        if (byCaption == nullptr && caption(window) == kWidgetCaption &&
            name != L"tooltips_class32") {
            byCaption = window;
        }
    }
    return byCaption;
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

RECT screenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT relativeTo(HWND window, RECT rect) {
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string handleText(HWND window) {
    return jsonHex(reinterpret_cast<UINT_PTR>(window));
}

// ---------------------------------------------------------------------------------------------
// Sub-commands.

int listWidget() {
    const HWND widget = findWidget();
    if (widget == nullptr) {
        JsonLine().field("kind", std::string("\"none\"")).write();
        return kNotFound;
    }
    const LONG exStyle = GetWindowLongW(widget, GWL_EXSTYLE);
    RECT client{};
    GetClientRect(widget, &client);
    JsonLine()
        .field("kind", std::string("\"window\""))
        .field("hwnd", handleText(widget))
        .field("class", jsonString(className(widget)))
        .field("text", jsonString(caption(widget)))
        .field("pid", static_cast<long long>(processOf(widget)))
        .field("rect", jsonRect(screenRect(widget)))
        .field("client", jsonRect(client))
        .field("visible", jsonBool(IsWindowVisible(widget) != 0))
        .field("minimized", jsonBool(IsIconic(widget) != 0))
        .field("enabled", jsonBool(IsWindowEnabled(widget) != 0))
        .field("style", jsonHex(static_cast<DWORD>(GetWindowLongW(widget, GWL_STYLE))))
        .field("exstyle", jsonHex(static_cast<DWORD>(exStyle)))
        .field("topmost", jsonBool((exStyle & WS_EX_TOPMOST) != 0))
        .field("foreground", jsonBool(GetForegroundWindow() == widget))
        .field("acp", static_cast<long long>(GetACP()))
        .write();
    for (const HWND control : childWindows(widget)) {
        JsonLine line;
        line.field("kind", std::string("\"control\""))
            .field("id", static_cast<long long>(GetDlgCtrlID(control)))
            .field("hwnd", handleText(control))
            .field("class", jsonString(className(control)))
            .field("text", jsonString(controlText(control)))
            .field("rect", jsonRect(screenRect(control)))
            .field("client", jsonRect(relativeTo(widget, screenRect(control))))
            .field("visible", jsonBool(IsWindowVisible(control) != 0))
            .field("enabled", jsonBool(IsWindowEnabled(control) != 0));
        if (isCheckBox(control)) {
            const auto state = sendWithTimeout(control, BM_GETCHECK, 0, 0);
            line.field("checked", state ? jsonBool(*state == BST_CHECKED) : "null");
        }
        line.write();
    }
    return kOk;
}

// Message boxes are dialogs of the widget's process; a message box "with no owner window" is a
// top-level window of its own.
int messageBoxes(const wchar_t* press) {
    const HWND widget = findWidget();
    if (widget == nullptr) {
        return kNotFound;
    }
    const DWORD process = processOf(widget);
    bool found = false;
    for (const HWND window : topLevelWindows()) {
        if (className(window) != kDialogClass || processOf(window) != process ||
            !IsWindowVisible(window)) {
            continue;
        }
        JsonLine()
            .field("kind", std::string("\"message-box\""))
            .field("hwnd", handleText(window))
            .field("title", jsonString(caption(window)))
            .field("rect", jsonRect(screenRect(window)))
            .write();
        for (const HWND child : childWindows(window)) {
            JsonLine()
                .field("kind", std::string("\"item\""))
                .field("id", static_cast<long long>(GetDlgCtrlID(child)))
                .field("class", jsonString(className(child)))
                .field("text", jsonString(caption(child)))
                .field("visible", jsonBool(IsWindowVisible(child) != 0))
                .write();
        }
        if (press != nullptr && !found) {
            const int button = lstrcmpiW(press, L"cancel") == 0 ? IDCANCEL : IDOK;
            // As a click on the button reports it to the dialog.
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
        }
        found = true;
    }
    return found ? kOk : kNotFound;
}

int popupMenus() {
    bool found = false;
    for (const HWND window : topLevelWindows()) {
        if (className(window) != kPopupMenuClass || !IsWindowVisible(window)) {
            continue;
        }
        JsonLine()
            .field("kind", std::string("\"popup-menu\""))
            .field("hwnd", handleText(window))
            .field("pid", static_cast<long long>(processOf(window)))
            .field("rect", jsonRect(screenRect(window)))
            .write();
        found = true;
    }
    return found ? kOk : kNotFound;
}

int zOrder() {
    for (const HWND window : topLevelWindows()) {
        JsonLine()
            .field("kind", std::string("\"top-level\""))
            .field("hwnd", handleText(window))
            .field("class", jsonString(className(window)))
            .field("text", jsonString(caption(window)))
            .field("pid", static_cast<long long>(processOf(window)))
            .field("owner", handleText(GetWindow(window, GW_OWNER)))
            .field("visible", jsonBool(IsWindowVisible(window) != 0))
            .field("topmost", jsonBool((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0))
            .write();
    }
    return kOk;
}

int wineTray() {
    for (const HWND window : topLevelWindows()) {
        if (caption(window) != kWineTrayCaption) {
            continue;
        }
        RECT client{};
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        JsonLine()
            .field("kind", std::string("\"tray\""))
            .field("hwnd", handleText(window))
            .field("class", jsonString(className(window)))
            .field("rect", jsonRect(screenRect(window)))
            .field("client", jsonRect(client))
            .field("visible", jsonBool(IsWindowVisible(window) != 0))
            .field("foreground", jsonBool(GetForegroundWindow() == window))
            .write();
        return kOk;
    }
    return kNotFound;
}

int topmostSamples(UINT count, UINT intervalMs) {
    const HWND widget = findWidget();
    if (widget == nullptr) {
        return kNotFound;
    }
    long long topmost = 0;
    for (UINT sample = 0; sample < count; ++sample) {
        if ((GetWindowLongW(widget, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
            ++topmost;
        }
        Sleep(intervalMs);
    }
    JsonLine()
        .field("kind", std::string("\"topmost-samples\""))
        .field("count", static_cast<long long>(count))
        .field("topmost", topmost)
        .write();
    return kOk;
}

int watchText(int id, DWORD durationMs) {
    const ULONGLONG start = GetTickCount64();
    JsonLine().field("kind", std::string("\"watching\"")).write();
    bool seen = false;
    std::wstring last;
    while (GetTickCount64() - start < durationMs) {
        const HWND widget = findWidget();
        const HWND control = widget != nullptr ? GetDlgItem(widget, id) : nullptr;
        if (control != nullptr) {
            const std::wstring text = caption(control);
            if (!seen || text != last) {
                JsonLine()
                    .field("kind", std::string("\"text\""))
                    .field("ms", static_cast<long long>(GetTickCount64() - start))
                    .field("text", jsonString(text))
                    .write();
                seen = true;
                last = text;
            }
        } else if (seen) {
            break;  // the widget is gone
        }
        Sleep(10);
    }
    return seen ? kOk : kNotFound;
}

int minimizeWidget() {
    const HWND widget = findWidget();
    if (widget == nullptr) {
        return kNotFound;
    }
    return ShowWindowAsync(widget, SW_MINIMIZE) != 0 || IsIconic(widget) ? kOk : kNotFound;
}

struct MouseAction {
    const wchar_t* name;
    UINT message;
};

constexpr MouseAction kMouseActions[] = {
    {L"left-double-click", WM_LBUTTONDBLCLK},
    {L"right-button-up", WM_RBUTTONUP},
    {L"context-menu", WM_CONTEXTMENU},
    {L"left-button-up", WM_LBUTTONUP},
};

// The shell reports a mouse action on an icon (added without NIM_SETVERSION) by posting the
// icon's callback message with the icon's identifier and the mouse message.
int notifyIcon(const wchar_t* actionName, UINT callbackMessage, UINT iconId) {
    for (const MouseAction& action : kMouseActions) {
        if (lstrcmpW(action.name, actionName) != 0) {
            continue;
        }
        const HWND widget = findWidget();
        if (widget == nullptr) {
            return kNotFound;
        }
        return PostMessageW(widget, callbackMessage, iconId, action.message) != 0 ? kOk : kNotFound;
    }
    return kUsage;
}

int usage() {
    const char text[] =
        "usage: window_inspector list\n"
        "       window_inspector message-box [--press ok|cancel]\n"
        "       window_inspector popup-menu\n"
        "       window_inspector z-order\n"
        "       window_inspector tray\n"
        "       window_inspector watch-text --id N [--ms T]\n"
        "       window_inspector topmost-samples [--count N] [--interval-ms M]\n"
        "       window_inspector minimize\n"
        "       window_inspector notify <left-double-click|right-button-up|context-menu|"
        "left-button-up> --message <number> --icon <number>\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, sizeof(text) - 1, &written, nullptr);
    return kUsage;
}

// The value after `--name`, if given.
const wchar_t* option(int count, wchar_t** arguments, const wchar_t* name) {
    for (int index = 2; index + 1 < count; ++index) {
        if (lstrcmpW(arguments[index], name) == 0) {
            return arguments[index + 1];
        }
    }
    return nullptr;
}

std::optional<UINT> numberOption(int count, wchar_t** arguments, const wchar_t* name) {
    const wchar_t* text = option(count, arguments, name);
    if (text == nullptr) {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 0);
    if (end == text || *end != L'\0') {
        return std::nullopt;
    }
    return static_cast<UINT>(value);
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
    if (count < 2) {
        return usage();
    }
    const std::wstring_view command = arguments[1];
    if (command == L"list") {
        return listWidget();
    }
    if (command == L"message-box") {
        return messageBoxes(option(count, arguments, L"--press"));
    }
    if (command == L"popup-menu") {
        return popupMenus();
    }
    if (command == L"z-order") {
        return zOrder();
    }
    if (command == L"tray") {
        return wineTray();
    }
    if (command == L"topmost-samples") {
        return topmostSamples(numberOption(count, arguments, L"--count").value_or(200),
                              numberOption(count, arguments, L"--interval-ms").value_or(1));
    }
    if (command == L"watch-text") {
        const auto id = numberOption(count, arguments, L"--id");
        if (!id) {
            return usage();
        }
        return watchText(static_cast<int>(*id),
                         numberOption(count, arguments, L"--ms").value_or(5000));
    }
    if (command == L"minimize") {
        return minimizeWidget();
    }
    if (command == L"notify" && count >= 3) {
        const auto message = numberOption(count, arguments, L"--message");
        const auto icon = numberOption(count, arguments, L"--icon");
        if (!message || !icon) {
            return usage();
        }
        const int result = notifyIcon(arguments[2], *message, *icon);
        return result == kUsage ? usage() : result;
    }
    return usage();
}
