// A polite end requested from outside (SIGTERM, SIGINT, SIGHUP: a service manager, a
// terminal, a script that ran the program for a while) is handled like a click on the
// window's close button, so the run still ends through closing down.
#pragma once

#include <functional>
#include <thread>

namespace vexo::platform {

class TerminationSignals {
public:
  // Blocks the three signals for the calling thread and the threads it starts later, and
  // calls onSignal on a watcher thread for each one received. Create it before any other
  // thread starts, or a signal may reach a thread that does not block it.
  explicit TerminationSignals(std::function<void()> onSignal);
  // Stops and joins the watcher; the signals stay blocked.
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
  int signalFd_ = -1;
  int stopFd_ = -1;
  std::thread watcher_;
};

}  // namespace vexo::platform
