// The hand-over of parsed traffic reports from the Traffic Reader to the traffic engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>

#include "engine/ac_ident.h"

namespace vexo {

// One aircraft report of the Traffic Reader.
struct LiveReport {
  AcIdent ident;
  StreamPos pos;
  double reportTime = 0.0;  // UTC seconds of the record
  std::uint32_t hexid = 0;  // always above 10000
};

// A due tick n cycles after tick, held at the int32 limits instead of wrapping.
constexpr std::int32_t gf_addTicks(std::int32_t tick, std::int64_t n) {
  const std::int64_t sum = static_cast<std::int64_t>(tick) + n;
  if (sum > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (sum < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(sum);
}

// A report waits this many ticks (30 s) before the engine moves the aircraft to it.
inline constexpr std::int32_t g_reportDelayTicks = 3000;

// The reader hand-over. The Traffic Reader appends at the back while the intake is on;
// the engine takes from the front on the tick thread (at most two reports a cycle). A
// queue at its limit loses its oldest report for each new one: the engine takes 200 a
// second, so a longer queue only holds reports that are stale by the time they are due.
struct ReportHandOver {
  std::mutex mutex;  // guards queue, intake and dropped
  std::deque<LiveReport> queue;
  bool intake = false;
  std::uint64_t dropped = 0;  // reports lost at the limit since the engine last logged them
};
inline constexpr std::size_t g_maxQueuedReports = 4000;

// Appends a report, dropping the oldest one at the limit (mutex held by the caller).
void gf_queueLiveReport(ReportHandOver& handOver, LiveReport&& report);

// The program's hand-over and clock (members of the traffic engine, traffic_engine.h).
extern ReportHandOver& g_liveReportHandOver;
extern std::mutex& g_liveReportMutex;
extern std::deque<LiveReport>& g_liveReportQueue;
extern bool& g_trafficIntake;
// The engine's clock in 10 ms cycles; written by the tick thread, read by the reader.
extern std::atomic<std::int32_t>& g_trafficTick;

// The QNH in hPa published by the QNH Reader (1013 until a value arrives).
inline constexpr std::int32_t g_standardQnh = 1013;
extern std::atomic<std::int32_t> g_qnh;

}  // namespace vexo
