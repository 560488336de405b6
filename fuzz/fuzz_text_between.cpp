// textBetween on arbitrary sources and markers: the result is always a piece of the source that
// lies after the start marker and before an end marker.
//
// Input: the start position and the case flag from the end of the data, then the two markers
// of up to 16 bytes each (where "#引号" stands for a double quote), the rest is the source.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "hotlist/text_between.h"
#include "text/text_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int start = input.ConsumeIntegralInRange<int>(-2, 1 << 16);
    const bool ignoreCase = input.ConsumeBool();
    const std::string startMarker = input.ConsumeRandomLengthString(16);
    const std::string endMarker = input.ConsumeRandomLengthString(16);
    const std::string source = input.ConsumeRemainingBytesAsString();

    const velvane::Text between =
        velvane::textBetween(source, startMarker, endMarker, start, ignoreCase);

    const velvane::Text opening = velvane::replaceAll(startMarker, velvane::kQuoteToken, "\"");
    const velvane::Text closing = velvane::replaceAll(endMarker, velvane::kQuoteToken, "\"");
    if (opening.empty() || closing.empty()) {
        FUZZ_CHECK(between.empty());
        return 0;
    }
    const int openingAt = velvane::findText(source, opening, start, ignoreCase);
    if (openingAt < 0) {
        FUZZ_CHECK(between.empty());
        return 0;
    }
    // The result starts right after the start marker and is followed by the end marker.
    const auto contentAt = static_cast<std::size_t>(openingAt - 1) + opening.size();
    FUZZ_CHECK(source.compare(contentAt, between.size(), between) == 0);
    const int closingAt =
        velvane::findText(source, closing, static_cast<int>(contentAt) + 1, ignoreCase);
    if (closingAt < 0) {
        FUZZ_CHECK(between.empty());
    } else {
        FUZZ_CHECK(contentAt + between.size() == static_cast<std::size_t>(closingAt - 1));
    }
    return 0;
}
