#include "text/code_page.h"
#include "text/portable_code_page.h"

namespace velvane {

// Builds other than Windows convert with the portable converter, whose ANSI code page is 936.
ByteArray decodeToWide(std::string_view text, std::optional<unsigned> codePage) {
    return portable::decodeToWide(text, codePage);
}

Text encodeFromWide(const ByteArray& wide, std::optional<unsigned> codePage) {
    return portable::encodeFromWide(wide, codePage);
}

}  // namespace velvane
