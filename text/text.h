// The two value types that every subsystem passes around.
#pragma once

#include <string>
#include <vector>

namespace velvane {

// A text: bytes in code page 936, the double-byte code page the program works in.
// A byte with its high bit set starts a two-byte character.
using Text = std::string;

// A counted sequence of bytes that may hold zero bytes (a response body, a wide text).
using ByteArray = std::vector<unsigned char>;

}  // namespace velvane
