#include "net/url.h"

#include "hotlist/text_between.h"
#include "text/text_ops.h"

namespace velvane {
namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr std::string_view kSecureScheme = "https://";
constexpr int kHttpPort = 80;
constexpr int kSecurePort = 443;

// Where the host begins: after the scheme marker that urlHost reads it from, or at the start.
int hostSearchStart(std::string_view address) {
    if (toLowerAscii(leftText(address, static_cast<int>(kSecureScheme.size()))) == kSecureScheme) {
        return static_cast<int>(kSecureScheme.size()) + 1;
    }
    const int schemeAt = findText(address, kHttpScheme, 1, true);
    return schemeAt < 0 ? 1 : schemeAt + static_cast<int>(kHttpScheme.size());
}

}  // namespace

// The host is whatever lies between the first scheme marker and the next "/" after it, in lower
// case. An address without a scheme is read as plain HTTP, and a closing "/" is supplied so that
// a bare host still has an end marker. A query that follows the host without a "/" therefore
// stays part of the host.
Text urlHost(std::string_view address, bool keepPort) {
    Text lowered = toLowerAscii(address);
    if (lowered.empty() || lowered.back() != '/') {
        lowered += '/';
    }

    Text host;
    if (leftText(lowered, static_cast<int>(kSecureScheme.size())) == kSecureScheme) {
        host = textBetween(lowered, kSecureScheme, "/");
    } else {
        if (findText(lowered, kHttpScheme) < 0) {
            lowered.insert(0, kHttpScheme);
        }
        host = textBetween(lowered, kHttpScheme, "/");
    }

    const int colonAt = findText(host, ":");
    if (!keepPort && colonAt > 0) {
        host = leftText(host, colonAt - 1);
    }
    return host;
}

// The number after the host's last ":", or the scheme's default port. A ":" followed by no
// digits gives 0.
int urlPort(std::string_view address) {
    const Text host = urlHost(address, true);
    const int colonAt = findLastText(host, ":");
    if (colonAt > 0) {
        return toInteger(middleText(host, colonAt + 1, static_cast<int>(host.size())));
    }
    return toLowerAscii(leftText(address, 5)) == "https" ? kSecurePort : kHttpPort;
}

// The path with its query, from the first "/" after the host, in the caller's case; "/" when
// the address has nothing after its host. The host is looked for after the scheme, so that a
// host such as "h" or "tp" is not found inside "http://" itself.
Text urlPath(std::string_view address) {
    const Text host = urlHost(address);
    const int hostAt = findText(address, host, hostSearchStart(address), true);
    const int slashAt = findText(address, "/", hostAt < 0 ? 1 : hostAt, true);
    if (slashAt < 0) {
        return "/";
    }
    return middleText(address, slashAt, static_cast<int>(address.size()));
}

}  // namespace velvane
