#include "platform/link_io.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <thread>
#include <utility>

namespace vexo::platform {

namespace {
// Running I/O threads; the teardown of the last client waits for them to end.
std::mutex g_liveMutex;  // guards g_liveThreads
std::condition_variable g_liveChanged;
int g_liveThreads = 0;
}  // namespace

std::uint32_t gf_ioStatusOfErrno(int error) {
  switch (error) {
    case ECONNRESET: return STATUS_CONNECTION_RESET;
    case EPIPE: return STATUS_PIPE_BROKEN;
    case ECONNABORTED:
    case ENOTCONN:
    case ESHUTDOWN: return STATUS_REMOTE_DISCONNECT;
    case ECANCELED: return STATUS_CANCELLED;
    default: return STATUS_UNSUCCESSFUL;
  }
}

LinkIo::LinkIo(Socket socket, Socket wake, bool pipe) : pipe_(pipe), wake_(std::move(wake)), socket_(std::move(socket)) {}

LinkIo::~LinkIo() = default;

std::shared_ptr<LinkIo> LinkIo::start(Socket socket, bool pipe, IoCompletionFn onComplete) {
  Socket wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake.valid()) return nullptr;
  std::shared_ptr<LinkIo> link(new LinkIo(std::move(socket), std::move(wake), pipe));
  {
    std::lock_guard lock(g_liveMutex);
    ++g_liveThreads;
  }
  try {
    std::thread([link, fn = std::move(onComplete)]() mutable {
      link->run(std::move(fn));
      link.reset();
      // Notified under the lock: a waiter that sees the count reach zero may let the
      // process end, and the thread touches nothing shared after unlocking.
      std::lock_guard lock(g_liveMutex);
      --g_liveThreads;
      g_liveChanged.notify_all();
    }).detach();
  } catch (...) {
    std::lock_guard lock(g_liveMutex);
    --g_liveThreads;
    return nullptr;
  }
  return link;
}

bool LinkIo::startRead(std::span<std::byte> buffer) {
  {
    std::lock_guard lock(mutex_);
    if (cancelled_ || readPending_ || buffer.empty()) return false;
    readPending_ = true;
    readBuffer_ = buffer;
  }
  wake();
  return true;
}

bool LinkIo::startWrite(std::shared_ptr<const std::vector<std::byte>> data) {
  {
    std::lock_guard lock(mutex_);
    if (cancelled_ || writePending_ || !data || data->empty()) return false;
    writePending_ = true;
    writeData_ = std::move(data);
    written_ = 0;
  }
  wake();
  return true;
}

void LinkIo::cancel() {
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
    cancelled_ = true;
    socket_.shutdownBoth();
  }
  wake();
}

bool LinkIo::setNoDelay() {
  std::lock_guard lock(mutex_);
  const int one = 1;
  return socket_.valid() && ::setsockopt(socket_.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) == 0;
}

void LinkIo::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto n = ::write(wake_.fd(), &one, sizeof one);
}

void LinkIo::run(IoCompletionFn onComplete) {
  for (;;) {
    bool wantRead = false, wantWrite = false;
    int fd = -1;
    {
      std::lock_guard lock(mutex_);
      if (cancelled_) break;
      wantRead = readPending_;
      wantWrite = writePending_;
      fd = socket_.fd();
    }
    // A link with nothing pending is not polled: a hung-up socket would wake it at once.
    if (!wantRead && !wantWrite) fd = -1;
    pollfd fds[2] = {{fd, static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0},
                     {wake_.fd(), POLLIN, 0}};
    const int n = ::poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      cancel();
      break;
    }
    if (fds[1].revents) {
      std::uint64_t count;
      [[maybe_unused]] const auto r = ::read(wake_.fd(), &count, sizeof count);
    }
    const short ready = fds[0].revents;
    if (wantRead && (ready & (POLLIN | POLLHUP | POLLERR))) doRead(onComplete);
    if (wantWrite && (ready & (POLLOUT | POLLHUP | POLLERR))) doWrite(onComplete);
  }

  // Cancelled: what was pending completes as cancelled, as a cancelled overlapped
  // operation would.
  bool readWasPending = false, writeWasPending = false;
  {
    std::lock_guard lock(mutex_);
    readWasPending = std::exchange(readPending_, false);
    writeWasPending = std::exchange(writePending_, false);
    writeData_.reset();
    socket_.close();
  }
  if (readWasPending) onComplete({IoOp::read, STATUS_CANCELLED, 0, ECANCELED});
  if (writeWasPending) onComplete({IoOp::write, STATUS_CANCELLED, 0, ECANCELED});
  onComplete = nullptr;  // may drop the last reference to the link's owner
}

void LinkIo::doRead(const IoCompletionFn& onComplete) {
  std::span<std::byte> buffer;
  int fd;
  {
    std::lock_guard lock(mutex_);
    if (!readPending_ || cancelled_) return;
    buffer = readBuffer_;
    fd = socket_.fd();
  }
  const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  IoCompletion done{IoOp::read, STATUS_SUCCESS, 0, 0};
  if (n > 0) {
    done.bytes = static_cast<std::size_t>(n);
  } else if (n == 0) {
    // The far end closed: a socket reports a zero-byte read, a pipe a broken pipe.
    if (pipe_) done.status = STATUS_PIPE_BROKEN;
  } else {
    done.osError = errno;
    done.status = gf_ioStatusOfErrno(errno);
  }
  {
    std::lock_guard lock(mutex_);
    readPending_ = false;
  }
  onComplete(done);
}

void LinkIo::doWrite(const IoCompletionFn& onComplete) {
  std::shared_ptr<const std::vector<std::byte>> data;  // alive through the send
  std::span<const std::byte> rest;
  int fd;
  {
    std::lock_guard lock(mutex_);
    if (!writePending_ || cancelled_) return;
    data = writeData_;
    rest = std::span(*data).subspan(written_);
    fd = socket_.fd();
  }
  const ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  IoCompletion done{IoOp::write, STATUS_SUCCESS, 0, 0};
  {
    std::lock_guard lock(mutex_);
    if (n > 0) {
      written_ += static_cast<std::size_t>(n);
      if (written_ < writeData_->size()) return;
      done.bytes = written_;
    } else {
      done.osError = n < 0 ? errno : 0;
      done.status = n < 0 ? gf_ioStatusOfErrno(errno) : STATUS_SUCCESS;
    }
    writePending_ = false;
    writeData_.reset();
  }
  onComplete(done);
}

int LinkIo::liveCount() {
  std::lock_guard lock(g_liveMutex);
  return g_liveThreads;
}

bool LinkIo::waitNoneLive(std::chrono::milliseconds timeout) {
  std::unique_lock lock(g_liveMutex);
  return g_liveChanged.wait_for(lock, timeout, [] { return g_liveThreads == 0; });
}

}  // namespace vexo::platform
