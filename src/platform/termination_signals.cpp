#include "platform/termination_signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace vexo::platform {

namespace {
sigset_t lf_terminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}
}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal) {
  const sigset_t set = lf_terminationSet();
  if (const int rc = pthread_sigmask(SIG_BLOCK, &set, nullptr); rc != 0)
    throw std::system_error(rc, std::generic_category(), "pthread_sigmask");
  signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (signalFd_ < 0 || stopFd_ < 0) {
    const int error = errno;
    if (signalFd_ >= 0) ::close(signalFd_);
    if (stopFd_ >= 0) ::close(stopFd_);
    throw std::system_error(error, std::generic_category(), "signalfd");
  }
  watcher_ = std::thread([this, onSignal = std::move(onSignal)] {
    std::array<pollfd, 2> fds{pollfd{signalFd_, POLLIN, 0}, pollfd{stopFd_, POLLIN, 0}};
    for (;;) {
      if (::poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      signalfd_siginfo info{};
      while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) onSignal();
    }
  });
}

TerminationSignals::~TerminationSignals() {
  const std::uint64_t one = 1;
  (void)!::write(stopFd_, &one, sizeof one);
  if (watcher_.joinable()) watcher_.join();
  ::close(signalFd_);
  ::close(stopFd_);
}

}  // namespace vexo::platform
