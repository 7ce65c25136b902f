// A small HTTP/1.1 server on 127.0.0.1 for the downloader's tests: each connection is
// answered by a canned reply and closed.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/socket.h"

namespace vexo::test {

struct HttpReply {
  enum class Kind {
    whole,             // status line, headers and the whole body
    cutBody,           // announces the whole body, sends half of it and closes
    stallBeforeReply,  // reads the request and says nothing
    stallMidBody,      // sends the headers and half the body, then nothing more
    noLength,          // no Content-Length: the body ends when the connection closes
    trickle,           // no Content-Length; sends the body byte by byte, one every 20 ms, over and over
  };
  HttpReply(int status_, std::string body_, Kind kind_ = Kind::whole, std::string extraHeaders_ = {})
      : status(status_), body(std::move(body_)), kind(kind_), extraHeaders(std::move(extraHeaders_)) {}

  int status;
  std::string body;
  Kind kind;
  std::string extraHeaders;  // each ending in "\r\n"
};

class LocalHttpServer {
public:
  LocalHttpServer() {
    listener_ = platform::Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_.valid()) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_.fd(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_.fd(), 8) != 0 ||
        ::getsockname(listener_.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("bind/listen failed");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }

  ~LocalHttpServer() {
    stop_.store(true);
    thread_.join();
  }

  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::string base() const { return url("/"); }

  void route(const std::string& path, HttpReply reply) {
    std::lock_guard lock(mutex_);
    routes_.insert_or_assign(path, std::move(reply));
  }

  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

private:
  static constexpr auto kPoll = std::chrono::milliseconds(20);
  // No single connection is served longer than this, whatever the client does.
  static constexpr auto kConnectionLimit = std::chrono::seconds(10);
  static constexpr std::size_t kMaxConnections = 64;

  // Each connection is answered on a thread of its own, so a stalled one holds up no
  // other; all are joined before the server goes.
  void serve() {
    std::vector<std::thread> connections;
    while (!stop_.load() && connections.size() < kMaxConnections) {
      if (platform::gf_waitReadable(listener_.fd(), kPoll) != platform::WaitResult::ready) continue;
      platform::Socket client(::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
      if (client.valid()) connections.emplace_back([this, c = std::move(client)] { answer(c); });
    }
    for (auto& connection : connections) connection.join();
  }

  void answer(const platform::Socket& client) {
    const auto deadline = std::chrono::steady_clock::now() + kConnectionLimit;
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 8192) {
      if (!waitReadable(client, deadline)) return;
      char buffer[1024];
      const auto n = ::recv(client.fd(), buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    const auto pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    HttpReply reply{404, "not here"};
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(path);
      if (const auto it = routes_.find(path); it != routes_.end()) reply = it->second;
    }
    using Kind = HttpReply::Kind;
    if (reply.kind == Kind::stallBeforeReply) return holdUntilClosed(client, deadline);
    const std::string length =
        reply.kind == Kind::noLength || reply.kind == Kind::trickle ? "" : "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    const std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\n" + length +
                             "Connection: close\r\n" + reply.extraHeaders + "\r\n";
    if (reply.kind == Kind::trickle) return trickle(client, head, reply.body, deadline);
    const bool half = reply.kind == Kind::cutBody || reply.kind == Kind::stallMidBody;
    sendAll(client, head + (half ? reply.body.substr(0, reply.body.size() / 2) : reply.body));
    if (reply.kind == Kind::stallMidBody) holdUntilClosed(client, deadline);
  }

  // Fast enough for any low-speed limit, too slow ever to end.
  void trickle(const platform::Socket& client, const std::string& head, const std::string& body,
               std::chrono::steady_clock::time_point deadline) const {
    if (!sendAll(client, head)) return;
    for (std::size_t i = 0; !stop_.load() && std::chrono::steady_clock::now() < deadline; ++i) {
      if (!sendAll(client, body.substr(i % std::max<std::size_t>(body.size(), 1), 1))) return;
      std::this_thread::sleep_for(kPoll);
    }
  }

  bool waitReadable(const platform::Socket& client, std::chrono::steady_clock::time_point deadline) const {
    while (!stop_.load() && std::chrono::steady_clock::now() < deadline) {
      const auto result = platform::gf_waitReadable(client.fd(), kPoll);
      if (result == platform::WaitResult::ready) return true;
      if (result == platform::WaitResult::error) return false;
    }
    return false;
  }

  // Says nothing more until the client gives up (or the server stops).
  void holdUntilClosed(const platform::Socket& client, std::chrono::steady_clock::time_point deadline) const {
    while (waitReadable(client, deadline)) {
      char buffer[256];
      if (::recv(client.fd(), buffer, sizeof buffer, 0) <= 0) return;
    }
  }

  static bool sendAll(const platform::Socket& client, const std::string& data) {
    for (std::size_t sent = 0; sent < data.size();) {
      const auto n = ::send(client.fd(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  platform::Socket listener_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;  // guards routes_ and requests_
  std::map<std::string, HttpReply> routes_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace vexo::test
