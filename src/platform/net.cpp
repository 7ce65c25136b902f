#include "platform/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <memory>
#include <utility>

namespace vexo::platform {

namespace {

constexpr std::pair<int, int> g_errnoToWinsock[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},          {EFAULT, 10014},
    {EINVAL, 10022},       {EMFILE, 10024},          {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},
    {EALREADY, 10037},     {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},   {ENOPROTOOPT, 10042},     {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},       {ENETUNREACH, 10051},     {ENETRESET, 10052},
    {ECONNABORTED, 10053}, {ECONNRESET, 10054},      {ENOBUFS, 10055},         {EISCONN, 10056},
    {ENOTCONN, 10057},     {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},       {EUSERS, 10068},          {EDQUOT, 10069},
    {ESTALE, 10070},       {EREMOTE, 10071},         {EPIPE, 10058},
};

int lf_lastError() { return gf_netErrorCode(errno); }

sockaddr_in lf_ipv4(std::uint16_t port, bool loopbackOnly) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
  return address;
}

struct AddrInfoFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

}  // namespace

int gf_netErrorCode(int osError) {
  for (const auto& [os, winsock] : g_errnoToWinsock) {
    if (os == osError) return winsock;
  }
  return osError;
}

Socket gf_openUdpSocket(std::uint16_t port, bool loopbackOnly, int& error, bool& failedAtBind) {
  failedAtBind = false;
  Socket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
  if (!socket.valid()) {
    error = lf_lastError();
    return socket;
  }
  const sockaddr_in address = lf_ipv4(port, loopbackOnly);
  if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = lf_lastError();
    failedAtBind = true;
    socket.close();
  }
  return socket;
}

std::uint16_t gf_localPort(int fd) {
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) return 0;
  if (storage.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
  if (storage.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  return 0;
}

std::ptrdiff_t gf_receiveDatagram(int fd, std::span<char> buffer, int& error) {
  // MSG_TRUNC reports the datagram's real length, so an oversized one is recognised
  // (and dropped by the caller) instead of failing the receive.
  const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_TRUNC);
  if (n < 0) error = lf_lastError();
  return n;
}

bool gf_sendDatagramToLoopback(int fd, std::uint16_t port, std::string_view bytes, int& error) {
  const sockaddr_in address = lf_ipv4(port, true);
  const ssize_t n =
      ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (n < 0 || static_cast<std::size_t>(n) != bytes.size()) {
    error = n < 0 ? lf_lastError() : 10040;
    return false;
  }
  return true;
}

Socket gf_openTcpListener(const std::string& portText, ListenStep& step, int& error) {
  addrinfo hints{};
  hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST;
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  step = ListenStep::resolve;
  // The resolver takes any number as a port and cuts it to 16 bits ("99999" would open
  // 34463): only 0 to 65535 in decimal digits is a port.
  unsigned port = 0;
  const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (ec != std::errc() || end != portText.data() + portText.size() || port > 65535) {
    error = EAI_SERVICE;
    return Socket();
  }
  if (const int rc = ::getaddrinfo("127.0.0.1", portText.c_str(), &hints, &found); rc != 0) {
    error = rc;
    return Socket();
  }
  const std::unique_ptr<addrinfo, AddrInfoFree> list(found);

  step = ListenStep::socket;
  Socket socket(::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol));
  if (!socket.valid()) {
    error = lf_lastError();
    return socket;
  }
  // Accepting waits in poll, so the socket itself never blocks.
  step = ListenStep::blockingMode;
  const int flags = ::fcntl(socket.fd(), F_GETFL);
  if (flags < 0 || ::fcntl(socket.fd(), F_SETFL, flags | O_NONBLOCK) != 0) {
    error = lf_lastError();
    socket.close();
    return socket;
  }
  step = ListenStep::reuseAddress;
  const int on = 1;
  if (::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    error = lf_lastError();
    socket.close();
    return socket;
  }
  step = ListenStep::bind;
  if (::bind(socket.fd(), found->ai_addr, found->ai_addrlen) != 0) {
    error = lf_lastError();
    socket.close();
    return socket;
  }
  step = ListenStep::listen;
  if (::listen(socket.fd(), g_listenBacklog) != 0) {
    error = lf_lastError();
    socket.close();
    return socket;
  }
  step = ListenStep::none;
  return socket;
}

Socket gf_acceptConnection(int listenFd, int& error) {
  Socket client(::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  if (!client.valid()) error = lf_lastError();
  return client;
}

Socket gf_connectToLoopback(std::uint16_t port, int& error) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!socket.valid()) {
    error = lf_lastError();
    return socket;
  }
  const sockaddr_in address = lf_ipv4(port, true);
  int rc;
  do {
    rc = ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    error = lf_lastError();
    socket.close();
  }
  return socket;
}

bool gf_setNoDelay(int fd, int& error) {
  const int on = 1;
  if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0) return true;
  error = lf_lastError();
  return false;
}

bool gf_sendAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout, int& error) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      error = lf_lastError();
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || gf_waitWritable(fd, left) != WaitResult::ready) {
      error = 10060;
      return false;
    }
  }
  return true;
}

bool gf_peerHasClosed(int fd) {
  if (gf_waitReadable(fd, std::chrono::milliseconds(0)) != WaitResult::ready) return false;
  char probe = 0;
  ssize_t n;
  do {
    n = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

std::ptrdiff_t gf_receiveSome(int fd, std::span<char> buffer, int& error) {
  ssize_t n;
  do {
    n = ::recv(fd, buffer.data(), buffer.size(), 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) error = lf_lastError();
  return n;
}

}  // namespace vexo::platform
