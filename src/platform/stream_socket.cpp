#include "platform/stream_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace vexo::platform {

namespace {
int lf_osFamily(int family) { return family == g_familyIpv6 ? AF_INET6 : AF_INET; }

bool lf_unixAddress(const std::filesystem::path& path, sockaddr_un& address, int& error) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const std::string text = path.string();
  if (text.empty() || text.size() >= sizeof address.sun_path) {
    error = ENAMETOOLONG;
    return false;
  }
  std::memcpy(address.sun_path, text.data(), text.size());
  return true;
}
}  // namespace

Socket gf_connectTcpStream(int family, const std::string& host, const std::string& port, int& error) {
  addrinfo hints{};
  hints.ai_family = lf_osFamily(family);
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (rc != 0 || !found) {
    error = rc;
    return {};
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> guard(found, &::freeaddrinfo);
  Socket socket(::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol));
  if (!socket.valid()) {
    error = errno;
    return {};
  }
  while (::connect(socket.fd(), found->ai_addr, found->ai_addrlen) != 0) {
    if (errno == EINTR) continue;
    error = errno;
    return {};
  }
  return socket;
}

UnixConnect gf_connectUnixStream(const std::filesystem::path& path, Socket& out, int& error) {
  sockaddr_un address;
  if (!lf_unixAddress(path, address, error)) return UnixConnect::failed;
  Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!socket.valid()) {
    error = errno;
    return UnixConnect::failed;
  }
  int rc;
  do {
    rc = ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    error = errno;
    return error == EAGAIN ? UnixConnect::busy : UnixConnect::failed;
  }
  const int flags = ::fcntl(socket.fd(), F_GETFL);
  if (flags < 0 || ::fcntl(socket.fd(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = errno;
    return UnixConnect::failed;
  }
  out = std::move(socket);
  return UnixConnect::connected;
}

Socket gf_listenTcpStream(int family, const std::string& host, std::uint16_t port, int& error) {
  const int osFamily = lf_osFamily(family);
  Socket socket(::socket(osFamily, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!socket.valid()) {
    error = errno;
    return {};
  }
  const int one = 1;
  ::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (osFamily == AF_INET6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(port);
    if (::inet_pton(AF_INET6, host.c_str(), &a->sin6_addr) != 1) {
      error = EINVAL;
      return {};
    }
    ::setsockopt(socket.fd(), IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    length = sizeof *a;
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&storage);
    a->sin_family = AF_INET;
    a->sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &a->sin_addr) != 1) {
      error = EINVAL;
      return {};
    }
    length = sizeof *a;
  }
  if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&storage), length) != 0 ||
      ::listen(socket.fd(), 16) != 0) {
    error = errno;
    return {};
  }
  return socket;
}

Socket gf_listenUnixStream(const std::filesystem::path& path, int& error) {
  sockaddr_un address;
  if (!lf_unixAddress(path, address, error)) return {};
  Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.valid()) {
    error = errno;
    return {};
  }
  ::unlink(address.sun_path);
  if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(socket.fd(), 16) != 0) {
    error = errno;
    return {};
  }
  return socket;
}

Socket gf_acceptStream(int listenFd, int& error) {
  for (;;) {
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      // The connection itself blocks; only the accept must not.
      const int flags = ::fcntl(fd, F_GETFL);
      if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
      return Socket(fd);
    }
    if (errno == EINTR) continue;
    error = errno;
    return {};
  }
}

bool gf_sendAllBlocking(int fd, const void* data, std::size_t size, int& error) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace vexo::platform
