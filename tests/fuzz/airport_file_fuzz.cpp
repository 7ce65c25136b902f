// The airport-file readers on arbitrary bytes: the stand list of an airport file and the
// merge of a learned file's stands into it. The bytes are tried as a whole XML file, and
// also as the attribute values of a stand list built from them (values split at '|', a
// new stand at each '#'), since the XML library is not instrumented and the fuzzer could
// otherwise hardly reach the stands and flights.
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>
#include <vector>

#include "airports/airport_file.h"
#include "airports/airport_reader.h"

namespace {

using namespace vexo;

void lf_readAndMerge(const pugi::xml_document& document) {
  std::vector<ParkingPosition> stands;
  try {
    lf_readStands(gf_airportFileElement(document, "parkpositions"), stands, 1);
  } catch (const std::exception&) {
    // errors 93 and 94 end the read, as they do for a file
  }
  gf_numberStands(stands);
  gf_findAdjacentStands(stands);
  FlightLookups lookups;
  SameFlightIndex index;
  for (const auto& parkpos : gf_airportFileElement(document, "parkpositions").children("parkpos")) {
    for (auto& stand : stands) {
      if (lf_mergeLearnedStand(parkpos, stand, false, lookups, index)) break;
    }
  }
  (void)gf_qualityFactors(stands);
}

// Stands and flights whose attribute values are the input's pieces, in turn.
void lf_buildStands(std::string_view input, pugi::xml_document& document) {
  static constexpr const char* standAttributes[] = {"id", "latitude", "longitude", "radius", "heading",
                                                    "type", "cargo",    "ramp",      "heli"};
  static constexpr const char* optAttributes[] = {"reg", "airl", "type", "day", "hh", "cs", "soft", "cpl"};
  pugi::xml_node parkpositions = document.append_child("root").append_child("parkpositions");
  while (!input.empty()) {
    const auto end = input.find('#');
    std::string_view stand = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    pugi::xml_node parkpos = parkpositions.append_child("parkpos");
    pugi::xml_node opt;
    std::size_t n = 0;
    while (!stand.empty() || n == 0) {
      const auto bar = stand.find('|');
      const std::string value(stand.substr(0, bar));
      stand = bar == std::string_view::npos ? std::string_view() : stand.substr(bar + 1);
      if (n < std::size(standAttributes)) {
        parkpos.append_attribute(standAttributes[n]).set_value(value.c_str());
      } else {
        const std::size_t k = (n - std::size(standAttributes)) % std::size(optAttributes);
        if (k == 0) opt = parkpos.append_child("opt");
        opt.append_attribute(optAttributes[k]).set_value(value.c_str());
      }
      ++n;
      if (bar == std::string_view::npos) break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pugi::xml_document document;
  if (document.load_buffer(data, size)) lf_readAndMerge(document);
  pugi::xml_document built;
  lf_buildStands(std::string_view(reinterpret_cast<const char*>(data), size), built);
  lf_readAndMerge(built);
  return 0;
}
