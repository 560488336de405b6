// Cookie merging on arbitrary cookie texts: the result goes back into the sent text, holds no
// exact repeat and no deleted cookie, and the received text is only tidied.
//
// Input: the sent text (up to 1024 bytes) first, the rest is the received text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "net/cookie_text.h"
#include "text/text_ops.h"

namespace {

using velvane::Text;

constexpr std::string_view kSeparator = "; ";

bool endsDeleted(std::string_view item) {
    return item.size() >= 8 && item.ends_with("=deleted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Text originalSent = input.ConsumeRandomLengthString(1024);
    const Text originalReceived = input.ConsumeRemainingBytesAsString();

    Text sent = originalSent;
    Text received = originalReceived;
    const Text merged = velvane::mergeCookieTexts(sent, received);

    FUZZ_CHECK(sent == merged);
    FUZZ_CHECK(received == velvane::trimBlanks(originalReceived) ||
               received == velvane::trimBlanks(originalReceived) + " ");
    // Joined once more, the result stays as it is; only an empty last item, which leaves a
    // final separator that splitting does not read as an item, goes.
    const Text again = velvane::uniqueJoin(merged, kSeparator);
    FUZZ_CHECK(again == merged || again + Text(kSeparator) == merged);

    const std::vector<Text> items = velvane::splitText(merged, kSeparator);
    std::vector<Text> seen;
    for (const Text& item : items) {
        FUZZ_CHECK(!endsDeleted(item));
        FUZZ_CHECK(velvane::indexOfText(seen, item) == -1);
        seen.push_back(item);
        FUZZ_CHECK(velvane::hasCookieNamed(seen, velvane::cookieName(item)));
    }

    const Text name = velvane::cookieName(originalReceived);
    FUZZ_CHECK(velvane::trimBlanks(name) == name);
    FUZZ_CHECK(originalReceived.find(name) != Text::npos);
    return 0;
}
