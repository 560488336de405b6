#include <windows.h>

#include <algorithm>
#include <string>

#include "text/code_page.h"

namespace velvane {

// Both directions call the system twice: once for the size of the result, once to convert.
// Neither passes flags or a default character, so invalid input is replaced the way the system
// replaces it by default instead of stopping the conversion.

// Wine's UTF-8 decoder lets a sequence that the end cuts short swallow the terminating zero, so
// the zero unit is added back when the system's result lacks it: every wide text ends with one.
ByteArray decodeToWide(std::string_view text, std::optional<unsigned> codePage) {
    const UINT page = codePage.value_or(kCodePageUtf8);
    const std::string terminated(text.substr(0, text.find('\0')));
    const int size = MultiByteToWideChar(page, 0, terminated.c_str(), -1, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring units(static_cast<std::size_t>(size), L'\0');
    const int written = MultiByteToWideChar(page, 0, terminated.c_str(), -1, units.data(), size);
    if (written <= 0) {
        return {};
    }
    units.resize(static_cast<std::size_t>(written));
    if (units.back() != L'\0') {
        units.push_back(L'\0');
    }
    ByteArray wide;
    wide.reserve(units.size() * 2);
    for (const wchar_t unit : units) {
        wide.push_back(static_cast<unsigned char>(unit & 0xFF));
        wide.push_back(static_cast<unsigned char>((unit >> 8) & 0xFF));
    }
    return wide;
}

// The buffer is sized by asking about the target code page itself, so the result is never cut
// short, whatever the ANSI code page would need.
Text encodeFromWide(const ByteArray& wide, std::optional<unsigned> codePage) {
    const UINT page = codePage.value_or(CP_ACP);
    std::wstring units;
    units.reserve(wide.size() / 2);
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
        const auto unit = static_cast<wchar_t>(wide[i] | (wide[i + 1] << 8));
        if (unit == L'\0') {
            break;
        }
        units.push_back(unit);
    }
    const int size = WideCharToMultiByte(page, 0, units.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    Text text(static_cast<std::size_t>(size), '\0');
    const int written =
        WideCharToMultiByte(page, 0, units.c_str(), -1, text.data(), size, nullptr, nullptr);
    if (written <= 0) {
        return {};
    }
    text.resize(std::min(text.find('\0'), static_cast<std::size_t>(written)));
    return text;
}

}  // namespace velvane
