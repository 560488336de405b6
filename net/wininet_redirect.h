// Following HTTP redirects by hand over WinINet: where a request goes, where a redirect answer
// sends it next, and whether it keeps its verb on the way.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>
#include <string_view>

namespace velvane {

// Where a request goes: its absolute address, to resolve the next Location against, and the
// parts a connection and a request are opened with.
struct RequestTarget {
    std::string url;
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    std::string path;  // with the query
};

// The target of a request opened on a connection to `host` and `port`
// (INTERNET_INVALID_PORT_NUMBER: the scheme's own).
RequestTarget requestTarget(bool secure, std::string_view host, INTERNET_PORT port,
                            std::string_view path);

// Same scheme, host (in any case) and port: credentials may go along.
bool sameOrigin(const RequestTarget& a, const RequestTarget& b);

// Where the answer to a request for `current` sends it next: for a 301, 302, 303, 307 or 308
// whose Location resolves to an http or https address. None for any other answer.
std::optional<RequestTarget> redirectTarget(HINTERNET answer, DWORD status,
                                            const RequestTarget& current);

// Whether the request after a redirect keeps its verb and body, or becomes a GET without body.
bool redirectKeepsVerb(DWORD status, std::string_view verb);

}  // namespace velvane
