#include "app/window_system_win32.h"

#include <commctrl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

#include "app/picture_box_win32.h"
#include "app/png_bitmap_win32.h"
#include "app/wide_text_win32.h"
#include "app/widget_layout.h"

namespace velvane {
namespace {

// The always-on-top setting that docking writes every tick must neither activate nor move.
constexpr UINT kAlwaysOnTopFlags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
// The one that the check box writes also shows and activates the window.
constexpr UINT kTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;

std::wstring windowText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Clipboard memory: freed here unless the clipboard has taken it over.
class ClipboardMemory {
  public:
    explicit ClipboardMemory(size_t bytes) : memory_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    ~ClipboardMemory() {
        if (memory_ != nullptr) {
            GlobalFree(memory_);
        }
    }
    ClipboardMemory(const ClipboardMemory&) = delete;
    ClipboardMemory& operator=(const ClipboardMemory&) = delete;

    HGLOBAL get() const { return memory_; }
    HGLOBAL release() { return std::exchange(memory_, nullptr); }

  private:
    HGLOBAL memory_;
};

class OpenedClipboard {
  public:
    OpenedClipboard() : open_(OpenClipboard(nullptr) != 0) {}
    ~OpenedClipboard() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    explicit operator bool() const { return open_; }

  private:
    bool open_;
};

}  // namespace

WindowPlace Win32WindowSystem::windowPlace() {
    RECT place{};
    GetWindowRect(window(), &place);
    return {place.left, place.top, place.right - place.left, place.bottom - place.top};
}

// SetWindowPos without SWP_NOREDRAW repaints what the move uncovers.
void Win32WindowSystem::moveWindow(int left, int top) {
    SetWindowPos(window(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32WindowSystem::setWindowHeight(int height) {
    SetWindowPos(window(), nullptr, 0, 0, windowPlace().width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScreenSize Win32WindowSystem::screenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

ScreenPoint Win32WindowSystem::cursorPosition() {
    POINT cursor{};
    GetCursorPos(&cursor);
    return {cursor.x, cursor.y};
}

void Win32WindowSystem::setAlwaysOnTop(bool on) {
    SetWindowPos(window(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kAlwaysOnTopFlags);
}

void Win32WindowSystem::setWindowTopmost(bool on) {
    SetWindowPos(window(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kTopmostFlags);
}

// Visible first, then the normal show state, which restores a minimised window and activates it.
void Win32WindowSystem::showWindowNormal() {
    ShowWindow(window(), SW_SHOW);
    ShowWindow(window(), SW_SHOWNORMAL);
}

void Win32WindowSystem::bringToForeground() {
    SetForegroundWindow(window());
}

void Win32WindowSystem::setTimerPeriod(WidgetTimer timer, int milliseconds) {
    widget_.setTimerPeriod(timer, milliseconds);
}

Text Win32WindowSystem::controlText(ControlId id) {
    return localFromWide(windowText(control(id)));
}

void Win32WindowSystem::setControlText(ControlId id, std::string_view text) {
    if (const HWND target = control(id)) {
        SetWindowTextW(target, wideFromLocal(text).c_str());
    }
}

void Win32WindowSystem::setPicture(ControlId id, std::span<const unsigned char> png) {
    if (const HWND target = control(id)) {
        setPictureBoxImage(target, decodePng(png));
    }
}

bool Win32WindowSystem::isChecked(ControlId id) {
    return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32WindowSystem::enableControl(ControlId id, bool enabled) {
    EnableWindow(control(id), enabled ? TRUE : FALSE);
}

void Win32WindowSystem::clearListView() {
    SendMessageW(control(kHiddenListView), LVM_DELETEALLITEMS, 0, 0);
}

int Win32WindowSystem::selectedListViewRow() {
    const HWND list = control(kHiddenListView);
    if (list == nullptr) {
        return -1;
    }
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

// LVM_GETITEMTEXTW says how many characters it copied, not how many there are: the buffer
// grows until the text fits with room to spare.
Text Win32WindowSystem::listViewCellText(int row, int column) {
    const HWND list = control(kHiddenListView);
    if (list == nullptr || row < 0 || column < 0 ||
        row >= static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0))) {
        return {};
    }
    std::wstring text(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto copied = static_cast<size_t>(SendMessageW(
            list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < text.size() || text.size() >= (size_t{1} << 20)) {
            text.resize(copied);
            return localFromWide(text);
        }
        text.resize(text.size() * 2);
    }
}

// The menu is made afresh from the layout's items for each showing and destroyed after it.
// TPM_RETURNCMD gives the chosen item as the result instead of a WM_COMMAND.
std::optional<ControlId> Win32WindowSystem::showPopupMenu(ScreenPoint anchor) {
    OwnedMenu menu(CreatePopupMenu());
    if (menu.get() == nullptr) {
        return std::nullopt;
    }
    for (const MenuItemLayout& item : kNotifyMenuItems) {
        AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.id), item.text);
    }
    const BOOL chosen = TrackPopupMenu(menu.get(), TPM_RIGHTALIGN | TPM_RETURNCMD | TPM_LEFTBUTTON,
                                       anchor.x, anchor.y, 0, window(), nullptr);
    if (chosen == 0) {
        return std::nullopt;
    }
    return static_cast<ControlId>(chosen);
}

// No owner window and modal to the task: the box blocks the whole program until dismissed.
void Win32WindowSystem::showMessageBox(std::string_view text, std::string_view title) {
    MessageBoxW(nullptr, wideFromLocal(text).c_str(), wideFromLocal(title).c_str(),
                MB_OK | MB_TASKMODAL);
}

void Win32WindowSystem::postCloseRequest() {
    PostMessageW(window(), WM_CLOSE, 0, 0);
}

void Win32WindowSystem::sendCloseRequest() {
    SendMessageW(window(), WM_CLOSE, 0, 0);
}

void Win32WindowSystem::postNullMessage() {
    PostMessageW(window(), WM_NULL, 0, 0);
}

// The address reaches the shell as the same characters the widget holds, unescaped: code page
// 936 converted to UTF-16, whatever the system's ANSI code page is.
void Win32WindowSystem::openUrl(std::string_view url) {
    ShellExecuteW(nullptr, L"open", wideFromLocal(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The text goes on the clipboard as Unicode text, from which the system offers the ANSI forms.
// False when the clipboard cannot be opened or the memory cannot be had.
bool Win32WindowSystem::setClipboardText(std::string_view text) {
    const std::wstring wide = wideFromLocal(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    ClipboardMemory memory(bytes);
    if (memory.get() == nullptr) {
        return false;
    }
    void* target = GlobalLock(memory.get());
    if (target == nullptr) {
        return false;
    }
    std::memcpy(target, wide.c_str(), bytes);
    GlobalUnlock(memory.get());

    const OpenedClipboard clipboard;
    if (!clipboard || !EmptyClipboard()) {
        return false;
    }
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        return false;
    }
    memory.release();  // the clipboard owns it now
    return true;
}

// The local time to the whole second, as an OLE date: days since 30 December 1899.
DateTime Win32WindowSystem::now() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    local.wMilliseconds = 0;
    double date = 0.0;
    if (SystemTimeToVariantTime(&local, &date) == 0) {
        return kNeverRefreshed;
    }
    return date;
}

}  // namespace velvane
