// The URL and header helpers on arbitrary addresses and header texts: hosts come out in lower
// case and without a port unless asked, paths start with "/" and come from the address, header
// names are re-cased once and for all, and values are pieces of their lines.
//
// Input: a separator of up to 8 bytes, then an address of up to 256 bytes, the rest is a
// header text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "net/header_text.h"
#include "net/url.h"
#include "text/text_ops.h"

namespace {

using velvane::Text;

void checkAddress(std::string_view address) {
    const Text host = velvane::urlHost(address);
    const Text hostAndPort = velvane::urlHost(address, true);
    FUZZ_CHECK(velvane::toLowerAscii(host) == host);
    FUZZ_CHECK(velvane::findText(host, ":") == -1);
    FUZZ_CHECK(std::string_view(hostAndPort).starts_with(host));
    FUZZ_CHECK(velvane::findText(hostAndPort, "/") == -1);

    velvane::urlPort(address);

    const Text path = velvane::urlPath(address);
    FUZZ_CHECK(path.starts_with('/'));
    FUZZ_CHECK(path == "/" || address.ends_with(path));
}

void checkHeaders(std::string_view headers, std::string_view separator) {
    const Text capitalized = velvane::capitalizeHeaderNames(headers);
    FUZZ_CHECK(velvane::capitalizeHeaderNames(capitalized) == capitalized);
    for (const Text& line : velvane::splitText(capitalized, "\r\n")) {
        const int colonAt = velvane::findText(line, ":");
        FUZZ_CHECK(colonAt > 0);
        // only the name changes, and only in the case of its letters
        const auto name = static_cast<std::size_t>(colonAt - 1);
        FUZZ_CHECK(headers.find(std::string_view(line).substr(name)) != std::string_view::npos);
        FUZZ_CHECK(velvane::toLowerAscii(headers).find(velvane::toLowerAscii(line)) != Text::npos);
    }

    const Text value = velvane::textAfterColon(headers);
    FUZZ_CHECK(headers.find(value) != std::string_view::npos);
    FUZZ_CHECK(value.empty() || velvane::findText(headers, ":") > 0);

    const Text before = velvane::textBefore(headers, separator);
    FUZZ_CHECK(headers.starts_with(before));
    if (!before.empty()) {
        FUZZ_CHECK(headers.substr(before.size()).starts_with(separator));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string separator = input.ConsumeRandomLengthString(8);
    const std::string address = input.ConsumeRandomLengthString(256);
    const std::string headers = input.ConsumeRemainingBytesAsString();
    checkAddress(address);
    checkAddress(headers);
    checkHeaders(headers, separator);
    checkHeaders(address, separator);
    return 0;
}
