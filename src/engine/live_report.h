// The hand-over of parsed traffic reports from the Traffic Reader to the traffic engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
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

// A report waits this many ticks (30 s) before the engine moves the aircraft to it.
inline constexpr std::int32_t g_reportDelayTicks = 3000;

// The reader hand-over: the mutex guards g_liveReportQueue and g_trafficIntake. The
// Traffic Reader appends at the back while the intake is on; the engine takes from the
// front on the tick thread.
extern std::mutex g_liveReportMutex;
extern std::deque<LiveReport> g_liveReportQueue;
extern bool g_trafficIntake;

// The engine's clock in 10 ms cycles; written by the tick thread, read by the reader.
extern std::atomic<std::int32_t> g_trafficTick;

// The QNH in hPa published by the QNH Reader (1013 until a value arrives).
inline constexpr std::int32_t g_standardQnh = 1013;
extern std::atomic<std::int32_t> g_qnh;

}  // namespace vexo
