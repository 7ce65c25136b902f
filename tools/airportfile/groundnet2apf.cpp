// Turns the parking list of a groundnet file (public stand positions: name and number,
// "N33 56.496" latitudes, heading in degrees, radius in metres, a type of gate, cargo or
// ga) into an airport file of the program's own form, written by the program's writer.
//   groundnet2apf <groundnet.xml> <ICAO> <airport name> <publisher> <altitude ft> <out.xml>
#include <pugixml.hpp>

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "airports/airport_writer.h"
#include "foundation/geodesy.h"

namespace {

using namespace vexo;

// "N33 56.496" -> 33.9416; none when the text has another form.
std::optional<double> lf_degreesMinutes(std::string_view text) {
  if (text.size() < 4) return std::nullopt;
  const char hemisphere = text[0];
  const auto blank = text.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  int degrees = 0;
  double minutes = 0.0;
  if (std::from_chars(text.data() + 1, text.data() + blank, degrees).ec != std::errc() ||
      std::from_chars(text.data() + blank + 1, text.data() + text.size(), minutes).ec != std::errc())
    return std::nullopt;
  const double value = degrees + minutes / 60.0;
  if (hemisphere == 'S' || hemisphere == 'W') return -value;
  if (hemisphere == 'N' || hemisphere == 'E') return value;
  return std::nullopt;
}

// Scenery parking types: 1 general-aviation ramp, 5 cargo ramp, 8/9/10 small, medium and
// heavy gates by radius.
std::uint16_t lf_type(std::string_view type, double radius) {
  if (type == "ga") return 1;
  if (type == "cargo") return 5;
  return radius <= 20.0 ? 8 : (radius <= 30.0 ? 9 : 10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: groundnet2apf <groundnet.xml> <ICAO> <name> <publisher> <altitude ft> <out.xml>\n");
    return 2;
  }
  pugi::xml_document groundnet;
  if (!groundnet.load_file(argv[1])) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  AirportFile file;
  file.airportName = argv[3];
  file.publisher = argv[4];
  file.altitude = std::stoi(argv[5]);
  std::map<std::string, int> uses;
  for (const auto& parking : groundnet.child("groundnet").child("parkingList").children("Parking")) {
    const auto lat = lf_degreesMinutes(parking.attribute("lat").value());
    const auto lon = lf_degreesMinutes(parking.attribute("lon").value());
    if (!lat || !lon) {
      std::fprintf(stderr, "skipped parking %s: no position\n", parking.attribute("index").value());
      continue;
    }
    std::string id = std::string(parking.attribute("name").value()) + parking.attribute("number").value();
    // A name used twice in the source gets the count of its uses after it.
    if (const int n = ++uses[id]; n > 1) id += "-" + std::to_string(n);
    const double radius = parking.attribute("radius").as_double();
    const std::uint16_t type = lf_type(parking.attribute("type").value(), radius);
    file.stands.emplace_back(id, std::vector<LearnedFlight>{}, *lat, *lon, parking.attribute("heading").as_double() * g_degToRad,
                             radius, type, type == 5, type == 1, false);
  }
  if (!gf_writeAirportFile(file, argv[6], StandWriteMode::full, g_simulatorNumber)) {
    std::fprintf(stderr, "cannot write %s\n", argv[6]);
    return 1;
  }
  std::printf("%zu stands written to %s\n", file.stands.size(), argv[6]);
  return 0;
}
