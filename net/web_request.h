// One complete HTTP request: header text composed with defaults, the whole body read, the raw
// response headers and the response's cookies handed back.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "net/internet_client.h"
#include "text/text.h"

namespace velvane {

// Everything but the address, in the routine's parameter order. A member left at its initial
// value counts as left out; outputs left out are discarded. Written with designated
// initializers: webRequest(url, {.extraHeaders = headers}).
struct WebRequestOptions {
    std::optional<int> method = std::nullopt;  // index into the method table; GET when out of range
    std::optional<std::string_view> postText = std::nullopt;
    Text* cookies = nullptr;  // in and out; given, even empty, the client's own cookies are off
    Text* responseCookies = nullptr;                              // out
    std::optional<std::string_view> extraHeaders = std::nullopt;  // lines separated by CR LF
    Text* responseHeaders = nullptr;                              // out
    std::optional<bool> noRedirect = std::nullopt;
    ByteArray* postBytes = nullptr;  // in and out; preferred to postText
    std::optional<std::string_view> proxy = std::nullopt;
    std::optional<bool> autoMergeCookies = std::nullopt;
    std::optional<bool> completeHeaders = std::nullopt;
    std::optional<bool> capitalizeHeaders = std::nullopt;
};

// The longest response body kept; reading stops there.
inline constexpr std::size_t kMaxResponseBodyBytes = std::size_t{32} << 20;

ByteArray webRequest(InternetClient& client, std::string_view url,
                     const WebRequestOptions& options = {});
ByteArray webRequest(std::string_view url, const WebRequestOptions& options = {});

}  // namespace velvane
