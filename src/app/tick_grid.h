// The 10 ms grid of the tick loop: a tick is due every 10 ms; ticks missed by up to
// 100 ms are made up at once, a longer stall starts the grid again from now, and a new
// user-aircraft report re-bases the grid on the tick that sees it.
#pragma once

#include <chrono>
#include <functional>

#include "app/steady_timer.h"

namespace vexo {

class TickGrid {
public:
  using TimePoint = SteadyTimer::TimePoint;
  static constexpr std::chrono::milliseconds g_period{10};
  static constexpr std::chrono::milliseconds g_catchUpLimit{100};

  explicit TickGrid(TimePoint start) : deadline_(start + g_period) {}

  // When the next tick runs, seen at `now`.
  TimePoint wakeTime(TimePoint now) const { return deadline_ + g_catchUpLimit < now ? now + g_period : deadline_; }
  // The tick that ran at `wake` sets the next deadline.
  void ticked(TimePoint wake) { deadline_ = wake + g_period; }
  TimePoint deadline() const { return deadline_; }

private:
  TimePoint deadline_;
};

// Calls tick() at once and then on the grid while it returns true. `reportWaiting`
// tells (without taking it) whether a user-aircraft report has arrived.
void gf_runTickGrid(const SteadyTimer& timer, TickGrid grid, const std::function<bool()>& tick,
                    const std::function<bool()>& reportWaiting);

}  // namespace vexo
