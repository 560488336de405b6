#include "hotlist/tag_icon.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/assets/decoded_png.h"

namespace velvane {
namespace {

constexpr Rgba kWhite = rgb(0xFFFFFF);

TEST(TagIconForText, MatchesTheFiveTagTextsExactly) {
    const struct {
        std::string_view tag;
        std::optional<TagIcon> icon;
    } cases[] = {
        {"\xD0\xC2", TagIcon::New},              // 新
        {"\xB7\xD0", TagIcon::Boiling},          // 沸
        {"\xC8\xC8", TagIcon::Hot},              // 热
        {"\xBC\xF6", TagIcon::Recommended},      // 荐
        {"\xC4\xAC\xC8\xCF", TagIcon::Default},  // 默认
        {"\xD0\xC2 ", std::nullopt},             // 新 and a blank
        {" \xD0\xC2", std::nullopt},
        {"\xE6\x96\xB0", std::nullopt},  // 新 in UTF-8
        {"", std::nullopt},
        {"\xD0", std::nullopt},              // half a character
        {"\xC4\xAC", std::nullopt},          // 默 alone
        {"\xD0\xC2\xB7\xD0", std::nullopt},  // 新沸
        {"\xB1\xAC", std::nullopt},          // 爆, a tag the widget has no picture for
        {"new", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tagIconForText(c.tag), c.icon) << "tag '" << c.tag << "'";
    }
}

struct IconLook {
    TagIcon icon;
    Rgba square;
    bool hasCharacter;
};

class TagIconPicture : public ::testing::TestWithParam<IconLook> {};

TEST_P(TagIconPicture, IsAnOpaqueSquareOfItsColourWithAWhiteCharacter) {
    const IconLook look = GetParam();
    const DecodedPng picture = decodePng(tagIconPng(look.icon));
    ASSERT_EQ(picture.width, 14);
    ASSERT_EQ(picture.height, 14);
    EXPECT_EQ(picture.channels, 4);
    EXPECT_EQ(picture.bitDepth, 8);
    EXPECT_EQ(picture.colorType, 6);  // RGB with alpha
    EXPECT_TRUE(std::all_of(picture.pixels.begin(), picture.pixels.end(),
                            [](Rgba pixel) { return pixel.a == 0xFF; }));
    for (const auto& [x, y] : {std::pair{0, 0}, {13, 0}, {0, 13}, {13, 13}}) {
        EXPECT_EQ(picture.at(x, y), look.square) << x << "," << y;
    }
    const auto white = std::count(picture.pixels.begin(), picture.pixels.end(), kWhite);
    const auto square = std::count(picture.pixels.begin(), picture.pixels.end(), look.square);
    if (look.hasCharacter) {
        EXPECT_GE(white, 10);
        EXPECT_GE(square, 14 * 14 / 3);
        // Every other pixel is an edge of the character: a mix of the square and white.
        for (const Rgba pixel : picture.pixels) {
            EXPECT_GE(pixel.r, look.square.r);
            EXPECT_GE(pixel.g, look.square.g);
            EXPECT_GE(pixel.b, look.square.b);
        }
    } else {
        EXPECT_EQ(white, 0);
        EXPECT_EQ(square, 14 * 14);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTags, TagIconPicture,
                         ::testing::Values(IconLook{TagIcon::New, rgb(0xFF3852), true},
                                           IconLook{TagIcon::Boiling, rgb(0xF86400), true},
                                           IconLook{TagIcon::Hot, rgb(0xFF9406), true},
                                           IconLook{TagIcon::Recommended, rgb(0x00B7EE), true},
                                           IconLook{TagIcon::Default, rgb(0x16161A), false}));

TEST(TagIconPng, EveryIconHasItsOwnPicture) {
    const TagIcon icons[] = {TagIcon::New, TagIcon::Boiling, TagIcon::Hot, TagIcon::Recommended,
                             TagIcon::Default};
    for (const TagIcon a : icons) {
        for (const TagIcon b : icons) {
            if (a != b) {
                EXPECT_FALSE(std::ranges::equal(tagIconPng(a), tagIconPng(b)));
            }
        }
    }
}

}  // namespace
}  // namespace velvane
