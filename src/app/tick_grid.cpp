#include "app/tick_grid.h"

namespace vexo {

void gf_runTickGrid(const SteadyTimer& timer, TickGrid grid, const std::function<bool()>& tick,
                    const std::function<bool()>& reportWaiting) {
  using std::chrono::milliseconds;
  bool more = tick();
  while (more) {
    const auto now = timer.now();
    auto wake = grid.wakeTime(now);
    if (wake - now >= milliseconds(1)) timer.sleepUntil(wake);
    if (reportWaiting()) wake = timer.now();
    grid.ticked(wake);
    more = tick();
  }
}

}  // namespace vexo
