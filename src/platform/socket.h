// An owned socket descriptor and the waits built on poll(2).
#pragma once

#include <chrono>

namespace vexo::platform {

// Owns one descriptor and closes it once. Move-only.
class Socket {
public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { close(); }
  Socket(Socket&& other) noexcept : fd_(other.release()) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void close();
  // Wakes a thread blocked on this socket in another thread without closing it.
  void shutdownBoth() const;

private:
  int fd_ = -1;
};

enum class WaitResult { ready, timeout, error };

// Waits until fd is readable (or writable), at most timeout; EINTR restarts the wait.
WaitResult gf_waitReadable(int fd, std::chrono::milliseconds timeout);
WaitResult gf_waitWritable(int fd, std::chrono::milliseconds timeout);

}  // namespace vexo::platform
