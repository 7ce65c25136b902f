// A steady clock that moves only when the code under test sleeps (or the test says so).
#pragma once

#include <functional>
#include <vector>

#include "app/steady_timer.h"

namespace vexo::test {

class FakeTimer {
public:
  using TimePoint = SteadyTimer::TimePoint;
  // Called after each sleep, with the time slept to.
  std::function<void(TimePoint)> onSleep;

  SteadyTimer timer() {
    return {[this] { return now_; },
            [this](TimePoint until) {
              sleeps_.push_back(until);
              if (until > now_) now_ = until;
              if (onSleep) onSleep(until);
            }};
  }
  TimePoint now() const { return now_; }
  void advance(SteadyTimer::Clock::duration d) { now_ += d; }
  const std::vector<TimePoint>& sleeps() const { return sleeps_; }

private:
  TimePoint now_{std::chrono::hours(1)};
  std::vector<TimePoint> sleeps_;
};

}  // namespace vexo::test
