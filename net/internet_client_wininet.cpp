// The internet client over the system's WinINet: each operation is the WinINet function of the
// same shape, with the texts made zero-terminated and "none" passed as a null pointer.
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "net/internet_client.h"

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

HINTERNET toNative(InternetHandle handle) {
    return reinterpret_cast<HINTERNET>(static_cast<std::uintptr_t>(handle));
}

InternetHandle fromNative(HINTERNET handle) {
    return InternetHandle{reinterpret_cast<std::uintptr_t>(handle)};
}

// A text kept zero-terminated for the call, or none.
class OptionalText {
  public:
    explicit OptionalText(std::optional<std::string_view> text)
        : given_(text.has_value()), text_(text.value_or("")) {}
    const char* get() const { return given_ ? text_.c_str() : nullptr; }

  private:
    bool given_;
    std::string text_;
};

class WinInetClient final : public InternetClient {
  public:
    InternetHandle open(std::string_view userAgent, std::uint32_t accessType,
                        std::optional<std::string_view> proxy,
                        std::optional<std::string_view> proxyBypass, std::uint32_t flags) override {
        const std::string agent(userAgent);
        const OptionalText proxyText(proxy);
        const OptionalText bypassText(proxyBypass);
        return fromNative(
            InternetOpenA(agent.c_str(), accessType, proxyText.get(), bypassText.get(), flags));
    }

    InternetHandle connect(InternetHandle internet, std::string_view host, std::uint16_t port,
                           std::optional<std::string_view> userName,
                           std::optional<std::string_view> password, std::uint32_t service,
                           std::uint32_t flags, std::uintptr_t context) override {
        const std::string hostName(host);
        const OptionalText user(userName);
        const OptionalText secret(password);
        return fromNative(InternetConnectA(toNative(internet), hostName.c_str(), port, user.get(),
                                           secret.get(), service, flags, context));
    }

    InternetHandle openRequest(InternetHandle connection, std::string_view verb,
                               std::string_view path, std::string_view version,
                               std::optional<std::string_view> referrer,
                               std::span<const std::string_view> acceptTypes, std::uint32_t flags,
                               std::uintptr_t context) override {
        const std::string verbText(verb);
        const std::string pathText(path);
        const std::string versionText(version);
        const OptionalText referrerText(referrer);
        const std::vector<std::string> types(acceptTypes.begin(), acceptTypes.end());
        std::vector<const char*> typeList;
        for (const std::string& type : types) {
            typeList.push_back(type.c_str());
        }
        typeList.push_back(nullptr);
        HINTERNET request = HttpOpenRequestA(
            toNative(connection), verbText.c_str(), pathText.c_str(), versionText.c_str(),
            referrerText.get(), types.empty() ? nullptr : typeList.data(), flags, context);
        if (request != nullptr) {
            DWORD timeout = kReceiveTimeoutMilliseconds;
            InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
        }
        return fromNative(request);
    }

    bool setOption(InternetHandle handle, std::uint32_t option,
                   std::span<const unsigned char> value) override {
        std::vector<unsigned char> buffer(value.begin(), value.end());
        return InternetSetOptionA(toNative(handle), option, buffer.data(),
                                  static_cast<DWORD>(buffer.size())) != FALSE;
    }

    bool sendRequest(InternetHandle request, std::string_view headers,
                     std::span<const unsigned char> body) override {
        std::vector<unsigned char> optional(body.begin(), body.end());
        return HttpSendRequestA(toNative(request), headers.empty() ? nullptr : headers.data(),
                                static_cast<DWORD>(headers.size()),
                                optional.empty() ? nullptr : optional.data(),
                                static_cast<DWORD>(optional.size())) != FALSE;
    }

    bool readFile(InternetHandle request, std::span<unsigned char> buffer,
                  std::uint32_t& bytesRead) override {
        DWORD count = 0;
        const bool ok = InternetReadFile(toNative(request), buffer.data(),
                                         static_cast<DWORD>(buffer.size()), &count) != FALSE;
        bytesRead = ok ? count : 0;
        return ok;
    }

    QueryResult queryInfo(InternetHandle request, std::uint32_t infoLevel, std::span<char> buffer,
                          std::uint32_t& length, std::uint32_t* index) override {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD position = index != nullptr ? *index : 0;
        const bool ok = HttpQueryInfoA(toNative(request), infoLevel, buffer.data(), &size,
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

    bool closeHandle(InternetHandle handle) override {
        return InternetCloseHandle(toNative(handle)) != FALSE;
    }
};

}  // namespace

std::unique_ptr<InternetClient> makeSystemInternetClient() {
    return std::make_unique<WinInetClient>();
}

}  // namespace velvane
