#include "bench/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace velvane::bench {

LoopbackServer::LoopbackServer(std::string_view body) {
    response_ = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    response_ += body;

    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ >= 0) {
        close(listener_);
    }
}

// One connection at a time: read the request head, send the page, close. The loop allocates
// nothing, so that allocation counts of the benchmark thread are not disturbed. It wakes every
// 50 ms to notice the destructor.
void LoopbackServer::serve() {
    std::array<char, 8192> request{};
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) {
            continue;
        }
        const int connection = accept(listener_, nullptr, nullptr);
        if (connection < 0) {
            continue;
        }
        std::size_t used = 0;
        while (used < request.size()) {
            const ssize_t got = recv(connection, request.data() + used, request.size() - used, 0);
            if (got <= 0) {
                break;
            }
            used += static_cast<std::size_t>(got);
            if (std::string_view(request.data(), used).find("\r\n\r\n") != std::string_view::npos) {
                break;
            }
        }
        for (std::size_t sent = 0; sent < response_.size();) {
            const ssize_t put =
                send(connection, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
            if (put <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(put);
        }
        close(connection);
        served_.fetch_add(1);
    }
}

}  // namespace velvane::bench
