// What the scenery reader makes of one airport record: plain values, handed to the scan
// driver, which links the airport to an archived airport file or writes an airport file of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refdata/fixed_code.h"

namespace vexo {

// One usable parking spot or helipad. A large scenery file holds thousands of spots, so the
// record keeps what makes its id (name code, number, repeat) and not the text, which is made
// only when an airport file is written.
struct BglStand {
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double heading = 0.0;    // radians; a parking heading of 0 is kept as 2 pi
  double radius = 0.0;     // metres (the airport file keeps nautical miles)
  std::uint16_t type = 0;    // scenery parking type 1..15; 0 for helipads
  std::uint16_t number = 0;  // parking number 0..4095, or the helipad's count from 1
  std::uint8_t nameCode = 0; // parking name code 0..63
  std::uint8_t repeat = 0;   // 0 for the first spot of its name, 1..10 for "a".."j"
  bool heli = false;

  // "g12", "g12a", "C5", "helipad1", ...
  std::string id() const;
};

struct BglAirport {
  IcaoCode icao;
  std::string name;
  std::string bglPath;    // UTF-8 path of the scenery file
  std::string publisher;  // "simaddon", a thirdparty publisher or empty
  std::int32_t altitude = 0;  // feet
  std::vector<BglStand> stands;  // in file order: helipads where met, then the parking list
};

}  // namespace vexo
