// The internet client over the system's WinINet: each operation is the WinINet function of the
// same shape, with the texts made zero-terminated and "none" passed as a null pointer.
//
// Redirects are the exception: this client follows them itself. Wine's WinINet follows a
// redirect loop without end (5000 hops in 22 s in a trial) and has no option to limit it, so a
// service that redirects in a circle would hold the widget's refresh for ever. A request that
// would follow redirects is therefore opened with INTERNET_FLAG_NO_AUTO_REDIRECT, and
// sendRequest follows at most kMaxRedirects of them, as the libcurl backend does (where an
// answer leads, and with which verb, is net/wininet_redirect.h):
//  - A 301, 302, 303, 307 or 308 answer whose Location resolves to an http or https address is
//    followed: a new connection to that host and port, on the same internet handle and with the
//    original connection's settings, and on it a new request with the original's verb, path,
//    version, referrer, accepted types and flags (INTERNET_FLAG_SECURE matching the scheme),
//    the receive time-out, every option the caller set, and the same header text and body.
//    303 turns any verb but HEAD into a GET without body, 301 and 302 turn a POST into one, as
//    browsers and libcurl do; 307 and 308 keep verb and body. User name and password go along
//    only while scheme, host and port stay the original's, as libcurl does it.
//  - The first answer not followed is the request's answer, its header block and body what
//    queryInfo and readFile give: another status, no Location, another scheme, or the redirect
//    beyond the limit. (After the limit libcurl gives the same header block, but no body.)
//  - A hop that cannot connect, open or send makes sendRequest fail with that hop's error, and
//    the request answers as WinINet answers its own failed redirect: with the header block of
//    the last redirect and an empty body.
// The caller keeps its own request handle throughout: readFile, queryInfo and setOption act on
// the latest hop, and closing it closes every handle opened for the hops. Cookies need nothing
// here: WinINet's own store sees every hop, unless the request's flags say not to use it.
#include <windows.h>
#include <wininet.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "net/internet_client.h"
#include "net/wininet_redirect.h"

namespace velvane {
namespace {

static_assert(kInternetOpenTypeDirect == INTERNET_OPEN_TYPE_DIRECT);
static_assert(kInternetOpenTypeProxy == INTERNET_OPEN_TYPE_PROXY);
static_assert(kInternetServiceHttp == INTERNET_SERVICE_HTTP);
static_assert(kInternetFlagReload == INTERNET_FLAG_RELOAD);
static_assert(kInternetFlagNeedFile == INTERNET_FLAG_NEED_FILE);
static_assert(kInternetFlagNoCookies == INTERNET_FLAG_NO_COOKIES);
static_assert(kInternetFlagNoAutoRedirect == INTERNET_FLAG_NO_AUTO_REDIRECT);
static_assert(kInternetFlagSecure == INTERNET_FLAG_SECURE);
static_assert(kInternetFlagIgnoreRedirectToHttps == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS);
static_assert(kInternetFlagIgnoreRedirectToHttp == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP);
static_assert(kInternetOptionSecurityFlags == INTERNET_OPTION_SECURITY_FLAGS);
static_assert(kSecurityFlagIgnoreRevocation == SECURITY_FLAG_IGNORE_REVOCATION);
static_assert(kSecurityFlagIgnoreUnknownCa == SECURITY_FLAG_IGNORE_UNKNOWN_CA);
static_assert(kSecurityFlagIgnoreWrongUsage == SECURITY_FLAG_IGNORE_WRONG_USAGE);
static_assert(kSecurityFlagIgnoreCertCnInvalid == SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
static_assert(kSecurityFlagIgnoreCertDateInvalid == SECURITY_FLAG_IGNORE_CERT_DATE_INVALID);
static_assert(kSecurityFlagIgnoreRedirectToHttps == SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS);
static_assert(kSecurityFlagIgnoreRedirectToHttp == SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP);
static_assert(kSecurityFlagIgnoreWeakSignature == SECURITY_FLAG_IGNORE_WEAK_SIGNATURE);
static_assert(kHttpQueryRawHeadersCrlf == HTTP_QUERY_RAW_HEADERS_CRLF);

// Wine's WinINet reports no receive time-out and waits for a silent server without end, which
// would freeze the widget in a refresh. Every request therefore gets an explicit one: 30 s of
// silence, the figure the libcurl backend uses. Wine honours it only on the request handle.
constexpr DWORD kReceiveTimeoutMilliseconds = 30000;

constexpr int kMaxRedirects = 10;
constexpr std::string_view kGetVerb = "GET";

HINTERNET toNative(InternetHandle handle) {
    return reinterpret_cast<HINTERNET>(static_cast<std::uintptr_t>(handle));
}

InternetHandle fromNative(HINTERNET handle) {
    return InternetHandle{reinterpret_cast<std::uintptr_t>(handle)};
}

std::optional<std::string> copyText(std::optional<std::string_view> text) {
    return text ? std::optional<std::string>(std::string(*text)) : std::nullopt;
}

const char* orNull(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

// A WinINet handle, closed by its owner.
class NativeHandle {
  public:
    NativeHandle() = default;
    explicit NativeHandle(HINTERNET handle) : handle_(handle) {}
    ~NativeHandle() { close(); }
    NativeHandle(NativeHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    NativeHandle& operator=(NativeHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    void close() {
        if (handle_ != nullptr) {
            InternetCloseHandle(handle_);
            handle_ = nullptr;
        }
    }

    HINTERNET handle_ = nullptr;
};

// What a connection was opened with, so that a redirect can open its like to another host.
struct ConnectionSettings {
    HINTERNET internet = nullptr;
    std::string host;
    INTERNET_PORT port = 0;
    std::optional<std::string> userName;
    std::optional<std::string> password;
    DWORD service = 0;
    DWORD flags = 0;
    DWORD_PTR context = 0;
};

struct RequestSettings {
    std::string verb;
    std::string path;
    std::string version;
    std::optional<std::string> referrer;
    std::vector<std::string> acceptTypes;
    DWORD flags = 0;
    DWORD_PTR context = 0;
};

// One hop of a followed redirect: a connection of its own and the request on it.
struct Hop {
    NativeHandle connection;
    NativeHandle request;  // declared last, so closed first
};

// A request whose redirects this client follows, keyed by the caller's own request handle.
struct FollowedRequest {
    HINTERNET callerConnection = nullptr;
    ConnectionSettings connection;
    RequestSettings request;
    std::vector<std::pair<DWORD, std::vector<unsigned char>>> options;  // as the caller set them
    std::optional<Hop> hop;  // the latest hop; none while the caller's own request answers
    bool hopFailed = false;  // a hop failed: the body reads empty
};

HINTERNET connectNative(const ConnectionSettings& settings, bool withCredentials) {
    return InternetConnectA(settings.internet, settings.host.c_str(), settings.port,
                            withCredentials ? orNull(settings.userName) : nullptr,
                            withCredentials ? orNull(settings.password) : nullptr, settings.service,
                            settings.flags, settings.context);
}

bool setNativeOption(HINTERNET handle, DWORD option, std::span<const unsigned char> value) {
    std::vector<unsigned char> buffer(value.begin(), value.end());
    return InternetSetOptionA(handle, option, buffer.data(), static_cast<DWORD>(buffer.size())) !=
           FALSE;
}

HINTERNET openNativeRequest(HINTERNET connection, const RequestSettings& settings) {
    std::vector<const char*> typeList;
    for (const std::string& type : settings.acceptTypes) {
        typeList.push_back(type.c_str());
    }
    typeList.push_back(nullptr);
    HINTERNET request = HttpOpenRequestA(connection, settings.verb.c_str(), settings.path.c_str(),
                                         settings.version.c_str(), orNull(settings.referrer),
                                         settings.acceptTypes.empty() ? nullptr : typeList.data(),
                                         settings.flags, settings.context);
    if (request != nullptr) {
        DWORD timeout = kReceiveTimeoutMilliseconds;
        InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    }
    return request;
}

bool sendNative(HINTERNET request, std::string_view headers, std::span<const unsigned char> body) {
    std::vector<unsigned char> optional(body.begin(), body.end());
    return HttpSendRequestA(request, headers.empty() ? nullptr : headers.data(),
                            static_cast<DWORD>(headers.size()),
                            optional.empty() ? nullptr : optional.data(),
                            static_cast<DWORD>(optional.size())) != FALSE;
}

DWORD statusOf(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        return 0;
    }
    return status;
}

// The address the caller's own request goes to.
RequestTarget originOf(const FollowedRequest& followed) {
    return requestTarget((followed.request.flags & INTERNET_FLAG_SECURE) != 0,
                         followed.connection.host, followed.connection.port, followed.request.path);
}

// Connects to the target, opens the request there as the caller's was opened, and sends it.
// On failure it closes what it opened and leaves the failing call's error as the last error.
std::optional<Hop> sendHop(const FollowedRequest& followed, const RequestTarget& target,
                           std::string_view verb, std::string_view headers,
                           std::span<const unsigned char> body) {
    DWORD error = ERROR_SUCCESS;
    {
        ConnectionSettings connection = followed.connection;
        connection.host = target.host;
        connection.port = target.port;
        RequestSettings request = followed.request;
        request.verb = std::string(verb);
        request.path = target.path;
        request.flags = target.secure ? request.flags | INTERNET_FLAG_SECURE
                                      : request.flags & ~DWORD{INTERNET_FLAG_SECURE};

        Hop hop;
        hop.connection =
            NativeHandle(connectNative(connection, sameOrigin(target, originOf(followed))));
        if (hop.connection) {
            hop.request = NativeHandle(openNativeRequest(hop.connection.get(), request));
        }
        bool ok = static_cast<bool>(hop.request);
        for (const auto& [option, value] : followed.options) {
            ok = ok && setNativeOption(hop.request.get(), option, value);
        }
        if (ok && sendNative(hop.request.get(), headers, body)) {
            return hop;
        }
        error = GetLastError();
    }
    SetLastError(error);
    return std::nullopt;
}

class WinInetClient final : public InternetClient {
  public:
    InternetHandle open(std::string_view userAgent, std::uint32_t accessType,
                        std::optional<std::string_view> proxy,
                        std::optional<std::string_view> proxyBypass, std::uint32_t flags) override {
        const std::string agent(userAgent);
        return fromNative(InternetOpenA(agent.c_str(), accessType, orNull(copyText(proxy)),
                                        orNull(copyText(proxyBypass)), flags));
    }

    InternetHandle connect(InternetHandle internet, std::string_view host, std::uint16_t port,
                           std::optional<std::string_view> userName,
                           std::optional<std::string_view> password, std::uint32_t service,
                           std::uint32_t flags, std::uintptr_t context) override {
        ConnectionSettings settings{
            toNative(internet), std::string(host), port,  copyText(userName),
            copyText(password), service,           flags, context};
        HINTERNET connection = connectNative(settings, true);
        if (connection != nullptr) {
            connections_.insert_or_assign(connection, std::move(settings));
        }
        return fromNative(connection);
    }

    InternetHandle openRequest(InternetHandle connection, std::string_view verb,
                               std::string_view path, std::string_view version,
                               std::optional<std::string_view> referrer,
                               std::span<const std::string_view> acceptTypes, std::uint32_t flags,
                               std::uintptr_t context) override {
        RequestSettings settings{std::string(verb),
                                 std::string(path),
                                 std::string(version),
                                 copyText(referrer),
                                 {acceptTypes.begin(), acceptTypes.end()},
                                 flags,
                                 context};
        const auto parent = connections_.find(toNative(connection));
        const bool follow =
            (flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0 && parent != connections_.end();
        if (follow) {
            settings.flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
        }
        HINTERNET request = openNativeRequest(toNative(connection), settings);
        if (request != nullptr && follow) {
            FollowedRequest followed;
            followed.callerConnection = parent->first;
            followed.connection = parent->second;
            followed.request = std::move(settings);
            followed_.erase(request);  // an entry left by a handle closed elsewhere
            followed_.emplace(request, std::move(followed));
        }
        return fromNative(request);
    }

    // An option set on a followed request is set on the caller's own request and on the latest
    // hop, and kept for the hops to come.
    bool setOption(InternetHandle handle, std::uint32_t option,
                   std::span<const unsigned char> value) override {
        HINTERNET own = toNative(handle);
        if (!setNativeOption(own, option, value)) {
            return false;
        }
        const auto found = followed_.find(own);
        if (found == followed_.end()) {
            return true;
        }
        FollowedRequest& followed = found->second;
        std::erase_if(followed.options, [&](const auto& kept) { return kept.first == option; });
        followed.options.emplace_back(option,
                                      std::vector<unsigned char>(value.begin(), value.end()));
        return !followed.hop || setNativeOption(followed.hop->request.get(), option, value);
    }

    bool sendRequest(InternetHandle request, std::string_view headers,
                     std::span<const unsigned char> body) override {
        HINTERNET own = toNative(request);
        const auto found = followed_.find(own);
        if (found == followed_.end()) {
            return sendNative(own, headers, body);
        }
        FollowedRequest& followed = found->second;
        followed.hop.reset();  // a request sent again starts from its own address
        followed.hopFailed = false;
        if (!sendNative(own, headers, body)) {
            return false;
        }
        RequestTarget current = originOf(followed);
        std::string verb = followed.request.verb;
        std::vector<unsigned char> content(body.begin(), body.end());
        for (int redirects = 0;; ++redirects) {
            HINTERNET answer = followed.hop ? followed.hop->request.get() : own;
            const DWORD status = statusOf(answer);
            std::optional<RequestTarget> next = redirectTarget(answer, status, current);
            if (!next || redirects == kMaxRedirects) {
                return true;
            }
            if (!redirectKeepsVerb(status, verb)) {
                verb = kGetVerb;
                content.clear();
            }
            std::optional<Hop> hop = sendHop(followed, *next, verb, headers, content);
            if (!hop) {
                followed.hopFailed = true;  // the last error stays the failing hop's
                return false;
            }
            followed.hop.reset();  // the hop before closes, its request first
            followed.hop = std::move(hop);
            current = std::move(*next);
        }
    }

    bool readFile(InternetHandle request, std::span<unsigned char> buffer,
                  std::uint32_t& bytesRead) override {
        bytesRead = 0;
        const auto found = followed_.find(toNative(request));
        if (found != followed_.end() && found->second.hopFailed) {
            return true;
        }
        DWORD count = 0;
        const bool ok = InternetReadFile(answering(request), buffer.data(),
                                         static_cast<DWORD>(buffer.size()), &count) != FALSE;
        bytesRead = ok ? count : 0;
        return ok;
    }

    QueryResult queryInfo(InternetHandle request, std::uint32_t infoLevel, std::span<char> buffer,
                          std::uint32_t& length, std::uint32_t* index) override {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD position = index != nullptr ? *index : 0;
        const bool ok = HttpQueryInfoA(answering(request), infoLevel, buffer.data(), &size,
                                       index != nullptr ? &position : nullptr) != FALSE;
        const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (index != nullptr) {
            *index = position;
        }
        if (ok) {
            length = size;
            return QueryResult::kOk;
        }
        if (error == ERROR_INSUFFICIENT_BUFFER) {
            length = size;
            return QueryResult::kInsufficientBuffer;
        }
        return QueryResult::kFailed;
    }

    // Closing a handle closes its followed redirects' hops too: those of a request, and those
    // of every request below a connection or internet handle, which WinINet closes with it.
    bool closeHandle(InternetHandle handle) override {
        HINTERNET native = toNative(handle);
        std::erase_if(followed_, [&](const auto& entry) {
            return entry.first == native || entry.second.callerConnection == native ||
                   entry.second.connection.internet == native;
        });
        std::erase_if(connections_, [&](const auto& entry) {
            return entry.first == native || entry.second.internet == native;
        });
        return InternetCloseHandle(native) != FALSE;
    }

  private:
    // The native request that answers for the caller's: the latest hop's, or its own.
    HINTERNET answering(InternetHandle request) const {
        const auto found = followed_.find(toNative(request));
        if (found != followed_.end() && found->second.hop) {
            return found->second.hop->request.get();
        }
        return toNative(request);
    }

    std::map<HINTERNET, ConnectionSettings> connections_;
    std::map<HINTERNET, FollowedRequest> followed_;
};

}  // namespace

std::unique_ptr<InternetClient> makeSystemInternetClient() {
    return std::make_unique<WinInetClient>();
}

}  // namespace velvane
