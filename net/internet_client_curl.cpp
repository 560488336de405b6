// The internet client over libcurl, for systems without WinINet.
//
// WinINet's three handles map onto plain records: the internet handle keeps the user agent and
// the proxy, the connection handle the host and port, and the request handle everything the
// request needs, copied, so that closing the handles in any order is safe. Sending builds one
// libcurl transfer and runs it on a private multi handle until the final response's headers
// are in, as HttpSendRequest returns once the headers have arrived. Reading then runs the
// transfer on demand: the body is handed over as it arrives, and the transfer is paused while
// more than kPendingLimitBytes wait unread, so a huge body never piles up here.
//
// WinINet's behaviour is mirrored where libcurl's differs: the header text goes out line by
// line as given (libcurl's own Accept, Content-Type and Expect lines are suppressed unless the
// text brings its own), redirects to http and https are followed up to ten times unless the
// request says not to, cookies live in one store for the whole process unless the request says
// not to use them, a connection attempt gives up after 60 s and a transfer after 30 s without
// data, and the proxy is never taken from the environment. Certificates are always verified. Not
// carried over: the proxy bypass list, asynchronous operation and the flags given at open and
// connect.
#include <curl/curl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "net/internet_client.h"
#include "text/text.h"
#include "text/text_ops.h"

namespace velvane {
namespace {

constexpr long kMaxRedirects = 10;
// libcurl would also follow a redirect to FTP; WinINet's client follows only these.
constexpr const char* kRedirectProtocols = "http,https";
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kSilenceTimeoutSeconds = 30;
constexpr int kPollMilliseconds = 1000;
constexpr std::size_t kPendingLimitBytes = std::size_t{256} << 10;

constexpr std::string_view kLineBreak = "\r\n";

// libcurl's process-wide set-up, done once before the first handle.
bool initializeCurl() {
    static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialized;
}

// The one cookie store of the process, shared by every transfer that uses cookies.
class CookieStore {
  public:
    static CURLSH* share() {
        static CookieStore store;
        return store.share_.get();
    }

  private:
    CookieStore() : share_(curl_share_init()) {
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share_.get(), CURLSHOPT_LOCKFUNC, &lock);
        curl_share_setopt(share_.get(), CURLSHOPT_UNLOCKFUNC, &unlock);
    }

    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static void lock(CURL*, curl_lock_data, curl_lock_access, void*) { mutex().lock(); }
    static void unlock(CURL*, curl_lock_data, void*) { mutex().unlock(); }

    struct Cleanup {
        void operator()(CURLSH* share) const { curl_share_cleanup(share); }
    };
    std::unique_ptr<CURLSH, Cleanup> share_;
};

struct Session {
    Text userAgent;
    std::optional<Text> proxy;  // WinINet's proxy list; none for direct access
};

struct Connection {
    Session session;
    Text host;
    std::uint16_t port = 0;
    std::optional<Text> userName;
    std::optional<Text> password;
};

// The name of a header line, up to its ":" (or the ";" of libcurl's empty-value form).
std::string_view headerName(std::string_view line) {
    return line.substr(0, std::min(line.find(':'), line.find(';')));
}

bool hasHeader(const std::vector<Text>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(), [&](const Text& line) {
        return toLowerAscii(headerName(line)) == toLowerAscii(name);
    });
}

// The header text's lines, empty ones left out as WinINet leaves them out.
std::vector<Text> headerLines(std::string_view headers) {
    std::vector<Text> lines;
    for (Text& line : splitText(headers, kLineBreak)) {
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

// libcurl reads "Name:" with nothing after it as "do not send Name"; "Name;" sends it empty.
Text asCurlHeader(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos &&
        line.find_first_not_of(" \t", colon + 1) == std::string_view::npos) {
        return Text(line.substr(0, colon)) + ";";
    }
    return Text(line);
}

// Picks the proxy for a scheme out of WinINet's proxy list: entries separated by blanks or
// ";", each "scheme=proxy" or a bare proxy for every scheme. Empty when none applies.
Text proxyFor(std::string_view list, std::string_view scheme) {
    Text forAll;
    for (const Text& piece : splitText(replaceAll(list, ";", " "), " ")) {
        const std::size_t equals = piece.find('=');
        if (equals == Text::npos) {
            forAll = forAll.empty() ? piece : forAll;
        } else if (toLowerAscii(piece.substr(0, equals)) == scheme) {
            return piece.substr(equals + 1);
        }
    }
    return forAll;
}

int statusOf(std::string_view statusLine) {
    const std::size_t blank = statusLine.find(' ');
    return blank == std::string_view::npos ? 0 : toInteger(statusLine.substr(blank + 1));
}

// One request and its libcurl transfer.
class Request {
  public:
    Request(const Connection& connection, std::string_view verb, std::string_view path,
            std::string_view version, std::optional<std::string_view> referrer,
            std::span<const std::string_view> acceptTypes, std::uint32_t flags)
        : connection_(connection),
          verb_(verb),
          path_(path),
          version_(version),
          referrer_(referrer ? std::optional<Text>(Text(*referrer)) : std::nullopt),
          acceptTypes_(acceptTypes.begin(), acceptTypes.end()),
          flags_(flags) {}

    ~Request() { endTransfer(); }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    bool send(std::string_view headers, std::span<const unsigned char> body) {
        endTransfer();
        body_.assign(body.begin(), body.end());
        easy_ = curl_easy_init();
        multi_ = curl_multi_init();
        if (easy_ == nullptr || multi_ == nullptr || !configure(headers) ||
            curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
            return false;
        }
        added_ = true;
        runUntil([this] { return headersComplete_; });
        return headersComplete_ || result_ == CURLE_OK;
    }

    bool read(std::span<unsigned char> buffer, std::uint32_t& bytesRead) {
        bytesRead = 0;
        if (easy_ == nullptr) {
            return false;
        }
        while (pendingAt_ == pending_.size()) {
            pending_.clear();
            pendingAt_ = 0;
            if (paused_) {
                paused_ = false;
                curl_easy_pause(easy_, CURLPAUSE_CONT);
            } else if (done_) {
                return result_ == CURLE_OK;
            } else {
                runUntil([this] { return !pending_.empty() || paused_; });
            }
        }
        const std::size_t count = std::min(buffer.size(), pending_.size() - pendingAt_);
        std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_), count,
                    buffer.begin());
        pendingAt_ += count;
        bytesRead = static_cast<std::uint32_t>(count);
        return true;
    }

    // The final response's status line and header lines, each ended by CR LF, then the empty
    // line that ends the block.
    const Text& rawHeaders() const { return headerBlock_; }

  private:
    bool secure() const { return (flags_ & kInternetFlagSecure) != 0; }

    bool followsRedirects() const { return (flags_ & kInternetFlagNoAutoRedirect) == 0; }

    Text address() const {
        Text url = secure() ? "https://" : "http://";
        url += connection_.host;
        if (connection_.port != 0) {
            url += ":" + std::to_string(connection_.port);
        }
        return url + path_;
    }

    template <typename Value>
    bool set(CURLoption option, Value value) {
        return curl_easy_setopt(easy_, option, value) == CURLE_OK;
    }

    bool configure(std::string_view headers) {
        const Text url = address();
        const Text proxy = connection_.session.proxy
                               ? proxyFor(*connection_.session.proxy, secure() ? "https" : "http")
                               : Text();
        bool ok = set(CURLOPT_URL, url.c_str()) && set(CURLOPT_PROXY, proxy.c_str()) &&
                  set(CURLOPT_NOSIGNAL, 1L) &&
                  set(CURLOPT_HTTP_VERSION,
                      version_ == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1) &&
                  set(CURLOPT_USERAGENT, connection_.session.userAgent.c_str()) &&
                  set(CURLOPT_FOLLOWLOCATION, followsRedirects() ? 1L : 0L) &&
                  set(CURLOPT_MAXREDIRS, kMaxRedirects) &&
                  set(CURLOPT_REDIR_PROTOCOLS_STR, kRedirectProtocols) &&
                  set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds) &&
                  set(CURLOPT_LOW_SPEED_LIMIT, 1L) &&
                  set(CURLOPT_LOW_SPEED_TIME, kSilenceTimeoutSeconds) &&
                  set(CURLOPT_HEADERFUNCTION, &Request::onHeader) &&
                  set(CURLOPT_HEADERDATA, this) && set(CURLOPT_WRITEFUNCTION, &Request::onBody) &&
                  set(CURLOPT_WRITEDATA, this) && configureMethod() && configureHeaders(headers);
        if (referrer_) {
            ok = ok && set(CURLOPT_REFERER, referrer_->c_str());
        }
        if (connection_.userName) {
            ok = ok && set(CURLOPT_USERNAME, connection_.userName->c_str());
        }
        if (connection_.password) {
            ok = ok && set(CURLOPT_PASSWORD, connection_.password->c_str());
        }
        if ((flags_ & kInternetFlagNoCookies) == 0) {
            ok = ok && set(CURLOPT_SHARE, CookieStore::share()) && set(CURLOPT_COOKIEFILE, "");
        }
        return ok;
    }

    // GET and POST use libcurl's own modes, so that a redirect after a POST turns into a GET
    // as browsers and WinINet do; any other verb is sent as it is, with the body if there is one.
    bool configureMethod() {
        const auto bodySize = static_cast<curl_off_t>(body_.size());
        const char* bodyData = reinterpret_cast<const char*>(body_.data());
        if (verb_ == "HEAD") {
            return set(CURLOPT_NOBODY, 1L);
        }
        if (verb_ == "GET" && body_.empty()) {
            return set(CURLOPT_HTTPGET, 1L);
        }
        if (verb_ == "POST") {
            return set(CURLOPT_POST, 1L) && set(CURLOPT_POSTFIELDSIZE_LARGE, bodySize) &&
                   set(CURLOPT_POSTFIELDS, body_.empty() ? "" : bodyData);
        }
        bool ok = set(CURLOPT_CUSTOMREQUEST, verb_.c_str());
        if (!body_.empty()) {
            ok = ok && set(CURLOPT_POSTFIELDSIZE_LARGE, bodySize) &&
                 set(CURLOPT_POSTFIELDS, bodyData);
        }
        return ok;
    }

    bool configureHeaders(std::string_view headers) {
        std::vector<Text> lines = headerLines(headers);
        const bool hasAccept = hasHeader(lines, "Accept");
        const bool hasContentType = hasHeader(lines, "Content-Type");
        const bool hasExpect = hasHeader(lines, "Expect");
        for (Text& line : lines) {
            line = asCurlHeader(line);
        }
        if (!hasAccept) {
            // WinINet sends an Accept line only for a list of accepted types.
            Text accept = "Accept:";
            for (std::size_t i = 0; i < acceptTypes_.size(); ++i) {
                accept += (i == 0 ? " " : ", ") + acceptTypes_[i];
            }
            lines.push_back(accept);
        }
        if (!hasContentType) {
            lines.push_back("Content-Type:");
        }
        if (!hasExpect) {
            lines.push_back("Expect:");
        }
        for (const Text& line : lines) {
            curl_slist* extended = curl_slist_append(headerList_, line.c_str());
            if (extended == nullptr) {
                return false;
            }
            headerList_ = extended;
        }
        return set(CURLOPT_HTTPHEADER, headerList_);
    }

    // Runs the transfer until `ready` holds or the transfer ends: whatever libcurl can do at
    // once, then, when that was not enough, a wait of up to a second for the network.
    template <typename Ready>
    void runUntil(Ready ready) {
        while (!done_ && !ready()) {
            perform();
            if (!done_ && !ready()) {
                curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
            }
        }
    }

    void perform() {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            finish(CURLE_FAILED_INIT);
            return;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                finish(message->data.result);
            }
        }
    }

    void finish(CURLcode result) {
        done_ = true;
        result_ = result;
    }

    void endTransfer() {
        if (added_) {
            curl_multi_remove_handle(multi_, easy_);
        }
        if (easy_ != nullptr) {
            curl_easy_cleanup(easy_);
        }
        if (multi_ != nullptr) {
            curl_multi_cleanup(multi_);
        }
        curl_slist_free_all(headerList_);
        easy_ = nullptr;
        multi_ = nullptr;
        headerList_ = nullptr;
        added_ = false;
        done_ = false;
        paused_ = false;
        headersComplete_ = false;
        result_ = CURLE_OK;
        headerBlock_.clear();
        pending_.clear();
        pendingAt_ = 0;
    }

    // Keeps the header block of the latest response only: redirects and interim responses
    // start a block of their own. The block is complete at its empty line unless it is an
    // interim response or a redirect that libcurl will follow.
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto& request = *static_cast<Request*>(self);
        std::string_view line(data, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with("HTTP/")) {
            request.headerBlock_.clear();
            request.status_ = statusOf(line);
            request.hasLocation_ = false;
        } else if (toLowerAscii(headerName(line)) == "location") {
            request.hasLocation_ = true;
        }
        request.headerBlock_ += line;
        request.headerBlock_ += kLineBreak;
        if (line.empty()) {
            const bool interim = request.status_ < 200;
            const bool followed = request.followsRedirects() && request.hasLocation_ &&
                                  request.status_ >= 300 && request.status_ < 400;
            request.headersComplete_ = !interim && !followed;
        }
        return size * count;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
        auto& request = *static_cast<Request*>(self);
        if (request.pending_.size() >= kPendingLimitBytes) {
            request.paused_ = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        request.pending_.insert(request.pending_.end(), data, data + size * count);
        return size * count;
    }

    const Connection connection_;
    const Text verb_;
    const Text path_;
    const Text version_;
    const std::optional<Text> referrer_;
    const std::vector<Text> acceptTypes_;
    const std::uint32_t flags_;

    ByteArray body_;
    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* headerList_ = nullptr;
    bool added_ = false;
    bool done_ = false;
    bool paused_ = false;
    bool headersComplete_ = false;
    CURLcode result_ = CURLE_OK;
    int status_ = 0;
    bool hasLocation_ = false;
    Text headerBlock_;
    ByteArray pending_;
    std::size_t pendingAt_ = 0;
};

class CurlInternetClient final : public InternetClient {
  public:
    InternetHandle open(std::string_view userAgent, std::uint32_t accessType,
                        std::optional<std::string_view> proxy, std::optional<std::string_view>,
                        std::uint32_t) override {
        if (!initializeCurl()) {
            return kNoHandle;
        }
        if (accessType == kInternetOpenTypeDirect) {
            return add(Session{Text(userAgent), std::nullopt});
        }
        if (accessType == kInternetOpenTypeProxy && proxy) {
            return add(Session{Text(userAgent), Text(*proxy)});
        }
        return kNoHandle;
    }

    InternetHandle connect(InternetHandle internet, std::string_view host, std::uint16_t port,
                           std::optional<std::string_view> userName,
                           std::optional<std::string_view> password, std::uint32_t service,
                           std::uint32_t, std::uintptr_t) override {
        const auto* session = find<Session>(internet);
        if (session == nullptr || service != kInternetServiceHttp) {
            return kNoHandle;
        }
        const auto copy = [](std::optional<std::string_view> text) {
            return text ? std::optional<Text>(Text(*text)) : std::nullopt;
        };
        return add(Connection{*session, Text(host), port, copy(userName), copy(password)});
    }

    InternetHandle openRequest(InternetHandle connection, std::string_view verb,
                               std::string_view path, std::string_view version,
                               std::optional<std::string_view> referrer,
                               std::span<const std::string_view> acceptTypes, std::uint32_t flags,
                               std::uintptr_t) override {
        const auto* parent = find<Connection>(connection);
        if (parent == nullptr) {
            return kNoHandle;
        }
        return add(std::make_unique<Request>(*parent, verb.empty() ? "GET" : verb,
                                             path.empty() ? "/" : path, version, referrer,
                                             acceptTypes, flags));
    }

    // Only the security flags are known here, and only those that tolerate redirects between
    // HTTP and HTTPS, which libcurl follows anyway. Certificate checks cannot be switched off.
    bool setOption(InternetHandle handle, std::uint32_t option,
                   std::span<const unsigned char> value) override {
        std::uint32_t flags = 0;
        if (find<std::unique_ptr<Request>>(handle) == nullptr ||
            option != kInternetOptionSecurityFlags || value.size() != sizeof flags) {
            return false;
        }
        std::copy(value.begin(), value.end(), reinterpret_cast<unsigned char*>(&flags));
        return (flags & kSecurityFlagsIgnoringCertificates) == 0;
    }

    bool sendRequest(InternetHandle request, std::string_view headers,
                     std::span<const unsigned char> body) override {
        auto* found = find<std::unique_ptr<Request>>(request);
        return found != nullptr && (*found)->send(headers, body);
    }

    bool readFile(InternetHandle request, std::span<unsigned char> buffer,
                  std::uint32_t& bytesRead) override {
        auto* found = find<std::unique_ptr<Request>>(request);
        bytesRead = 0;
        return found != nullptr && (*found)->read(buffer, bytesRead);
    }

    QueryResult queryInfo(InternetHandle request, std::uint32_t infoLevel, std::span<char> buffer,
                          std::uint32_t& length, std::uint32_t*) override {
        const auto* found = find<std::unique_ptr<Request>>(request);
        if (found == nullptr || infoLevel != kHttpQueryRawHeadersCrlf ||
            (*found)->rawHeaders().empty()) {
            return QueryResult::kFailed;
        }
        const Text& block = (*found)->rawHeaders();
        if (block.size() + 1 > buffer.size()) {
            length = static_cast<std::uint32_t>(block.size() + 1);
            return QueryResult::kInsufficientBuffer;
        }
        std::copy(block.begin(), block.end(), buffer.begin());
        buffer[block.size()] = '\0';
        length = static_cast<std::uint32_t>(block.size());
        return QueryResult::kOk;
    }

    bool closeHandle(InternetHandle handle) override {
        return objects_.erase(static_cast<std::uintptr_t>(handle)) == 1;
    }

  private:
    using Object = std::variant<Session, Connection, std::unique_ptr<Request>>;

    InternetHandle add(Object object) {
        const std::uintptr_t id = nextId_++;
        objects_.emplace(id, std::move(object));
        return InternetHandle{id};
    }

    template <typename Kind>
    Kind* find(InternetHandle handle) {
        const auto found = objects_.find(static_cast<std::uintptr_t>(handle));
        return found == objects_.end() ? nullptr : std::get_if<Kind>(&found->second);
    }

    std::map<std::uintptr_t, Object> objects_;
    std::uintptr_t nextId_ = 1;
};

}  // namespace

std::unique_ptr<InternetClient> makeSystemInternetClient() {
    return std::make_unique<CurlInternetClient>();
}

}  // namespace velvane
