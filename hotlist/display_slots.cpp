#include "hotlist/display_slots.h"

#include <cstddef>

#include "text/text_ops.h"

namespace velvane {

// Fills the eleven slots from the first eleven rows, top to bottom.
//
// A row is split at its first bar into at most two pieces: the caption and the tag. A title
// that holds a bar therefore shows only its part before the bar, and the text after that bar is
// taken as the tag, which then usually names no picture. The bar is found at character starts
// only, so a double-byte character whose second byte is 0x7C ("|") is never cut. A row without
// a bar, or with nothing after it, has the empty text as its tag.
//
// A tag that names no picture leaves the slot's picture as it was, so the slot may go on showing
// the picture of the entry that held it before. A slot for which the list has no row returns to
// its start-up look (one blank and the plain square): a shorter list then never leaves the
// entries of an earlier refresh on show beside it.
//
// Each slot gets its caption before its picture, and is complete before the next one begins.
void showHotRows(const HotRowList& rows, DisplaySlots& slots) {
    for (int slot = 1; slot <= kDisplaySlotCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot - 1);
        if (index >= rows.size()) {
            slots.setTitle(slot, kStartupCaption);
            slots.setTagIcon(slot, TagIcon::Default);
            continue;
        }
        const std::vector<Text> pieces = splitText(rows[index], "|", 2);
        const std::string_view caption = pieces.empty() ? std::string_view() : pieces[0];
        const std::string_view tag = pieces.size() < 2 ? std::string_view() : pieces[1];
        slots.setTitle(slot, caption);
        if (const auto icon = tagIconForText(tag)) {
            slots.setTagIcon(slot, *icon);
        }
    }
}

}  // namespace velvane
