// Page parsing on pages of the fuzzer's making: parseHotRows, then showHotRows into recording
// slots. Every row is "title|tag", one per match of the row pattern, no row appears without a
// link's closing tag to match it, and the slots are written 1 to 11 in order, each title before its
// picture.
//
// Input: the first byte chooses the path: odd bytes send the rest through the refresh's own
// decoding first (cut at the first zero byte, then UTF-8 to code page 936), even bytes hand the
// rest to the parser as it is.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "hotlist/display_slots.h"
#include "hotlist/hot_rows.h"
#include "text/code_page.h"
#include "text/pattern_matcher.h"
#include "text/text_ops.h"

namespace {

using velvane::Text;

// Checks the order of the calls as they come.
class CheckingSlots final : public velvane::DisplaySlots {
  public:
    explicit CheckingSlots(const velvane::HotRowList& rows) : rows_(rows) {}

    void setTitle(int slot, std::string_view caption) override {
        FUZZ_CHECK(slot == lastTitled_ + 1 && slot <= velvane::kDisplaySlotCount);
        lastTitled_ = slot;
        const auto index = static_cast<std::size_t>(slot - 1);
        if (index < rows_.size()) {
            // the caption is the row up to its first bar
            FUZZ_CHECK(std::string_view(rows_[index]).starts_with(caption));
            FUZZ_CHECK(caption.size() == rows_[index].size() ||
                       rows_[index][caption.size()] == '|');
        } else {
            FUZZ_CHECK(caption == velvane::kStartupCaption);
        }
    }

    void setTagIcon(int slot, velvane::TagIcon) override {
        FUZZ_CHECK(slot == lastTitled_ && slot > lastPictured_);
        lastPictured_ = slot;
    }

    int titled() const { return lastTitled_; }

  private:
    const velvane::HotRowList& rows_;
    int lastTitled_ = 0;
    int lastPictured_ = 0;
};

// Every row ends a link, so there are no more rows than "</a>" in either letter case, counted
// at every byte.
int countLinkEnds(std::string_view page) {
    int count = 0;
    for (std::size_t at = 0; at + 4 <= page.size(); ++at) {
        count += page[at] == '<' && page[at + 1] == '/' && (page[at + 2] | 0x20) == 'a' &&
                         page[at + 3] == '>'
                     ? 1
                     : 0;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);
    Text page;
    if ((data[0] & 1) != 0) {
        page = velvane::utf8ToLocal(raw.substr(0, raw.find('\0')));
    } else {
        page = Text(raw);
    }

    velvane::PatternMatcher matcher;
    const velvane::HotRowList rows = velvane::parseHotRows(matcher, page);
    FUZZ_CHECK(static_cast<int>(rows.size()) == matcher.matchCount());
    FUZZ_CHECK(static_cast<int>(rows.size()) <= countLinkEnds(page));
    for (const Text& row : rows) {
        FUZZ_CHECK(row.find('|') != Text::npos);
    }

    CheckingSlots slots(rows);
    velvane::showHotRows(rows, slots);
    FUZZ_CHECK(slots.titled() == velvane::kDisplaySlotCount);
    return 0;
}
