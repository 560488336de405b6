#include "decoded_png.h"

#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace velvane {

DecodedPng decodePng(std::span<const unsigned char> bytes) {
    DecodedPng picture;
    int width = 0, height = 0, channels = 0;
    unsigned char* data = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()),
                                                &width, &height, &channels, 4);
    if (data == nullptr) {
        return picture;
    }
    picture.width = width;
    picture.height = height;
    picture.channels = channels;
    // The header's bit depth and colour type, which the decoder does not report.
    constexpr std::size_t kBitDepthAt = 24, kColorTypeAt = 25;
    picture.bitDepth = bytes[kBitDepthAt];
    picture.colorType = bytes[kColorTypeAt];
    for (int i = 0; i < width * height; ++i) {
        picture.pixels.push_back({data[4 * i], data[4 * i + 1], data[4 * i + 2], data[4 * i + 3]});
    }
    stbi_image_free(data);
    return picture;
}

}  // namespace velvane
