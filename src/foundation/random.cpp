#include "foundation/random.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace vexo {

namespace {

std::atomic<bool> g_randomEnabled{true};

// Seeded on the thread's first use from the system's random device, the steady clock and
// the thread's id, so threads started together still draw apart.
std::mt19937& lf_engine() {
  thread_local std::mt19937 engine = [] {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto threadHash = std::hash<std::thread::id>{}(std::this_thread::get_id());
    std::seed_seq seeds{static_cast<std::uint32_t>(device()), static_cast<std::uint32_t>(now),
                        static_cast<std::uint32_t>(now >> 32), static_cast<std::uint32_t>(threadHash)};
    return std::mt19937(seeds);
  }();
  return engine;
}

}  // namespace

void gf_setRandomEnabled(bool enabled) { g_randomEnabled.store(enabled, std::memory_order_relaxed); }
bool gf_randomEnabled() { return g_randomEnabled.load(std::memory_order_relaxed); }

std::uint64_t gf_randomIndex(std::uint64_t n) {
  if (!gf_randomEnabled() || n < 2) return 0;
  return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(lf_engine());
}

void gf_shuffle(std::vector<std::uint16_t>& numbers) {
  if (!gf_randomEnabled() || numbers.size() < 2) return;
  std::shuffle(numbers.begin(), numbers.end(), lf_engine());
}

double gf_randomSpread(double value, double percent) {
  const double sign = lf_engine()() % 2 == 0 ? 1.0 : -1.0;
  return percent > 0 ? value + sign * (value * percent / 100) : value;
}

void gf_seedThreadRandom(std::uint32_t seed) { lf_engine().seed(seed); }

}  // namespace vexo
