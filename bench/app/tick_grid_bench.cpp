// How closely the tick loop keeps its 10 ms grid on the real steady clock, and what one
// idle tick of the grid costs. Counters: mean spacing and the worst lateness of a tick
// against its grid point, in milliseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/tick_grid.h"
#include "app/tick_schedule.h"

namespace {

using namespace std::chrono;

void BM_TickGridTenMilliseconds(benchmark::State& state) {
  const auto ticks = static_cast<std::size_t>(state.range(0));
  double meanMs = 0, worstLateMs = 0;
  for (auto _ : state) {
    std::vector<steady_clock::time_point> at;
    at.reserve(ticks);
    const auto& timer = vexo::gf_steadyTimer();
    const auto start = timer.now();
    vexo::gf_runTickGrid(timer, vexo::TickGrid(start), [&] {
      at.push_back(steady_clock::now());
      return at.size() < ticks;
    }, [] { return false; });
    meanMs = duration<double, std::milli>(at.back() - at.front()).count() / static_cast<double>(ticks - 1);
    worstLateMs = 0;
    for (std::size_t i = 0; i < at.size(); ++i) {
      const auto due = start + milliseconds(10 * static_cast<long>(i));
      worstLateMs = std::max(worstLateMs, duration<double, std::milli>(at[i] - due).count());
    }
  }
  state.counters["mean_spacing_ms"] = meanMs;
  state.counters["worst_late_ms"] = worstLateMs;
}
BENCHMARK(BM_TickGridTenMilliseconds)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WorkTickSchedule(benchmark::State& state) {
  std::int32_t n = 0;
  for (auto _ : state) {
    n = n % vexo::g_workTicksPerDay + 1;
    benchmark::DoNotOptimize(vexo::gf_workTickDuties(n));
  }
}
BENCHMARK(BM_WorkTickSchedule);

}  // namespace
