// What one traffic record is checked against and what becomes of it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/geodesy.h"

namespace vexo {

// What became of one datagram of the Traffic Reader, in the order of the checks.
enum class RecordOutcome : std::uint8_t {
  accepted,             // handed to the engine
  intakeOff,            // valid, but the engine takes no reports now
  vehicle,              // " VEH" in the datagram: not a record
  tooFewFields,         // malformed: fewer than 29 fields
  fieldError,           // a field could not be read (logged)
  outOfRange,           // farther than the traffic radius
  controlCharacter,     // a control character (NUL too) in the callsign, type or registration
  invalidText,          // bytes that are no UTF-8, or U+FFFE or U+FFFF, in one of them
  registrationTooLong,  // more than 12 characters
  notAnAircraft,        // type or emitter category of a non-aircraft
  hexidTooLow,          // 10000 or less
  notAirborne,          // AIRBORNE_ONLY and too close to the ground
  refusedCallsign,
  noIdentity,           // neither callsign nor registration
  groundAwayFromPark,   // on the ground, but not within 5 nm of the park airport
};
inline constexpr std::size_t g_recordOutcomeCount = 15;

std::string_view gf_recordOutcomeName(RecordOutcome outcome);

// The park airport as the record filters see it.
struct ParkAirportRef {
  LatLon position;
  double elevation = 0.0;  // feet
};

// Everything outside the record that its filters read; one snapshot per record.
struct RecordContext {
  LatLon refPosition;          // the user aircraft: centre of the traffic radius
  double rangeNm = 40.0;       // the traffic radius
  bool airborneOnly = false;   // the setting AIRBORNE_ONLY
  std::optional<double> parkAirportElevation;  // for the on-ground test
  std::optional<ParkAirportRef> parkAirport;   // for ground reports and AIRBORNE_ONLY
};

// False for a type that is empty or "null", a non-aircraft emitter category or a
// non-aircraft type.
bool gf_isAnAircraft(std::string_view type, std::string_view category);

}  // namespace vexo
