#include "net/wininet_redirect.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace velvane {
namespace {

constexpr std::array<DWORD, 5> kFollowedStatuses = {
    HTTP_STATUS_MOVED, HTTP_STATUS_REDIRECT, HTTP_STATUS_REDIRECT_METHOD,
    HTTP_STATUS_REDIRECT_KEEP_VERB, HTTP_STATUS_PERMANENT_REDIRECT};
constexpr std::string_view kHeadVerb = "HEAD";
constexpr std::string_view kPostVerb = "POST";

// A Location header, and the address it resolves to, are read into a buffer of this size
// first, then of the size WinINet asks for, up to the limit; a longer one is not followed.
constexpr DWORD kTextBufferBytes = 1024;
constexpr DWORD kMaxTextBytes = 64 * 1024;

// A text that `fill(buffer, size)` writes: with a buffer of kTextBufferBytes first, then once
// more with the size it asks for. None when it fails or asks for more than kMaxTextBytes.
template <typename Fill>
std::optional<std::string> fetchText(Fill fill) {
    std::string buffer(kTextBufferBytes, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (fill(buffer.data(), size)) {
            buffer.resize(std::min<std::size_t>(size, buffer.find('\0')));
            return buffer;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size < buffer.size() ||
            size > kMaxTextBytes) {
            break;
        }
        buffer.assign(size + 1, '\0');
    }
    return std::nullopt;
}

// The parts of an http or https address; none for another scheme or an address without host.
std::optional<RequestTarget> targetOf(std::string url) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0) {
        return std::nullopt;
    }
    RequestTarget target;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.port = parts.nPort != 0 ? parts.nPort
                  : target.secure  ? INTERNET_DEFAULT_HTTPS_PORT
                                   : INTERNET_DEFAULT_HTTP_PORT;
    target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    target.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    target.path = target.path.substr(0, target.path.find('#'));  // the fragment stays here
    if (target.path.empty() || target.path.front() != '/') {
        target.path.insert(0, "/");
    }
    target.url = std::move(url);
    return target;
}

}  // namespace

RequestTarget requestTarget(bool secure, std::string_view host, INTERNET_PORT port,
                            std::string_view path) {
    RequestTarget target;
    target.secure = secure;
    target.host = host;
    target.port = port != INTERNET_INVALID_PORT_NUMBER ? port
                  : secure                             ? INTERNET_DEFAULT_HTTPS_PORT
                                                       : INTERNET_DEFAULT_HTTP_PORT;
    target.path = path;
    if (target.path.empty() || target.path.front() != '/') {
        target.path.insert(0, "/");
    }
    const bool bracketed = target.host.find(':') != std::string::npos;  // an IPv6 address
    target.url = (target.secure ? "https://" : "http://") +
                 (bracketed ? "[" + target.host + "]" : target.host) + ":" +
                 std::to_string(target.port) + target.path;
    return target;
}

bool sameOrigin(const RequestTarget& a, const RequestTarget& b) {
    return a.secure == b.secure && a.port == b.port &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.host.c_str(), -1, b.host.c_str(),
                          -1) == CSTR_EQUAL;
}

// The Location is resolved against the current address and must name an http or https one; a
// Location or address longer than kMaxTextBytes is not followed.
std::optional<RequestTarget> redirectTarget(HINTERNET answer, DWORD status,
                                            const RequestTarget& current) {
    if (std::find(kFollowedStatuses.begin(), kFollowedStatuses.end(), status) ==
        kFollowedStatuses.end()) {
        return std::nullopt;
    }
    const std::optional<std::string> location = fetchText([&](char* buffer, DWORD& size) {
        return HttpQueryInfoA(answer, HTTP_QUERY_LOCATION, buffer, &size, nullptr) != FALSE;
    });
    if (!location || location->empty()) {
        return std::nullopt;
    }
    // Spaces only are escaped, as WinINet does for the redirects it follows itself.
    std::optional<std::string> url = fetchText([&](char* buffer, DWORD& size) {
        return InternetCombineUrlA(current.url.c_str(), location->c_str(), buffer, &size,
                                   ICU_ENCODE_SPACES_ONLY) != FALSE;
    });
    return url ? targetOf(std::move(*url)) : std::nullopt;
}

// 303 turns any verb but HEAD into a GET, 301 and 302 turn a POST into one, as browsers and
// libcurl do; 307 and 308 keep verb and body.
bool redirectKeepsVerb(DWORD status, std::string_view verb) {
    switch (status) {
        case HTTP_STATUS_REDIRECT_METHOD:
            return verb == kHeadVerb;
        case HTTP_STATUS_MOVED:
        case HTTP_STATUS_REDIRECT:
            return verb != kPostVerb;
        default:
            return true;
    }
}

}  // namespace velvane
