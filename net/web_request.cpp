#include "net/web_request.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "hotlist/text_between.h"
#include "net/cookie_text.h"
#include "net/header_text.h"
#include "net/url.h"
#include "text/text_ops.h"

namespace velvane {
namespace {

constexpr std::array<std::string_view, 8> kMethodNames = {
    "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT",
};
constexpr int kGetMethod = 0;
constexpr int kPostMethod = 1;

constexpr std::string_view kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::string_view kHttpVersion = "HTTP/1.1";
constexpr std::string_view kSecureScheme = "https://";
constexpr std::string_view kPlainProxyPrefix = "http=";
constexpr std::string_view kLineBreak = "\r\n";

constexpr std::uint32_t kAlwaysRequestFlags = kInternetFlagReload | kInternetFlagNeedFile;

// Redirects between HTTP and HTTPS are tolerated. The certificate checks are left on: a request
// that switched them off would accept any server claiming the host's name.
constexpr std::uint32_t kSecurityFlags =
    kSecurityFlagIgnoreRedirectToHttps | kSecurityFlagIgnoreRedirectToHttp;

constexpr std::size_t kReadChunkBytes = 1024;

// The header query starts with a buffer of this size and grows it to the size the client asks
// for, a few times at most and never beyond the largest block worth keeping.
constexpr std::uint32_t kHeaderBufferBytes = 5000;
constexpr int kHeaderQueryAttempts = 4;
constexpr std::uint32_t kMaxHeaderBlockBytes = std::uint32_t{1} << 20;

// What the request sends, worked out before any handle is opened.
struct RequestPlan {
    int method = kGetMethod;
    bool secure = false;
    Text userAgent;
    Text headers;  // the final header text
};

struct Response {
    ByteArray body;
    Text headers;
};

int methodIndex(std::optional<int> method) {
    const int index = method.value_or(kGetMethod);
    return index < 0 || index >= static_cast<int>(kMethodNames.size()) ? kGetMethod : index;
}

bool isSecureAddress(std::string_view url) {
    return toLowerAscii(leftText(url, static_cast<int>(kSecureScheme.size()))) == kSecureScheme;
}

// The value of the "User-Agent:" line. Its presence is checked ignoring case but its value is
// cut out respecting case, so a line named in another case yields nothing there, and the value
// falls back to everything after the first colon of the whole header text.
Text userAgentOf(std::string_view headers) {
    constexpr std::string_view kName = "User-Agent:";
    if (findText(headers, kName, 1, true) < 0) {
        return Text(kDefaultUserAgent);
    }
    Text value = trimBlanks(textBetween(Text(headers) + Text(kLineBreak), kName, kLineBreak));
    if (value.empty()) {
        value = textAfterColon(headers);
    }
    return value;
}

void appendLine(Text& headers, std::string_view line) {
    headers += kLineBreak;
    headers += line;
}

bool mentions(std::string_view headers, std::string_view name) {
    return findText(headers, name, 1, true) >= 0;
}

// Adds the lines a browser would send that the header text lacks. A name found anywhere, even
// inside another line, counts as present.
void completeHeaderText(Text& headers, std::string_view url, int method) {
    if (headers.empty()) {
        headers = "Accept: */*";
    }
    if (!mentions(headers, "Accept:")) {
        appendLine(headers, "Accept: */*");
    }
    if (!mentions(headers, "Referer:")) {
        appendLine(headers, Text("Referer: ") + Text(url));
    }
    if (!mentions(headers, "Accept-Language:")) {
        appendLine(headers, "Accept-Language: zh-cn");
    }
    if (method == kPostMethod && !mentions(headers, "Content-Type:")) {
        appendLine(headers, "Content-Type: application/x-www-form-urlencoded");
    }
}

// A cookie text that already carries its header name ("Cookie:", case respected) goes in as it
// is; any other gets the name put in front.
void appendCookieLine(Text& headers, std::string_view cookies) {
    if (cookies.empty()) {
        return;
    }
    if (findText(cookies, "Cookie:") < 0) {
        appendLine(headers, Text("Cookie: ") + Text(cookies));
    } else {
        appendLine(headers, cookies);
    }
}

RequestPlan planRequest(std::string_view url, const WebRequestOptions& options) {
    RequestPlan plan;
    plan.headers = Text(options.extraHeaders.value_or(""));
    if (options.capitalizeHeaders.value_or(true)) {
        plan.headers = capitalizeHeaderNames(plan.headers);
    }
    plan.method = methodIndex(options.method);
    plan.secure = isSecureAddress(url);
    plan.userAgent = userAgentOf(plan.headers);
    if (options.completeHeaders.value_or(true)) {
        completeHeaderText(plan.headers, url, plan.method);
    }
    if (options.cookies != nullptr) {
        appendCookieLine(plan.headers, *options.cookies);
    }
    return plan;
}

InternetHandle openInternet(InternetClient& client, const RequestPlan& plan,
                            std::string_view proxy) {
    if (proxy.empty()) {
        return client.open(plan.userAgent, kInternetOpenTypeDirect, std::nullopt, std::nullopt, 0);
    }
    // A plain-HTTP request names the proxy for the http scheme only.
    const Text proxyText = plan.secure ? Text(proxy) : Text(kPlainProxyPrefix) + Text(proxy);
    return client.open(plan.userAgent, kInternetOpenTypeProxy, proxyText, "", 0);
}

std::uint32_t requestFlags(const RequestPlan& plan, const WebRequestOptions& options) {
    std::uint32_t flags = kAlwaysRequestFlags;
    if (options.cookies != nullptr) {
        flags |= kInternetFlagNoCookies;
    }
    if (options.noRedirect.value_or(false)) {
        flags |= kInternetFlagNoAutoRedirect;
    }
    flags |= plan.secure ? kInternetFlagSecure : kInternetFlagIgnoreRedirectToHttps;
    return flags;
}

void setSecurityFlags(InternetClient& client, InternetHandle request) {
    std::array<unsigned char, sizeof kSecurityFlags> value{};
    std::memcpy(value.data(), &kSecurityFlags, value.size());
    client.setOption(request, kInternetOptionSecurityFlags, value);
}

// A GET sends no body. Any other method sends the bytes, or else the text, and hands the bytes
// sent back to the caller.
void sendRequest(InternetClient& client, InternetHandle request, const RequestPlan& plan,
                 const WebRequestOptions& options) {
    if (plan.method == kGetMethod) {
        client.sendRequest(request, plan.headers, {});
        return;
    }
    ByteArray discarded;
    ByteArray& body = options.postBytes != nullptr ? *options.postBytes : discarded;
    if (body.empty()) {
        const std::string_view text = options.postText.value_or("");
        body.assign(text.begin(), text.end());
    }
    client.sendRequest(request, plan.headers, body);
}

// Reads until the client delivers nothing (or fails), or until the body reaches its limit, so
// that an endless or huge response cannot exhaust memory.
ByteArray readBody(InternetClient& client, InternetHandle request) {
    ByteArray body;
    std::array<unsigned char, kReadChunkBytes> buffer{};
    while (body.size() < kMaxResponseBodyBytes) {
        std::uint32_t count = 0;
        if (!client.readFile(request, buffer, count) || count == 0) {
            break;
        }
        const std::size_t room = kMaxResponseBodyBytes - body.size();
        const std::size_t kept = std::min({std::size_t{count}, buffer.size(), room});
        body.insert(body.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kept));
    }
    return body;
}

// The raw response header block: the status line and the header lines, separated by CR LF.
// When the block does not fit, the query is repeated with the size the client asks for; when it
// fails, the block is the empty text.
Text queryRawHeaders(InternetClient& client, InternetHandle request) {
    std::uint32_t size = kHeaderBufferBytes;
    for (int attempt = 0; attempt < kHeaderQueryAttempts; ++attempt) {
        Text buffer(size, '\0');
        std::uint32_t length = size;
        const QueryResult result =
            client.queryInfo(request, kHttpQueryRawHeadersCrlf, buffer, length, nullptr);
        if (result == QueryResult::kOk) {
            buffer.resize(static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') -
                                                   buffer.begin()));
            return buffer;
        }
        if (result != QueryResult::kInsufficientBuffer || length <= size ||
            length > kMaxHeaderBlockBytes) {
            break;
        }
        size = length;
    }
    return {};
}

// Opens the three handles, sends, reads the body and the header block, and closes the handles
// again (request, connection, internet). Nothing when a handle cannot be opened.
std::optional<Response> exchange(InternetClient& client, std::string_view url,
                                 const RequestPlan& plan, const WebRequestOptions& options) {
    const ScopedInternetHandle internet(client,
                                        openInternet(client, plan, options.proxy.value_or("")));
    if (!internet) {
        return std::nullopt;
    }
    const ScopedInternetHandle connection(
        client,
        client.connect(internet.get(), urlHost(url), static_cast<std::uint16_t>(urlPort(url)),
                       std::nullopt, std::nullopt, kInternetServiceHttp, 0, 0));
    if (!connection) {
        return std::nullopt;
    }
    const ScopedInternetHandle request(
        client, client.openRequest(
                    connection.get(), kMethodNames[static_cast<std::size_t>(plan.method)],
                    urlPath(url), kHttpVersion, std::nullopt, {}, requestFlags(plan, options), 0));
    if (!request) {
        return std::nullopt;
    }
    setSecurityFlags(client, request.get());
    sendRequest(client, request.get(), plan, options);

    Response response;
    response.body = readBody(client, request.get());
    response.headers = queryRawHeaders(client, request.get());
    return response;
}

// The first name=value pair of every "Set-Cookie" line (name case respected), in header order,
// joined by "; ". A line without ";" is taken whole, less its header name.
Text gatherResponseCookies(std::string_view headers) {
    constexpr std::string_view kName = "Set-Cookie:";
    Text cookies;
    for (const Text& line : splitText(headers, kLineBreak)) {
        if (textBefore(line, ": ") != "Set-Cookie") {
            continue;
        }
        if (findText(line, ";") >= 0) {
            cookies += trimBlanks(textBetween(line, kName, ";"));
        } else {
            cookies += trimBlanks(replaceAll(line, kName, "", true));
        }
        cookies += "; ";
    }
    return leftText(cookies, static_cast<int>(cookies.size()) - 2);
}

}  // namespace

// One complete request over the given internet client. The header text, the user agent and
// the flags are worked out first; then the request is made and its whole body read. The raw
// header block and the response's cookies go to the outputs, and when the caller manages
// cookies and leaves merging on, the response's cookies are merged into the caller's. When a
// handle cannot be opened, the result is empty and no output is touched.
ByteArray webRequest(InternetClient& client, std::string_view url,
                     const WebRequestOptions& options) {
    const RequestPlan plan = planRequest(url, options);
    std::optional<Response> response = exchange(client, url, plan, options);
    if (!response) {
        return {};
    }

    Text cookies = gatherResponseCookies(response->headers);
    if (options.cookies != nullptr && options.autoMergeCookies.value_or(true)) {
        cookies = mergeCookieTexts(*options.cookies, cookies);
    }
    if (options.responseHeaders != nullptr) {
        *options.responseHeaders = std::move(response->headers);
    }
    if (options.responseCookies != nullptr) {
        *options.responseCookies = std::move(cookies);
    }
    return std::move(response->body);
}

ByteArray webRequest(std::string_view url, const WebRequestOptions& options) {
    const std::unique_ptr<InternetClient> client = makeSystemInternetClient();
    return webRequest(*client, url, options);
}

}  // namespace velvane
