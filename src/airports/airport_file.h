// The XML form of an airport file: root > meta, parameters, parkpositions > parkpos > opt.
// Readers and the stand writer; whole files are read by airport_reader.h and written by
// airport_writer.h.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "airports/parking_position.h"

namespace vexo {

// How a stand is written: the scenery scan's output carries every stand's geometry and no
// flights; a learned file carries the flights and what changed at run time.
enum class StandWriteMode : std::int32_t { learned = 0, full = 1 };

// The element under root, or directly under the document when it has no root.
pugi::xml_node gf_airportFileElement(const pugi::xml_node& document, const char* name);

// Attribute readers of the format: a missing or malformed number reads as 0 (also a
// value that is not finite); a boolean is true for "true" (any case) or "1".
double gf_doubleAttribute(const pugi::xml_node& node, const char* name);
std::int32_t gf_intAttribute(const pugi::xml_node& node, const char* name);
bool gf_boolAttribute(const pugi::xml_node& node, const char* name);

// The codes of the flights of one document. A large learned file names the same
// registrations and codes thousands of times, so each distinct text is looked up once. The
// texts are kept as views into the document, which must outlive the object.
class FlightLookups {
public:
  // The registration's dbase codes, else the airline and model codes as ids (operator
  // none, cargo off).
  AcCodes codesOf(std::string_view registration, std::string_view airline, std::string_view model);

private:
  std::unordered_map<std::string_view, std::optional<AcCodes>> registrations_;
  std::unordered_map<std::string_view, std::uint16_t> airlines_;
  std::unordered_map<std::string_view, std::uint16_t> models_;
};

// One opt element as a flight (index 0); none when it has no hours or its day is not 1..7.
std::optional<LearnedFlight> lf_readOpt(const pugi::xml_node& opt, std::uint32_t archived);
std::optional<LearnedFlight> lf_readOpt(const pugi::xml_node& opt, std::uint32_t archived, FlightLookups& lookups);

// Reads the opt children of a stand, numbered from 1 in file order.
std::vector<LearnedFlight> lf_readOpts(const pugi::xml_node& parkpos, std::uint32_t archived);
std::vector<LearnedFlight> lf_readOpts(const pugi::xml_node& parkpos, std::uint32_t archived, FlightLookups& lookups);

// Reads one parkpos (position counted from 1) and appends it to stands; a stand without a
// position is logged and dropped. Throws UserErrorException 93 (no or empty id) and 94 (an
// id already in ids). Returns the appended stand, or null.
ParkingPosition* lf_readStand(const pugi::xml_node& parkpos, std::size_t position, std::vector<ParkingPosition>& stands,
                              std::unordered_set<std::string>& ids, std::uint32_t archived);
ParkingPosition* lf_readStand(const pugi::xml_node& parkpos, std::size_t position, std::vector<ParkingPosition>& stands,
                              std::unordered_set<std::string>& ids, std::uint32_t archived, FlightLookups& lookups);

// Reads every parkpos of the parkpositions element, in order, into stands.
void lf_readStands(const pugi::xml_node& parkpositions, std::vector<ParkingPosition>& stands, std::uint32_t archived);

// Appends one parkpos for the stand. handmade: the stand belongs to a handmade file,
// whose every stand carries its geometry. False when an append is refused.
bool lf_writeStand(pugi::xml_node parkpositions, const ParkingPosition& stand, StandWriteMode mode, bool handmade);

// The text that names an aircraft in log lines: airline and model code.
std::string gf_codesLabel(const AcCodes& codes);

}  // namespace vexo
