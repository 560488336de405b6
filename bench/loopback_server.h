// A tiny HTTP server on the loopback interface that answers every request with one page, so
// that a refresh can be measured over a real socket without the sample service's page
// generation in the figure.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace velvane::bench {

class LoopbackServer {
  public:
    // Listens on 127.0.0.1 at a free port; port() is 0 when that failed.
    explicit LoopbackServer(std::string_view body);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::uint64_t requestsServed() const { return served_.load(); }

  private:
    void serve();

    std::string response_;  // status line, headers and body, built once
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> served_{0};
    std::thread thread_;
};

}  // namespace velvane::bench
