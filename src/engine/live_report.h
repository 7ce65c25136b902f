// The hand-over of parsed traffic reports from the Traffic Reader to the traffic engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/geodesy.h"
#include "refdata/ac_codes.h"
#include "refdata/fixed_code.h"

namespace vexo {

// Who an aircraft is: its code word, route and names.
struct AcIdent {
  AcIdent() = default;
  AcIdent(AcIdent&&) noexcept = default;
  AcIdent& operator=(AcIdent&&) noexcept = default;
  AcIdent(const AcIdent&) = default;
  AcIdent& operator=(const AcIdent&) = default;

  AcCodes codes;             // the reader fills only the model id
  IataCode origin;           // the empty code when unknown
  IataCode destination;
  std::uint8_t learnedFlight = 0;
  std::string callsign;      // may be empty, never together with the registration
  std::string previousCallsign;
  std::string thirdName;
  std::string registration;
};

// One reported position of an aircraft, due at an engine tick.
struct StreamPos {
  LatLon position;             // degrees
  double altitude = 0.0;       // feet; 0 = on the ground
  double groundSpeed = 0.0;    // knots
  double track = 0.0;          // degrees
  double verticalSpeed = 0.0;  // as received
  double trueAirspeed = 0.0;   // knots
  std::int32_t dueTick = 0;
  std::uint8_t airborne = 0;
  std::uint8_t groundStream = 0;
  std::uint8_t headingValid = 0;     // a true heading came with the report
  std::optional<double> roll;        // radians
  std::optional<double> trueHeading; // radians, 2 pi for a reported 0
};

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
