#include "text/code_page.h"

namespace velvane {

// The page arrives as UTF-8 and the program works in code page 936 whatever the system's ANSI
// code page is, so the target is named rather than left to the system.
Text utf8ToLocal(std::string_view utf8) {
    return encodeFromWide(decodeToWide(utf8), kCodePageChinese);
}

}  // namespace velvane
