// The widget's pictures, checked by their pixels: the background, the rank badges, the
// buttons' looks, and the layout of the application icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "embedded/widget_pictures.h"
#include "tests/assets/decoded_png.h"

namespace velvane {
namespace {

constexpr Rgba kField = rgb(0x16161A);
constexpr Rgba kSeparator = rgb(0x1E1E22);
constexpr Rgba kNameGrey = rgb(0xD3D3D3);

void expectOpaqueRgba(const DecodedPng& picture, int width, int height) {
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    EXPECT_EQ(picture.channels, 4);
    EXPECT_EQ(picture.bitDepth, 8);
    EXPECT_EQ(picture.colorType, 6);
    EXPECT_TRUE(std::all_of(picture.pixels.begin(), picture.pixels.end(),
                            [](Rgba pixel) { return pixel.a == 0xFF; }));
}

// A pixel drawn in `ink` over the dark field: each channel between the two.
bool isBlendOf(Rgba pixel, Rgba ink) {
    const auto between = [](int value, int a, int b) {
        return value >= std::min(a, b) && value <= std::max(a, b);
    };
    return between(pixel.r, kField.r, ink.r) && between(pixel.g, kField.g, ink.g) &&
           between(pixel.b, kField.b, ink.b);
}

TEST(Background, HasSeparatorsEveryThirtySixRowsAndTheNameAtTheTop) {
    const DecodedPng picture = decodePng(pictures::kBackgroundPng);
    expectOpaqueRgba(picture, 280, 480);
    ASSERT_EQ(picture.pixels.size(), 280u * 480u);
    for (int y = 0; y < 480; ++y) {
        const bool separator = y >= 45 && y <= 441 && (y - 45) % 36 == 0;
        const bool nameRow = y >= 13 && y <= 31;
        for (int x = 0; x < 280; ++x) {
            const Rgba pixel = picture.at(x, y);
            if (separator) {
                ASSERT_EQ(pixel, kSeparator) << x << "," << y;
            } else if (nameRow && x >= 14 && x < 140) {
                ASSERT_TRUE(isBlendOf(pixel, kNameGrey)) << x << "," << y;
            } else {
                ASSERT_EQ(pixel, kField) << x << "," << y;
            }
        }
    }
    // The name's strokes reach its full colour, from its first row to its last.
    const auto rowHasName = [&](int y) {
        for (int x = 14; x < 140; ++x) {
            if (picture.at(x, y) != kField) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(rowHasName(13));
    EXPECT_TRUE(rowHasName(31));
    EXPECT_NE(std::find(picture.pixels.begin(), picture.pixels.end(), kNameGrey),
              picture.pixels.end());
    bool nameStartsAtItsLeftEdge = false;
    for (int y = 13; y <= 31; ++y) {
        nameStartsAtItsLeftEdge |= picture.at(14, y) != kField;
    }
    EXPECT_TRUE(nameStartsAtItsLeftEdge);
}

struct Badge {
    std::span<const unsigned char> png;
    Rgba ink;
    std::string name;
};

TEST(RankBadges, AreDrawnInTheirRowsColourOnTheDarkField) {
    const Badge badges[] = {
        {pictures::kBadgePinnedPng, rgb(0xF26D5F), "pinned"},
        {pictures::kBadge1Png, rgb(0xF26D5F), "1"},
        {pictures::kBadge2Png, rgb(0xF26D5F), "2"},
        {pictures::kBadge3Png, rgb(0xF26D5F), "3"},
        {pictures::kBadge4Png, rgb(0xFF8E17), "4"},
        {pictures::kBadge5Png, rgb(0xFF8E17), "5"},
        {pictures::kBadge6Png, rgb(0xFF8E17), "6"},
        {pictures::kBadge7Png, rgb(0xFF8E17), "7"},
        {pictures::kBadge8Png, rgb(0xFF8E17), "8"},
        {pictures::kBadge9Png, rgb(0xFF8E17), "9"},
        {pictures::kBadge10Png, rgb(0xFF8E17), "10"},
    };
    for (const Badge& badge : badges) {
        SCOPED_TRACE("badge " + badge.name);
        const DecodedPng picture = decodePng(badge.png);
        expectOpaqueRgba(picture, 14, 14);
        ASSERT_EQ(picture.pixels.size(), 14u * 14u);
        EXPECT_EQ(picture.at(0, 0), kField);
        EXPECT_EQ(picture.at(13, 13), kField);
        EXPECT_TRUE(std::all_of(picture.pixels.begin(), picture.pixels.end(),
                                [&](Rgba pixel) { return isBlendOf(pixel, badge.ink); }));
        EXPECT_GE(std::count(picture.pixels.begin(), picture.pixels.end(), badge.ink), 4);
    }
}

TEST(PictureButtons, ShowOneShapeInThreeLooks) {
    const struct {
        std::span<const unsigned char> looks[3];
        std::string name;
    } buttons[] = {
        {{pictures::kGearNormalPng, pictures::kGearHoverPng, pictures::kGearPressedPng}, "gear"},
        {{pictures::kPowerNormalPng, pictures::kPowerHoverPng, pictures::kPowerPressedPng},
         "power"},
    };
    const Rgba inks[3] = {rgb(0xD3D3D3), rgb(0xFFFFFF), rgb(0x888888)};
    for (const auto& button : buttons) {
        std::vector<bool> normalShape;
        for (int look = 0; look < 3; ++look) {
            SCOPED_TRACE(button.name + " look " + std::to_string(look));
            const DecodedPng picture = decodePng(button.looks[look]);
            expectOpaqueRgba(picture, 14, 14);
            EXPECT_TRUE(std::all_of(picture.pixels.begin(), picture.pixels.end(),
                                    [&](Rgba pixel) { return isBlendOf(pixel, inks[look]); }));
            EXPECT_GE(std::count(picture.pixels.begin(), picture.pixels.end(), inks[look]), 10);
            std::vector<bool> shape;
            for (const Rgba pixel : picture.pixels) {
                shape.push_back(pixel != kField);
            }
            if (look == 0) {
                normalShape = shape;
            } else {
                EXPECT_EQ(shape, normalShape);
            }
        }
    }
}

std::uint32_t littleEndian(std::span<const unsigned char> bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

TEST(ApplicationIcon, HoldsSixImagesOfTwoSizesAndThreeDepths) {
    const std::span<const unsigned char> icon = pictures::kVelvaneIco;
    ASSERT_GE(icon.size(), 6u);
    EXPECT_EQ(littleEndian(icon, 0, 2), 0u);  // reserved
    EXPECT_EQ(littleEndian(icon, 2, 2), 1u);  // an icon, not a cursor
    ASSERT_EQ(littleEndian(icon, 4, 2), 6u);
    ASSERT_GE(icon.size(), 6u + 6 * 16);
    std::vector<std::pair<unsigned, unsigned>> found;
    for (std::size_t entry = 6; entry < 6 + 6 * 16; entry += 16) {
        const unsigned size = icon[entry];
        const unsigned bits = littleEndian(icon, entry + 6, 2);
        const std::uint32_t length = littleEndian(icon, entry + 8, 4);
        const std::uint32_t offset = littleEndian(icon, entry + 12, 4);
        SCOPED_TRACE(std::to_string(size) + " pixels, " + std::to_string(bits) + " bits");
        found.emplace_back(size, bits);
        EXPECT_EQ(icon[entry + 1], size);
        EXPECT_EQ(icon[entry + 2], bits == 4 ? 16u : 0u);  // colours in the palette
        ASSERT_LE(std::size_t{offset} + length, icon.size());
        // The image's own header agrees: width, twice the height (colours and mask), depth.
        EXPECT_EQ(littleEndian(icon, offset, 4), 40u);
        EXPECT_EQ(littleEndian(icon, offset + 4, 4), size);
        EXPECT_EQ(littleEndian(icon, offset + 8, 4), 2 * size);
        EXPECT_EQ(littleEndian(icon, offset + 14, 2), bits);
    }
    std::sort(found.begin(), found.end());
    const std::vector<std::pair<unsigned, unsigned>> expected = {{16, 4}, {16, 8}, {16, 32},
                                                                 {32, 4}, {32, 8}, {32, 32}};
    EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace velvane
