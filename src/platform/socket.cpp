#include "platform/socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vexo::platform {

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.release();
  }
  return *this;
}

void Socket::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void Socket::shutdownBoth() const {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

namespace {
WaitResult lf_wait(int fd, short events, std::chrono::milliseconds timeout) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int n = ::poll(&entry, 1, static_cast<int>(timeout.count()));
    if (n > 0) return (entry.revents & (events | POLLHUP | POLLERR)) ? WaitResult::ready : WaitResult::error;
    if (n == 0) return WaitResult::timeout;
    if (errno != EINTR) return WaitResult::error;
  }
}
}  // namespace

WaitResult gf_waitReadable(int fd, std::chrono::milliseconds timeout) { return lf_wait(fd, POLLIN, timeout); }
WaitResult gf_waitWritable(int fd, std::chrono::milliseconds timeout) { return lf_wait(fd, POLLOUT, timeout); }

}  // namespace vexo::platform
