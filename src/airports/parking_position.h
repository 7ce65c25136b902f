// The stand record and the airport file in memory. One airport file describes an
// airport's stands and the flights learned at each; the same form serves archived files,
// the scenery scan's output, learned files and handmade files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/learned_flight.h"

namespace vexo {

inline constexpr double g_nmPerMetre = 0.0005399568034557236;  // 1 / 1852
inline constexpr double g_metresPerNm = 1852.0;

struct ParkingPosition {
  // Heading in radians, radius in metres (kept in nautical miles).
  ParkingPosition(std::string id, std::vector<LearnedFlight> flights, double latitude, double longitude,
                  double heading, double radiusMetres, std::uint16_t type, bool cargo, bool ramp, bool heli);
  // Stands are moved, never copied, when the stand table grows.
  ParkingPosition(ParkingPosition&&) noexcept = default;
  ParkingPosition& operator=(ParkingPosition&&) noexcept = default;
  ParkingPosition(const ParkingPosition&) = delete;
  ParkingPosition& operator=(const ParkingPosition&) = delete;

  std::vector<LearnedFlight> learnedFlights;
  std::string id;                      // unique within one airport file
  std::vector<std::uint32_t> adjacent;  // sids of the stands too close to use together
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double heading = 0.0;    // radians
  double radius = 0.0;     // nautical miles
  std::uint32_t sid = 0;   // position in the park airport's stand table, from 1
  std::uint16_t type = 0;  // scenery parking type; 0 = none
  std::uint8_t manual = 0;         // created by hand (learned files only)
  std::uint8_t radius_change = 0;  // enlarged at run time: goes into the learned file
  std::uint8_t cargo_change = 0;   // cargo flag changed at run time: goes into the learned file
  // Run-time flags, never stored.
  std::uint8_t used = 0;      // by a static aircraft or candidate
  std::uint8_t occupied = 0;  // by a live aircraft
  std::uint8_t reserved = 0;  // kept free for the user
  std::uint8_t blocked = 0;   // an adjacent stand is used
  std::uint8_t cargo = 0;
  std::uint8_t ramp = 0;
  std::uint8_t heli = 0;
};

struct AirportFile {
  std::string airportName;
  std::string bglPath;    // the scenery file it was made from
  std::string publisher;
  std::uint32_t Qf_real = 0;
  std::uint32_t Qf_soft = 0;
  std::int32_t altitude = 0;  // feet
  std::vector<ParkingPosition> stands;  // in file order
};

enum class AirportFileKind : std::uint8_t { stock, simaddon, thirdparty, learned, handmade };

}  // namespace vexo
