#include "hotlist/display_slots.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace velvane {
namespace {

// Tags in code page 936.
const Text kNew = "\xD0\xC2";                     // 新
const Text kBoiling = "\xB7\xD0";                 // 沸
const Text kHot = "\xC8\xC8";                     // 热
const Text kRecommended = "\xBC\xF6";             // 荐
const Text kDefault = "\xC4\xAC\xC8\xCF";         // 默认
const Text kExplode = "\xB1\xAC";                 // 爆, a tag without a picture
const Text kEast = "\x96\x7C";                    // 東: its second byte is "|"
const Text kWinterSolstice = "\xB6\xAC\xD6\xC1";  // 冬至

// One call on the slots, in the order made.
struct Call {
    int slot = 0;
    bool isTitle = false;
    Text caption;
    TagIcon icon = TagIcon::Default;

    bool operator==(const Call&) const = default;
};

Call title(int slot, std::string_view caption) {
    return {slot, true, Text(caption), {}};
}
Call icon(int slot, TagIcon picture) {
    return {slot, false, {}, picture};
}

void PrintTo(const Call& call, std::ostream* out) {
    *out << "slot " << call.slot;
    if (call.isTitle) {
        *out << " title '" << call.caption << "'";
    } else {
        *out << " icon " << static_cast<int>(call.icon);
    }
}

class RecordingSlots final : public DisplaySlots {
  public:
    void setTitle(int slot, std::string_view caption) override {
        calls.push_back(title(slot, caption));
    }
    void setTagIcon(int slot, TagIcon picture) override { calls.push_back(icon(slot, picture)); }

    std::vector<Call> calls;
};

std::vector<Call> show(const HotRowList& rows) {
    RecordingSlots slots;
    showHotRows(rows, slots);
    return slots.calls;
}

// The calls that return slots `first` to 11 to their start-up look.
std::vector<Call> startupLookFrom(int first) {
    std::vector<Call> calls;
    for (int slot = first; slot <= kDisplaySlotCount; ++slot) {
        calls.push_back(title(slot, kStartupCaption));
        calls.push_back(icon(slot, TagIcon::Default));
    }
    return calls;
}

// The calls for slot 1 when the list is the one row given; the other slots go to their
// start-up look.
std::vector<Call> firstSlotCalls(const Text& row) {
    std::vector<Call> calls = show({row});
    calls.resize(calls.size() - startupLookFrom(2).size());
    return calls;
}

TEST(ShowHotRows, EachKnownTagSetsItsPictureAfterTheCaption) {
    const struct {
        Text tag;
        TagIcon picture;
    } cases[] = {
        {kNew, TagIcon::New},         {kBoiling, TagIcon::Boiling},
        {kHot, TagIcon::Hot},         {kRecommended, TagIcon::Recommended},
        {kDefault, TagIcon::Default},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(firstSlotCalls(kWinterSolstice + "|" + c.tag),
                  (std::vector<Call>{title(1, kWinterSolstice), icon(1, c.picture)}))
            << "tag " << c.tag;
    }
}

TEST(ShowHotRows, SplitsAtTheFirstBarAndKeepsThePictureForUnknownTags) {
    const struct {
        Text row;
        std::vector<Call> expected;
    } cases[] = {
        // a tag without a picture: the caption changes, the picture stays (no call)
        {"abc|" + kExplode, {title(1, "abc")}},
        {"abc|xyz", {title(1, "abc")}},
        // a title with a bar: the caption is its part before the bar, and the part after it
        // is taken as the tag, so the real tag is dropped
        {"a|b|" + kHot, {title(1, "a")}},
        {"a|" + kHot + "|" + kNew, {title(1, "a"), icon(1, TagIcon::Hot)}},
        {"a||" + kHot, {title(1, "a")}},
        // an empty title
        {"|" + kNew, {title(1, ""), icon(1, TagIcon::New)}},
        {"||" + kHot, {title(1, "")}},
        // no bar, or nothing after it: the tag is empty and names no picture
        {"abc", {title(1, "abc")}},
        {"abc|", {title(1, "abc")}},
        {"", {title(1, "")}},
        // tags compare byte for byte: blanks or a longer text name no picture
        {"abc| " + kNew, {title(1, "abc")}},
        {"abc|" + kNew + kNew, {title(1, "abc")}},
        // a bar is found only at character starts: 東 ends in the byte of "|"
        {kEast + "|" + kNew, {title(1, kEast), icon(1, TagIcon::New)}},
        {"x" + kEast + "y|" + kHot, {title(1, "x" + kEast + "y"), icon(1, TagIcon::Hot)}},
        // the caption is written whole, blanks and markup included
        {"  A&amp;B #x# |" + kHot, {title(1, "  A&amp;B #x# "), icon(1, TagIcon::Hot)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(firstSlotCalls(c.row), c.expected) << "row '" << c.row << "'";
    }
}

TEST(ShowHotRows, FillsElevenSlotsInOrderFromTheFirstElevenRows) {
    const Text tags[] = {kNew, kBoiling, kHot, kRecommended, kDefault, kExplode};
    const TagIcon pictures[] = {TagIcon::New, TagIcon::Boiling, TagIcon::Hot, TagIcon::Recommended,
                                TagIcon::Default};
    HotRowList rows;
    std::vector<Call> expected;
    for (int i = 1; i <= 15; ++i) {
        const Text caption = "row " + std::to_string(i);
        const auto tag = static_cast<std::size_t>(i % 6);
        rows.push_back(caption + "|" + tags[tag]);
        if (i <= kDisplaySlotCount) {
            expected.push_back(title(i, caption));
            if (tag < 5) {
                expected.push_back(icon(i, pictures[tag]));
            }
        }
    }
    EXPECT_EQ(show(rows), expected);
}

TEST(ShowHotRows, SlotsWithoutARowReturnToTheirStartupLook) {
    std::vector<Call> expected = {title(1, "a"), icon(1, TagIcon::Hot), title(2, "b"),
                                  title(3, "c"), icon(3, TagIcon::New)};
    const std::vector<Call> rest = startupLookFrom(4);
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(show({"a|" + kHot, "b|" + kExplode, "c|" + kNew}), expected);

    EXPECT_EQ(show({}), startupLookFrom(1));

    HotRowList ten(10, "t|" + kBoiling);
    const std::vector<Call> calls = show(ten);
    ASSERT_EQ(calls.size(), 22u);
    EXPECT_EQ(calls[19], icon(10, TagIcon::Boiling));
    EXPECT_EQ(calls[20], title(11, " "));
    EXPECT_EQ(calls[21], icon(11, TagIcon::Default));
}

}  // namespace
}  // namespace velvane
