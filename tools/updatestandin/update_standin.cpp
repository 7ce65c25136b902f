#include "updatestandin/update_standin.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace vexo::updatestandin {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// No single connection is served longer than this, whatever the client does.
constexpr auto kConnectionLimit = std::chrono::seconds(10);
// Connections served at the same time; more wait in the listen queue.
constexpr std::size_t kMaxConnections = 64;
constexpr std::size_t kMaxRequestBytes = 8192;

bool lf_sendAll(const platform::Socket& client, std::string_view data) {
  for (std::size_t sent = 0; sent < data.size();) {
    const auto n = ::send(client.fd(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// The path of "GET <path> HTTP/1.1"; empty when the request line has no such shape.
std::string lf_requestPath(std::string_view request) {
  const auto start = request.find(' ');
  if (start == std::string_view::npos) return {};
  const auto end = request.find(' ', start + 1);
  if (end == std::string_view::npos) return {};
  return std::string(request.substr(start + 1, end - start - 1));
}

}  // namespace

UpdateStandIn::UpdateStandIn(std::uint16_t port) {
  listener_ = platform::Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!listener_.valid()) throw std::runtime_error("socket failed");
  const int reuse = 1;
  ::setsockopt(listener_.fd(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t length = sizeof address;
  if (::bind(listener_.fd(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_.fd(), 16) != 0 ||
      ::getsockname(listener_.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("bind/listen on 127.0.0.1:" + std::to_string(port) + " failed");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

UpdateStandIn::~UpdateStandIn() {
  stop_.store(true);
  thread_.join();
}

std::string UpdateStandIn::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void UpdateStandIn::route(const std::string& path, Reply reply) {
  std::lock_guard lock(mutex_);
  routes_.insert_or_assign(path, std::move(reply));
}

std::vector<std::string> UpdateStandIn::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void UpdateStandIn::serve() {
  while (!stop_.load()) {
    connections_.remove_if([](Connection& c) {
      if (!c.done->load()) return false;
      c.thread.join();
      return true;
    });
    if (connections_.size() >= kMaxConnections ||
        platform::gf_waitReadable(listener_.fd(), kPoll) != platform::WaitResult::ready) {
      if (connections_.size() >= kMaxConnections) std::this_thread::sleep_for(kPoll);
      continue;
    }
    platform::Socket client(::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.valid()) continue;
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, done, c = std::move(client)] {
      answer(c);
      done->store(true);
    });
    connections_.push_back({std::move(thread), std::move(done)});
  }
  for (Connection& c : connections_) c.thread.join();
}

void UpdateStandIn::answer(const platform::Socket& client) {
  const auto deadline = std::chrono::steady_clock::now() + kConnectionLimit;
  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (request.size() >= kMaxRequestBytes || !waitReadable(client, deadline)) return;
    char buffer[1024];
    const auto n = ::recv(client.fd(), buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::string path = lf_requestPath(request);
  Reply reply{404, "not here"};
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(path);
    if (const auto it = routes_.find(path); it != routes_.end()) reply = it->second;
  }
  using Kind = Reply::Kind;
  if (reply.kind == Kind::stallBeforeReply) return holdUntilClosed(client, deadline);
  const bool endless = reply.kind == Kind::noLength || reply.kind == Kind::trickle;
  const std::string length = endless ? "" : "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  const std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\n" + length +
                           "Connection: close\r\n" + reply.extraHeaders + "\r\n";
  if (reply.kind == Kind::trickle) return trickle(client, head, reply.body, deadline);
  const bool half = reply.kind == Kind::cutBody || reply.kind == Kind::stallMidBody;
  lf_sendAll(client, head + (half ? reply.body.substr(0, reply.body.size() / 2) : reply.body));
  if (reply.kind == Kind::stallMidBody) holdUntilClosed(client, deadline);
}

bool UpdateStandIn::waitReadable(const platform::Socket& client, std::chrono::steady_clock::time_point deadline) const {
  while (!stop_.load() && std::chrono::steady_clock::now() < deadline) {
    const auto result = platform::gf_waitReadable(client.fd(), kPoll);
    if (result == platform::WaitResult::ready) return true;
    if (result == platform::WaitResult::error) return false;
  }
  return false;
}

// Says nothing more until the client gives up (or the stand-in stops).
void UpdateStandIn::holdUntilClosed(const platform::Socket& client,
                                    std::chrono::steady_clock::time_point deadline) const {
  while (waitReadable(client, deadline)) {
    char buffer[256];
    if (::recv(client.fd(), buffer, sizeof buffer, 0) <= 0) return;
  }
}

// Fast enough for any low-speed limit, too slow ever to end.
void UpdateStandIn::trickle(const platform::Socket& client, const std::string& head, const std::string& body,
                            std::chrono::steady_clock::time_point deadline) const {
  if (!lf_sendAll(client, head)) return;
  for (std::size_t i = 0; !stop_.load() && std::chrono::steady_clock::now() < deadline; ++i) {
    if (!lf_sendAll(client, std::string_view(body).substr(i % std::max<std::size_t>(body.size(), 1), 1))) return;
    std::this_thread::sleep_for(kPoll);
  }
}

}  // namespace vexo::updatestandin
