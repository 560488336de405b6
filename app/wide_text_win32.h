// Texts at the edge of the window system: the program's code page 936 bytes as UTF-16 for the
// wide Win32 calls, and back. The conversion names code page 936 explicitly, so captions, the
// clipboard and the shell get the right characters whatever the system's ANSI code page is.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace velvane {

std::wstring wideFromLocal(std::string_view text);
Text localFromWide(std::wstring_view text);

}  // namespace velvane
