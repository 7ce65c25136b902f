// An auto-reset event: one thread signals, another waits for the signal.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vexo::platform {

class NotifyEvent {
public:
  // Callable from any thread.
  void set();
  // True when the event was signalled (and clears it); false after timeout.
  bool wait(std::chrono::milliseconds timeout);

private:
  std::mutex mutex_;  // guards signalled_
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace vexo::platform
