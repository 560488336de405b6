// PNG pictures decoded for tests that look at pixels rather than file bytes.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace velvane {

struct Rgba {
    unsigned char r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

struct DecodedPng {
    int width = 0;
    int height = 0;
    int channels = 0;  // as stored in the file
    int bitDepth = 0;
    int colorType = 0;
    std::vector<Rgba> pixels;  // row by row

    Rgba at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// The picture, or one of width 0 when the bytes are no PNG.
DecodedPng decodePng(std::span<const unsigned char> bytes);

constexpr Rgba rgb(unsigned value) {
    return {static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value), 0xFF};
}

}  // namespace velvane
