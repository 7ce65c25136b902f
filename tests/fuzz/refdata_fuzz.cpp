// Feeds untrusted bytes to the reference-data readers. The first byte picks the reader:
// the airports XML, the dbase XML, or the lines of a regcode list.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "refdata/airports_db.h"
#include "refdata/codes.h"
#include "refdata/dbase_reader.h"
#include "refdata/regcode_lists.h"

namespace {

using namespace vexo;

void lf_fuzzAirports(const pugi::xml_document& document) {
  AirportsDb db;
  try {
    db.readDocument(document, "fuzz");
  } catch (const std::exception&) {
    return;  // a refused file is a fine answer
  }
  if (!db.airports.empty()) {
    const AirportData& first = db.airports.front();
    db.closestAirport(first.latLon(), [](const IcaoCode&, LatLon, std::string&) { return 100.0; });
    (void)gf_airportText(first);
  }
}

void lf_fuzzDbase(const pugi::xml_document& document) {
  g_airlinePool.reset();
  g_modelPool.reset();
  g_dbase = DbaseTables{};
  try {
    lf_readDbaseDocument(document);
  } catch (const std::exception&) {
  }
}

void lf_fuzzRegcodeLines(std::string_view text) {
  std::vector<RegcodeEntry> entries;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    lf_readRegcodeLine(text.substr(0, end), "fuzz.txt", entries);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::uint8_t which = data[0] % 3;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  if (which == 2) {
    lf_fuzzRegcodeLines(rest);
    return 0;
  }
  pugi::xml_document document;
  if (!document.load_buffer(rest.data(), rest.size())) {
    return 0;
  }
  if (which == 0) {
    lf_fuzzAirports(document);
  } else {
    lf_fuzzDbase(document);
  }
  return 0;
}
