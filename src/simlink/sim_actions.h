// The items the traffic engine queues for the simulator and the user aircraft block the
// simulator reports back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "simlink/simconnect.h"

namespace vexo {

// One creation request. The init position is sent unchanged; the callsign becomes the
// tail number; the title is the livery's container title and refers to a text held by
// the livery list. The same type is the item of the engine's pending-creation queues.
struct AiCreateAction {
  SimConnectInitPosition initPosition;  // degrees, feet, knots
  std::string callsign;
  std::string_view liveryTitle;
  std::uint32_t hexid = 0;  // live aircraft above 10000, static ones at or below
};

// One position update: the eight values of data definition 402 in its order.
struct AiPositionAction {
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double pitch = 0.0;      // radians
  double bank = 0.0;       // radians
  double heading = 0.0;    // true, radians
  double altitude = 0.0;   // feet
  double verticalSpeed = 0.0;  // feet per second
  double trueAirspeed = 0.0;   // knots
  std::uint32_t objectId = 0;

  // The 64-byte block as the simulator reads it.
  std::array<std::byte, 64> block() const;
};

// One client event for one object.
struct SimEventAction {
  std::uint32_t objectId = 0;
  std::uint32_t eventId = 0;  // 207 to 223
  std::uint32_t data = 0;
};

// The user aircraft block of data definition 403 (96 bytes).
struct UserAcData {
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double pitch = 0.0;      // radians
  double bank = 0.0;       // radians
  double heading = 0.0;    // true, radians
  double altitude = 0.0;   // feet, never negative
  double altAboveGround = 0.0;  // feet
  double groundSpeed = 0.0;     // knots
  std::int64_t zuluTime = 0;    // seconds of the day
  std::int64_t zuluDayOfYear = 0;  // 1 = 1 January
  std::int64_t zuluYear = 0;
  std::int64_t lightStates = 0;  // bit mask

  // Reads the block; the caller has checked that it holds 96 bytes.
  static UserAcData fromBlock(std::span<const std::byte> block);
};

// Whether a position is still the (0, 0) of a simulator that has not reported one.
inline bool gf_isNullPosition(double latitude, double longitude) {
  return latitude > -0.0001 && latitude < 0.0001 && longitude > -0.0001 && longitude < 0.0001;
}

}  // namespace vexo
