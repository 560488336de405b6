// Owners for the Win32 handles the widget keeps: each handle is released by its owner's
// destructor, never by hand on each path out of a function.
#pragma once

#include <windows.h>

#include <utility>

namespace velvane {

// A GDI object (bitmap, font, brush) deleted with DeleteObject.
template <typename Handle>
class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(Handle handle = nullptr) {
        if (handle_ != nullptr) {
            DeleteObject(handle_);
        }
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedFont = GdiObject<HFONT>;

// A window destroyed with DestroyWindow unless it is already gone.
class OwnedWindow {
  public:
    OwnedWindow() = default;
    explicit OwnedWindow(HWND window) : window_(window) {}
    ~OwnedWindow() { reset(); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    HWND get() const { return window_; }
    void reset(HWND window = nullptr) {
        if (window_ != nullptr && IsWindow(window_)) {
            DestroyWindow(window_);
        }
        window_ = window;
    }

  private:
    HWND window_ = nullptr;
};

// A pop-up menu destroyed with DestroyMenu.
class OwnedMenu {
  public:
    explicit OwnedMenu(HMENU menu) : menu_(menu) {}
    ~OwnedMenu() {
        if (menu_ != nullptr) {
            DestroyMenu(menu_);
        }
    }
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;

    HMENU get() const { return menu_; }

  private:
    HMENU menu_;
};

// A memory device context compatible with another one, with a bitmap selected into it for
// the duration; deleting the context also releases the selection.
class MemoryDc {
  public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (dc_ != nullptr) {
            if (previous_ != nullptr) {
                SelectObject(dc_, previous_);
            }
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    // Selects `bitmap`; the first bitmap that was selected is put back on destruction.
    void select(HBITMAP bitmap) {
        const HGDIOBJ old = SelectObject(dc_, bitmap);
        if (previous_ == nullptr) {
            previous_ = old;
        }
    }

  private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace velvane
