// The airport-file readers on arbitrary bytes: the stand list of an airport file and the
// merge of a learned file's stands into it.
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "airports/airport_file.h"
#include "airports/airport_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexo;
  pugi::xml_document document;
  if (!document.load_buffer(data, size)) return 0;
  std::vector<ParkingPosition> stands;
  try {
    lf_readStands(gf_airportFileElement(document, "parkpositions"), stands, 1);
  } catch (const std::exception&) {
    // errors 93 and 94 end the read, as they do for a file
  }
  gf_numberStands(stands);
  gf_findAdjacentStands(stands);
  for (const auto& parkpos : gf_airportFileElement(document, "parkpositions").children("parkpos")) {
    for (auto& stand : stands) {
      if (lf_mergeLearnedStand(parkpos, stand, false)) break;
    }
  }
  (void)gf_qualityFactors(stands);
  return 0;
}
