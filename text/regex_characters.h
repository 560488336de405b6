// Characters of code page 936 as the regular-expression engine sees them.
//
// A byte from 0x81 to 0xFE (a lead byte) followed by any byte is one double-byte character whose
// value is lead * 256 + trail; every other byte, and a lead byte with nothing after it, is a
// single-byte character whose value is the byte. Values below 256 are thus single-byte
// characters and values from 0x8100 up double-byte ones.
//
// Walking forward from a known character start is trivial. Walking backward is not: a trail byte
// can take any value, so a byte in the lead range may be a lead or a trail. The way back is
// parity: a byte outside the lead range always ends a character, so starting from such a byte (or
// from any position known to start a character, the `floor`), the lead-range bytes that follow
// pair up two by two. `leadRunBefore` counts that run; the helpers below turn its parity into
// "does a character start here" and "which character ends here". The cost is the length of the
// run, bounded by the distance to `floor`, so callers keep `floor` close behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velvane::regex {

inline constexpr std::uint32_t kNoCharacter = 0xFFFFFFFF;
inline constexpr std::uint32_t kLineFeed = '\n';

inline bool isLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

inline bool isWordCharacter(std::uint32_t value) {
    return (value >= 'a' && value <= 'z') || (value >= 'A' && value <= 'Z') ||
           (value >= '0' && value <= '9') || value == '_';
}

struct Character {
    std::uint32_t value = kNoCharacter;
    std::uint32_t length = 0;
};

// The character that starts at `at`, which must be a character start before the end.
inline Character decodeAt(std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (isLeadByte(byte) && at + 1 < text.size()) {
        return {static_cast<std::uint32_t>(byte) << 8 | static_cast<unsigned char>(text[at + 1]),
                2};
    }
    return {byte, 1};
}

// The number of consecutive lead-range bytes that end just before `at`, not counting bytes
// before `floor`.
inline std::size_t leadRunBefore(std::string_view text, std::size_t floor, std::size_t at) {
    std::size_t run = 0;
    while (at > floor && isLeadByte(static_cast<unsigned char>(text[at - 1]))) {
        --at;
        ++run;
    }
    return run;
}

// Whether a character starts at `at`, given that one starts at `floor` <= `at`.
inline bool startsCharacter(std::string_view text, std::size_t floor, std::size_t at) {
    return leadRunBefore(text, floor, at) % 2 == 0;
}

// The character that ends at `at`, a character start, given a character start `floor` < `at`
// (or `at` == 0, which has no character before it).
inline Character characterBefore(std::string_view text, std::size_t floor, std::size_t at) {
    if (at == 0) {
        return {};
    }
    const std::size_t run = leadRunBefore(text, floor, at);
    // An odd run ending at at-1 means at-1 starts a character with nothing after it: a lone lead
    // byte at the end of the text.
    const bool pairEndsHere =
        run > 0 ? run % 2 == 0 : at >= floor + 2 && leadRunBefore(text, floor, at - 1) % 2 == 1;
    return pairEndsHere ? decodeAt(text, at - 2)
                        : Character{static_cast<unsigned char>(text[at - 1]), 1};
}

}  // namespace velvane::regex
