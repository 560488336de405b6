// The web request routine over a fake internet client that answers with the fuzzer's raw
// header block and body: the block comes back as it was given (up to its first zero byte), the
// body whole, and the response's cookies are gathered from the block's "Set-Cookie" lines. The
// address, the caller's header lines and cookies come from the fuzzer too, so the composition
// of the request runs on hostile input as well.
//
// Input: flags and sizes from the end of the data, then the address (up to 128 bytes), the
// caller's header text and cookie text (up to 256 bytes each) and the header block (up to
// 8 KiB); the rest is the body.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "net/fake_internet_client.h"
#include "net/web_request.h"
#include "text/text_ops.h"

namespace {

using velvane::Text;

constexpr std::size_t kMaxHeaderBlockBytes = 8 << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool callerCookies = input.ConsumeBool();
    const bool merge = input.ConsumeBool();
    const int method = input.ConsumeIntegralInRange<int>(-1, 8);
    const std::size_t chunkBytes = input.ConsumeIntegralInRange<std::size_t>(1, 2048);
    const std::string url = input.ConsumeRandomLengthString(128);
    const std::string extraHeaders = input.ConsumeRandomLengthString(256);
    const std::string cookieText = input.ConsumeRandomLengthString(256);
    const std::string headerBlock = input.ConsumeRandomLengthString(kMaxHeaderBlockBytes);
    const std::string body = input.ConsumeRemainingBytesAsString();

    velvane::FakeInternetClient client;
    client.headerBlock = headerBlock;
    client.body.assign(body.begin(), body.end());
    client.chunkBytes = chunkBytes;

    Text cookies = cookieText;
    Text responseCookies = "unset";
    Text responseHeaders = "unset";
    const velvane::ByteArray received =
        velvane::webRequest(client, url,
                            {.method = method,
                             .postText = "a=1",
                             .cookies = callerCookies ? &cookies : nullptr,
                             .responseCookies = &responseCookies,
                             .extraHeaders = extraHeaders,
                             .responseHeaders = &responseHeaders,
                             .autoMergeCookies = merge});

    FUZZ_CHECK(received == client.body);
    FUZZ_CHECK(responseHeaders == headerBlock.substr(0, headerBlock.find('\0')));
    FUZZ_CHECK(client.sends.size() == 1 && client.closed.size() == 3);

    // Without a merge, the cookies are the first pairs of the "Set-Cookie" lines, in order.
    if (!callerCookies || !merge) {
        int setCookieLines = 0;
        for (const Text& line : velvane::splitText(responseHeaders, "\r\n")) {
            setCookieLines += line.starts_with("Set-Cookie: ") ? 1 : 0;
        }
        FUZZ_CHECK(setCookieLines > 0 || responseCookies.empty());
        FUZZ_CHECK(!responseCookies.ends_with("; ") || setCookieLines > 1);
    } else {
        FUZZ_CHECK(responseCookies == cookies);
    }
    return 0;
}
