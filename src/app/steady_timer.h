// The steady clock and the sleep that the start-up thread waits with, as one injectable
// pair, so that the tick grid, the countdowns and the polls can be tested without time.
#pragma once

#include <chrono>
#include <functional>

namespace vexo {

struct SteadyTimer {
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;
  std::function<TimePoint()> now;
  // Returns only once now() has reached the given time.
  std::function<void(TimePoint)> sleepUntil;

  void sleepFor(Clock::duration d) const { sleepUntil(now() + d); }
};

// The real clock; its sleep sleeps again after an early wake-up.
const SteadyTimer& gf_steadyTimer();

// Polls `done` every `step` until it returns true or `limit` has passed; returns what
// `done` said last. The waits of the start-up thread use it with gf_runEnding.
bool gf_pollUntil(const SteadyTimer& timer, const std::function<bool()>& done, SteadyTimer::Clock::duration step,
                  SteadyTimer::Clock::duration limit);

}  // namespace vexo
