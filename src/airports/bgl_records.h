// What the scenery reader makes of one airport record: plain values, handed to the scan
// driver, which links the airport to an archived file or writes an airport file of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refdata/fixed_code.h"

namespace vexo {

// One usable parking spot or helipad.
struct BglStand {
  std::string id;          // "g12", "C5", "helipad1", ...
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double heading = 0.0;    // radians; a parking heading of 0 is kept as 2 pi
  double radius = 0.0;     // metres (the airport file keeps nautical miles)
  std::uint16_t type = 0;  // scenery parking type 1..15; 0 for helipads
  bool heli = false;
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
