// Pictures from PNG bytes: decoded into a 32-bit top-down DIB section with premultiplied
// alpha, ready for AlphaBlend.
#pragma once

#include <windows.h>

#include <span>

#include "app/win32_handles.h"

namespace velvane {

struct PngBitmap {
    OwnedBitmap bitmap;  // empty when the bytes could not be decoded
    int width = 0;
    int height = 0;
};

// Needs COM on the calling thread (the program initialises OLE for its whole run).
PngBitmap decodePng(std::span<const unsigned char> png);

// The bytes of an RCDATA resource of this module, or none.
std::span<const unsigned char> rcdataResource(const wchar_t* name);

}  // namespace velvane
