// Who an aircraft is (AcIdent) and one reported position of it (StreamPos): the two
// records that the Traffic Reader fills and the engine keeps. AcIdent begins every
// aircraft record (aircraft.h) and the reader's LiveReport (live_report.h).
#pragma once

#include <cstdint>
#include <string>

#include "refdata/ac_codes.h"
#include "refdata/fixed_code.h"

namespace vexo {

struct AcIdent {
  AcCodes codes;          // the reader fills only the model id
  IataCode origin;        // the empty code when not reported
  IataCode destination;
  std::uint8_t learnedMatch = 0;  // matched once against the learned flights
  std::string callsign;           // at most 8 characters when valid; may be empty
  // Live aircraft: the callsign taken at birth or at the last change of callsign.
  // Static aircraft: the first name of its learned flight.
  std::string previousCallsign;
  std::string auxName;  // live aircraft: empty; static aircraft: second learned name
  std::string registration;
};

// One reported position; the engine moves the aircraft to reach it at dueTick.
struct StreamPos {
  double lat = 0.0;           // degrees
  double lon = 0.0;           // degrees
  double altitude = 0.0;      // feet; 0 on the ground
  double groundSpeed = 0.0;   // knots
  double track = 0.0;         // degrees
  double verticalRate = 0.0;  // feet per minute
  double speed = 0.0;         // reported airspeed, knots (sent as the true airspeed)
  std::int32_t dueTick = 0;   // the g_trafficTick at which the aircraft is to be here
  std::uint8_t airborne = 0;
  std::uint8_t stationary = 0;   // same place as the position before (or a hold or stop)
  std::uint8_t adsbHeading = 0;  // an ADS-B record carried the true heading
  double roll = 0.0;             // bank, radians, with the report's sign inverted
  std::uint8_t rollValid = 0;
  double trueHeading = 0.0;  // radians
  std::uint8_t trueHeadingValid = 0;
};

}  // namespace vexo
