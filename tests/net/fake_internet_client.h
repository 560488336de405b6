// An internet client for unit tests: records every call with all its arguments, and answers as
// scripted (handles that fail to open, the body in chunks, the raw header block).
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/internet_client.h"
#include "text/text.h"

namespace velvane {

inline void PrintTo(InternetHandle handle, std::ostream* out) {
    *out << "handle " << static_cast<std::uintptr_t>(handle);
}

struct OpenCall {
    Text userAgent;
    std::uint32_t accessType = 0;
    std::optional<Text> proxy;
    std::optional<Text> proxyBypass;
    std::uint32_t flags = 0;
};

struct ConnectCall {
    InternetHandle internet{};
    Text host;
    std::uint16_t port = 0;
    std::optional<Text> userName;
    std::optional<Text> password;
    std::uint32_t service = 0;
    std::uint32_t flags = 0;
    std::uintptr_t context = 0;
};

struct OpenRequestCall {
    InternetHandle connection{};
    Text verb;
    Text path;
    Text version;
    std::optional<Text> referrer;
    std::vector<Text> acceptTypes;
    std::uint32_t flags = 0;
    std::uintptr_t context = 0;
};

struct SetOptionCall {
    InternetHandle handle{};
    std::uint32_t option = 0;
    ByteArray value;
};

struct SendCall {
    InternetHandle request{};
    Text headers;
    ByteArray body;
};

struct QueryCall {
    InternetHandle request{};
    std::uint32_t infoLevel = 0;
    std::uint32_t bufferSize = 0;
    bool withIndex = false;
};

inline std::optional<Text> copyOf(std::optional<std::string_view> text) {
    return text ? std::optional<Text>(Text(*text)) : std::nullopt;
}

class FakeInternetClient : public InternetClient {
  public:
    // The handles handed out when opening succeeds.
    static constexpr InternetHandle kInternet{1};
    static constexpr InternetHandle kConnection{2};
    static constexpr InternetHandle kRequest{3};

    // --- script ---
    bool openFails = false;
    bool connectFails = false;
    bool openRequestFails = false;
    ByteArray body;                                   // delivered in reads of at most chunkBytes
    std::size_t chunkBytes = SIZE_MAX;                // further limited by the reader's buffer
    std::optional<std::size_t> readFailsAfter;        // reads that succeed before one fails
    std::optional<Text> headerBlock;                  // none: the query fails
    std::optional<std::uint32_t> reportedHeaderSize;  // what a too-small query reports

    // --- record ---
    std::vector<std::string> operations;  // the operation names, in call order
    std::vector<OpenCall> opens;
    std::vector<ConnectCall> connects;
    std::vector<OpenRequestCall> openRequests;
    std::vector<SetOptionCall> setOptions;
    std::vector<SendCall> sends;
    std::vector<std::uint32_t> readBufferSizes;
    std::vector<QueryCall> queries;
    std::vector<InternetHandle> closed;

    InternetHandle open(std::string_view userAgent, std::uint32_t accessType,
                        std::optional<std::string_view> proxy,
                        std::optional<std::string_view> proxyBypass, std::uint32_t flags) override {
        operations.push_back("open");
        opens.push_back({Text(userAgent), accessType, copyOf(proxy), copyOf(proxyBypass), flags});
        return openFails ? kNoHandle : kInternet;
    }

    InternetHandle connect(InternetHandle internet, std::string_view host, std::uint16_t port,
                           std::optional<std::string_view> userName,
                           std::optional<std::string_view> password, std::uint32_t service,
                           std::uint32_t flags, std::uintptr_t context) override {
        operations.push_back("connect");
        connects.push_back({internet, Text(host), port, copyOf(userName), copyOf(password), service,
                            flags, context});
        return connectFails ? kNoHandle : kConnection;
    }

    InternetHandle openRequest(InternetHandle connection, std::string_view verb,
                               std::string_view path, std::string_view version,
                               std::optional<std::string_view> referrer,
                               std::span<const std::string_view> acceptTypes, std::uint32_t flags,
                               std::uintptr_t context) override {
        operations.push_back("openRequest");
        openRequests.push_back({connection, Text(verb), Text(path), Text(version), copyOf(referrer),
                                std::vector<Text>(acceptTypes.begin(), acceptTypes.end()), flags,
                                context});
        return openRequestFails ? kNoHandle : kRequest;
    }

    bool setOption(InternetHandle handle, std::uint32_t option,
                   std::span<const unsigned char> value) override {
        operations.push_back("setOption");
        setOptions.push_back({handle, option, ByteArray(value.begin(), value.end())});
        return true;
    }

    bool sendRequest(InternetHandle request, std::string_view headers,
                     std::span<const unsigned char> requestBody) override {
        operations.push_back("sendRequest");
        sends.push_back(
            {request, Text(headers), ByteArray(requestBody.begin(), requestBody.end())});
        return true;
    }

    bool readFile(InternetHandle, std::span<unsigned char> buffer,
                  std::uint32_t& bytesRead) override {
        operations.push_back("readFile");
        readBufferSizes.push_back(static_cast<std::uint32_t>(buffer.size()));
        if (readFailsAfter && readBufferSizes.size() > *readFailsAfter) {
            bytesRead = 0;
            return false;
        }
        const std::size_t count = std::min({chunkBytes, buffer.size(), body.size() - delivered_});
        std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(delivered_), count, buffer.begin());
        delivered_ += count;
        bytesRead = static_cast<std::uint32_t>(count);
        return true;
    }

    QueryResult queryInfo(InternetHandle request, std::uint32_t infoLevel, std::span<char> buffer,
                          std::uint32_t& length, std::uint32_t* index) override {
        operations.push_back("queryInfo");
        queries.push_back({request, infoLevel, length, index != nullptr});
        if (!headerBlock) {
            return QueryResult::kFailed;
        }
        if (headerBlock->size() + 1 > buffer.size()) {
            length =
                reportedHeaderSize.value_or(static_cast<std::uint32_t>(headerBlock->size() + 1));
            return QueryResult::kInsufficientBuffer;
        }
        std::copy(headerBlock->begin(), headerBlock->end(), buffer.begin());
        buffer[headerBlock->size()] = '\0';
        length = static_cast<std::uint32_t>(headerBlock->size());
        return QueryResult::kOk;
    }

    bool closeHandle(InternetHandle handle) override {
        operations.push_back("closeHandle");
        closed.push_back(handle);
        return true;
    }

  private:
    std::size_t delivered_ = 0;
};

}  // namespace velvane
