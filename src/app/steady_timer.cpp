#include "app/steady_timer.h"

#include <thread>

namespace vexo {

const SteadyTimer& gf_steadyTimer() {
  static const SteadyTimer timer{
      [] { return SteadyTimer::Clock::now(); },
      [](SteadyTimer::TimePoint until) {
        while (SteadyTimer::Clock::now() < until) std::this_thread::sleep_until(until);
      }};
  return timer;
}

bool gf_pollUntil(const SteadyTimer& timer, const std::function<bool()>& done, SteadyTimer::Clock::duration step,
                  SteadyTimer::Clock::duration limit) {
  const auto end = timer.now() + limit;
  while (!done()) {
    const auto now = timer.now();
    if (now >= end) return false;
    timer.sleepUntil(std::min(now + step, end));
  }
  return true;
}

}  // namespace vexo
