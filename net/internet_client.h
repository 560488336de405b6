// The internet client: the eight operations a web request needs from the platform, shaped after
// WinINet. Handles are opaque values; an operation that fails gives kNoHandle or false.
// Backends: WinINet on Windows, libcurl elsewhere (makeSystemInternetClient picks the one built).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace velvane {

enum class InternetHandle : std::uintptr_t {};
inline constexpr InternetHandle kNoHandle{};

// WinINet's values for the arguments, so that callers and backends off Windows speak them too.
inline constexpr std::uint32_t kInternetOpenTypeDirect = 1;
inline constexpr std::uint32_t kInternetOpenTypeProxy = 3;
inline constexpr std::uint32_t kInternetServiceHttp = 3;

inline constexpr std::uint32_t kInternetFlagReload = 0x80000000;
inline constexpr std::uint32_t kInternetFlagNeedFile = 0x10;
inline constexpr std::uint32_t kInternetFlagNoCookies = 0x80000;
inline constexpr std::uint32_t kInternetFlagNoAutoRedirect = 0x200000;
inline constexpr std::uint32_t kInternetFlagSecure = 0x800000;
inline constexpr std::uint32_t kInternetFlagIgnoreRedirectToHttps = 0x4000;
inline constexpr std::uint32_t kInternetFlagIgnoreRedirectToHttp = 0x8000;

inline constexpr std::uint32_t kInternetOptionSecurityFlags = 31;
inline constexpr std::uint32_t kSecurityFlagIgnoreRevocation = 0x80;
inline constexpr std::uint32_t kSecurityFlagIgnoreUnknownCa = 0x100;
inline constexpr std::uint32_t kSecurityFlagIgnoreWrongUsage = 0x200;
inline constexpr std::uint32_t kSecurityFlagIgnoreCertCnInvalid = 0x1000;
inline constexpr std::uint32_t kSecurityFlagIgnoreCertDateInvalid = 0x2000;
inline constexpr std::uint32_t kSecurityFlagIgnoreRedirectToHttps = 0x4000;
inline constexpr std::uint32_t kSecurityFlagIgnoreRedirectToHttp = 0x8000;
inline constexpr std::uint32_t kSecurityFlagIgnoreWeakSignature = 0x10000;
// The security flags that switch certificate checks off.
inline constexpr std::uint32_t kSecurityFlagsIgnoringCertificates =
    kSecurityFlagIgnoreRevocation | kSecurityFlagIgnoreUnknownCa | kSecurityFlagIgnoreWrongUsage |
    kSecurityFlagIgnoreCertCnInvalid | kSecurityFlagIgnoreCertDateInvalid |
    kSecurityFlagIgnoreWeakSignature;

inline constexpr std::uint32_t kHttpQueryRawHeadersCrlf = 22;

enum class QueryResult {
    kOk,                  // the value and its length (without the terminating zero) were written
    kInsufficientBuffer,  // nothing written; the length now says how many bytes are needed
    kFailed,
};

class InternetClient {
  public:
    virtual ~InternetClient() = default;

    // InternetOpenA
    virtual InternetHandle open(std::string_view userAgent, std::uint32_t accessType,
                                std::optional<std::string_view> proxy,
                                std::optional<std::string_view> proxyBypass,
                                std::uint32_t flags) = 0;
    // InternetConnectA
    virtual InternetHandle connect(InternetHandle internet, std::string_view host,
                                   std::uint16_t port, std::optional<std::string_view> userName,
                                   std::optional<std::string_view> password, std::uint32_t service,
                                   std::uint32_t flags, std::uintptr_t context) = 0;
    // HttpOpenRequestA; an empty list of accepted types stands for none.
    virtual InternetHandle openRequest(InternetHandle connection, std::string_view verb,
                                       std::string_view path, std::string_view version,
                                       std::optional<std::string_view> referrer,
                                       std::span<const std::string_view> acceptTypes,
                                       std::uint32_t flags, std::uintptr_t context) = 0;
    // InternetSetOptionA
    virtual bool setOption(InternetHandle handle, std::uint32_t option,
                           std::span<const unsigned char> value) = 0;
    // HttpSendRequestA; an empty body stands for none.
    virtual bool sendRequest(InternetHandle request, std::string_view headers,
                             std::span<const unsigned char> body) = 0;
    // InternetReadFile; true with 0 bytes read at the end of the body.
    virtual bool readFile(InternetHandle request, std::span<unsigned char> buffer,
                          std::uint32_t& bytesRead) = 0;
    // HttpQueryInfoA; `length` holds the buffer's size on the way in. No index when null.
    virtual QueryResult queryInfo(InternetHandle request, std::uint32_t infoLevel,
                                  std::span<char> buffer, std::uint32_t& length,
                                  std::uint32_t* index) = 0;
    // InternetCloseHandle
    virtual bool closeHandle(InternetHandle handle) = 0;
};

std::unique_ptr<InternetClient> makeSystemInternetClient();

// Owns one handle and closes it when it goes, so that every path out of a request closes what
// it opened, the most recently opened first.
class ScopedInternetHandle {
  public:
    ScopedInternetHandle(InternetClient& client, InternetHandle handle)
        : client_(client), handle_(handle) {}
    ~ScopedInternetHandle() {
        if (handle_ != kNoHandle) {
            client_.closeHandle(handle_);
        }
    }
    ScopedInternetHandle(const ScopedInternetHandle&) = delete;
    ScopedInternetHandle& operator=(const ScopedInternetHandle&) = delete;

    InternetHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoHandle; }

  private:
    InternetClient& client_;
    InternetHandle handle_;
};

}  // namespace velvane
