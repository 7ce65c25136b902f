// One traffic cycle at 0, 100, 500 and 1000 live aircraft in mixed states, in the steady
// state (no new report, answer or creation): the mean, the 99th percentile and the
// largest cycle time, and the heap allocations per cycle (the goal: p99 below 0.3 ms at
// 500 aircraft, and no allocation). BM_MovingCycle: every aircraft active and moving, and
// the worst case of every front position falling due in the same cycle (the goal: p99
// below 0.15 ms at 500). After every cycle, outside the timing, the simulator's side is
// drained as the frame drain of the simulator link does, less the calls it sends.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "engine/engine_services.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vexo {
namespace {

constexpr std::int32_t g_far = std::numeric_limits<std::int32_t>::max() / 2;

// The mean, the median, the 99th percentile and the largest of the cycle times,
// microseconds. On a shared machine the median moves least with the load of others.
void lf_reportTimes(benchmark::State& state, std::vector<double>& micros, const char* prefix = "") {
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (const double m : micros) sum += m;
  const auto n = static_cast<double>(micros.size());
  const std::string p(prefix);
  state.counters[p + "mean_us"] = sum / n;
  state.counters[p + "p50_us"] = micros[micros.size() / 2];
  state.counters[p + "p99_us"] = micros[static_cast<std::size_t>(n * 0.99)];
  state.counters[p + "max_us"] = micros.back();
}

// The thread's own processor time, microseconds: on a loaded machine the wall time of a
// cycle also counts the time other processes had the core.
double lf_threadMicros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

StreamPos lf_pos(double lat, double lon, double altitude) {
  StreamPos p;
  p.lat = lat;
  p.lon = lon;
  p.altitude = altitude;
  p.groundSpeed = altitude > 0 ? 250.0 : 12.0;
  p.track = 123.0;
  p.speed = p.groundSpeed;
  p.airborne = altitude > 0 ? 1 : 0;
  p.dueTick = g_far;
  return p;
}

// Of every 20 aircraft: 12 active, 3 buffered, 2 being created, 2 being removed, 1 in a
// livery respawn; their next positions lie far ahead, so the states hold.
void lf_fill(TrafficEngine& engine, int count) {
  for (int i = 0; i < count; ++i) {
    const std::uint32_t hexid = 20000 + static_cast<std::uint32_t>(i);
    AcIdent ident;
    ident.callsign = "BNC" + std::to_string(i);
    const double altitude = i % 3 == 0 ? 0.0 : 3000.0 + i;
    LiveAc a(gf_makeLiveAcData(ident, hexid), lf_pos(33.0 + i * 0.001, -118.0, altitude), 1000.0);
    a.stream.push_back(lf_pos(33.0 + i * 0.001 + 0.01, -118.0, altitude));
    const int kind = i % 20;
    if (kind < 12) {
      a.simState = SimState::active;
      a.objectid = 1000 + static_cast<std::uint32_t>(i);
    } else if (kind < 15) {
      a.simState = SimState::buffer;
    } else if (kind < 17) {
      a.simState = SimState::adding2sim;
    } else if (kind < 19) {
      a.simState = SimState::removingfromsim;
      a.objectid = 1000 + static_cast<std::uint32_t>(i);
    } else {
      a.simState = SimState::liveryrespawn;
      a.objectid = 1000 + static_cast<std::uint32_t>(i);
    }
    engine.liveAcs.push_back(std::move(a));
  }
}

// No simulator, no RealTraffic and one livery: the cycle's own work is what is measured.
// What the "SimClient" thread's frame drain does with the queues, the sending left out:
// the positions handed over and the client events, creations and removals taken.
void lf_drainFrame(SimLink& link) {
  std::lock_guard lock(link.simConnectMutex);
  link.simPositionQueue.simSide().clear();
  link.simEventQueue.clear();
  link.simCreateQueue.clear();
  link.simRemovalQueue.clear();
}

void lf_prepare(TrafficEngine& engine, SimLink& link) {
  engine.hooks.requestAcInRange = [](SimLink&, std::uint32_t) { return true; };
  engine.hooks.getUserAcPosition = [](SimLink&) { return UserAcData{}; };
  engine.hooks.sendUserPosition = nullptr;
  engine.hooks.matchLivery = [](LiveAc& a, const std::unordered_set<std::string>&) { a.liveryTitle = "Bench livery"; };
  gf_reserveTrafficTables(engine);
  link.simPositionQueue.reserve(1024);
}

void BM_TrafficCycle(benchmark::State& state) {
  SimLink link;
  TrafficEngine engine(link);
  lf_prepare(engine, link);
  lf_fill(engine, static_cast<int>(state.range(0)));
  for (int i = 0; i < 1000; ++i) lf_handleAddingStack(engine);  // warm up

  std::vector<double> micros;
  micros.reserve(1'000'000);
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    const std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
    const auto t0 = std::chrono::steady_clock::now();
    lf_handleAddingStack(engine);
    const auto t1 = std::chrono::steady_clock::now();
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
    if (micros.size() < micros.capacity()) micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  lf_reportTimes(state, micros);
  state.counters["allocs_per_cycle"] = static_cast<double>(allocations) / static_cast<double>(micros.size());
}
BENCHMARK(BM_TrafficCycle)->Arg(0)->Arg(100)->Arg(500)->Arg(1000)->Iterations(100000);

// A stream of reported positions along a leg: one every 8 s in the air (250 kt), every
// 3 s on the ground (12 kt), turning a little at each.
void lf_refill(LiveAc& a, std::int32_t from, int count) {
  const bool air = a.onGround == 0;
  StreamPos p = a.stream.empty() ? lf_pos(a.lat, a.lon, air ? 3000.0 : 0.0) : a.stream.back();
  for (int k = 0; k < count; ++k) {
    const double bearing = (90.0 + 5.0 * (k % 3)) * 0.017453292519943295;
    const double nm = p.groundSpeed * (air ? 8.0 : 3.0) / 3600.0;
    p.lat += nm / 60.0 * std::cos(bearing);
    p.lon += nm / 60.0 * std::sin(bearing) / std::cos(p.lat * 0.017453292519943295);
    p.dueTick = from + (k + 1) * (air ? 800 : 300);
    a.stream.push_back(p);
  }
}

void BM_MovingCycle(benchmark::State& state) {
  SimLink link;
  TrafficEngine engine(link);
  lf_prepare(engine, link);
  const int count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; ++i) {
    AcIdent ident;
    ident.callsign = "MOV" + std::to_string(i);
    const double altitude = i % 4 == 0 ? 0.0 : 3000.0 + i;
    LiveAc a(gf_makeLiveAcData(ident, 20000 + static_cast<std::uint32_t>(i)), lf_pos(33.0 + i * 0.001, -118.0, altitude), 1000.0);
    a.simState = SimState::active;
    a.objectid = 1000 + static_cast<std::uint32_t>(i);
    a.onGround = altitude > 0.0 ? 0 : 1;
    a.flightState = altitude > 0.0 ? FlightState::flying : FlightState::taxi;
    a.stepsLeft = 0;
    a.lat = a.stream.front().lat;
    a.lon = a.stream.front().lon;
    a.altitude = altitude;
    lf_refill(a, 0, 30);
    engine.liveAcs.push_back(std::move(a));
  }
  std::vector<double> micros;
  micros.reserve(1'000'000);
  std::vector<double> cpuMicros;
  cpuMicros.reserve(1'000'000);
  std::uint64_t allocations = 0;
  std::size_t events = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::int32_t now = engine.trafficTick.load();
    for (LiveAc& a : engine.liveAcs) {
      if (a.stream.size() < 8) lf_refill(a, now, 30);
      a.stream.front().dueTick = now;  // every front falls due in this cycle
    }
    state.ResumeTiming();
    const std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
    const double c0 = lf_threadMicros();
    const auto t0 = std::chrono::steady_clock::now();
    lf_handleAddingStack(engine);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = lf_threadMicros();
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
    if (micros.size() < micros.capacity()) micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    if (cpuMicros.size() < cpuMicros.capacity()) cpuMicros.push_back(c1 - c0);
    state.PauseTiming();
    events += link.simEventQueue.size();
    lf_drainFrame(link);
    state.ResumeTiming();
  }
  lf_reportTimes(state, micros);
  lf_reportTimes(state, cpuMicros, "cpu_");
  state.counters["allocs_per_cycle"] = static_cast<double>(allocations) / static_cast<double>(micros.size());
  state.counters["events_per_cycle"] = static_cast<double>(events) / static_cast<double>(micros.size());
  std::size_t active = 0;
  for (const LiveAc& a : engine.liveAcs) active += a.simState == SimState::active ? 1 : 0;
  state.counters["still_active"] = static_cast<double>(active);
}
BENCHMARK(BM_MovingCycle)->Arg(100)->Arg(500)->Iterations(20000);

}  // namespace
}  // namespace vexo
