#include "app/wide_text_win32.h"

#include <windows.h>

#include <climits>

namespace velvane {
namespace {

constexpr UINT kLocalCodePage = 936;

// Win32 counts lengths in int; a text beyond that is cut there rather than wrapped.
int clampedLength(size_t length) {
    return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

}  // namespace

// Bytes that are not a character of the code page become U+FFFD or the code page's default
// character, as the system converts them; a caption never fails to show because of one.
std::wstring wideFromLocal(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = clampedLength(text.size());
    const int needed = MultiByteToWideChar(kLocalCodePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(kLocalCodePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

Text localFromWide(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = clampedLength(text.size());
    const int needed =
        WideCharToMultiByte(kLocalCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    Text local(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(kLocalCodePage, 0, text.data(), length, local.data(), needed, nullptr,
                        nullptr);
    return local;
}

}  // namespace velvane
