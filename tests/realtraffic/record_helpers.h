// Building traffic records and a receiver to read them in tests.
#pragma once

#include <array>
#include <chrono>
#include <thread>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "foundation/run_state.h"
#include "engine/live_report.h"
#include "realtraffic/traffic_receiver.h"

namespace vexo::test {

// Los Angeles: the user aircraft and the park airport.
inline constexpr LatLon g_klax{33.9425, -118.408};

// A valid airborne record near KLAX; changes replace fields by number.
using FieldChanges = std::vector<std::pair<std::size_t, std::string>>;

inline std::string makeRecord(const FieldChanges& changes = {}) {
  std::array<std::string, 29> fields{"RTTFC", "11234567", "33.9400", "-118.4000", "5000", "-500", "1", "90", "200",
                                     "AAL123", "B738", "N12345", "LAX", "SFO", "1700000000", "X", "null",
                                     "adsb_icao", "5000", "-1", "-1", "-1", "-1", "-1", "-1", "90", "-500", "none", "A3"};
  for (const auto& [index, text] : changes) fields.at(index) = text;
  return fmt::format("{}", fmt::join(fields, ","));
}

inline RecordContext makeContext(bool withParkAirport = true) {
  RecordContext context;
  context.refPosition = g_klax;
  context.rangeNm = 40.0;
  if (withParkAirport) {
    context.parkAirport = ParkAirportRef{g_klax, 125.0};
    context.parkAirportElevation = 125.0;
  }
  return context;
}

// Intake on and an empty queue while it lives; the queue is emptied again afterwards.
class IntakeScope {
public:
  explicit IntakeScope(bool on = true) {
    const std::lock_guard lock(g_liveReportMutex);
    g_liveReportQueue.clear();
    g_liveReportHandOver.dropped = 0;
    g_trafficIntake = on;
  }
  ~IntakeScope() {
    const std::lock_guard lock(g_liveReportMutex);
    g_liveReportQueue.clear();
    g_liveReportHandOver.dropped = 0;
    g_trafficIntake = false;
  }
  IntakeScope(const IntakeScope&) = delete;
  IntakeScope& operator=(const IntakeScope&) = delete;

  std::size_t size() const {
    const std::lock_guard lock(g_liveReportMutex);
    return g_liveReportQueue.size();
  }
  std::uint64_t dropped() const {
    const std::lock_guard lock(g_liveReportMutex);
    return g_liveReportHandOver.dropped;
  }
  LiveReport back() const {
    const std::lock_guard lock(g_liveReportMutex);
    return g_liveReportQueue.back();
  }
};

// Waits for a condition that another thread brings about; the limit is reached only
// when something hangs.
inline constexpr auto g_patience = std::chrono::seconds(20);

template <typename Pred>
bool waitUntil(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + g_patience;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The run flags back to a fresh run, whatever a test did with them.
struct RunFlagsReset {
  ~RunFlagsReset() {
    g_closing.store(false);
    g_windowClosed.store(false);
    g_exitReason.store(ExitReason::notYetSet);
    g_restartDelay.store(0);
  }
};

}  // namespace vexo::test
