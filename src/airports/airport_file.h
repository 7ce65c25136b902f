// The XML form of an airport file: root > meta, parameters, parkpositions > parkpos > opt.
// Readers and the stand writer; whole files are read by airport_reader.h and written by
// airport_writer.h.
#pragma once

#include <pugixml.hpp>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "airports/parking_position.h"
#include "foundation/text_hash.h"

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

// A table keyed by texts, open addressing with a cheap hash: a large learned file names the
// same few thousand texts hundreds of thousands of times. The table keeps its own copy of
// each key, side by side, so that a lookup compares with memory it has just used rather
// than with the far-away place in a document where the text was first seen.
template <class Value>
class TextKeyedTable {
public:
  // The value of the text; make() gives it the first time the text is asked for. The
  // reference is good until the next text is added.
  template <class Make>
  Value& findOrAdd(std::string_view text, Make&& make) {
    if (2 * (entries_.size() + 1) > slots_.size()) grow();
    const std::uint64_t hash = gf_textHash(text);
    const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) {
        if (keys_.size() + text.size() > 0xFFFFFFFFU) throw std::length_error("text table full");
        entries_.push_back(Entry{static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(text.size()),
                                 make()});
        keys_.append(text);
        slots_[i] = (static_cast<std::uint64_t>(tag) << 32) | entries_.size();
        return entries_.back().value;
      }
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        Entry& entry = entries_[static_cast<std::uint32_t>(slot) - 1];
        if (gf_sameShortText(std::string_view(keys_).substr(entry.offset, entry.length), text)) return entry.value;
      }
    }
  }

private:
  struct Entry {
    std::uint32_t offset;  // of the key in keys_
    std::uint32_t length;
    Value value;
  };
  // A slot is the upper half of its text's hash over the number of its entry (from 1); 0
  // is a free slot. Slots are small, so that the part of the table a lookup goes through
  // stays in the cache.
  void grow() {
    slots_.assign(std::max<std::size_t>(64, 2 * slots_.size()), 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t n = 0; n < entries_.size(); ++n) {
      const Entry& entry = entries_[n];
      const std::uint64_t hash = gf_textHash(std::string_view(keys_).substr(entry.offset, entry.length));
      std::size_t i = static_cast<std::size_t>(hash) & mask;
      while (slots_[i] != 0) i = (i + 1) & mask;
      slots_[i] = ((hash >> 32) << 32) | (n + 1);
    }
  }
  std::vector<std::uint64_t> slots_;
  std::vector<Entry> entries_;
  std::string keys_;
};

// What an opt names: the codes, the registration and the callsigns.
struct FlightIdentity {
  AcCodes codes;
  PooledText registration;
  PooledText callsign;
  PooledText callsign2;
};

// The identities of the flights of one document. Each distinct text is looked up and pooled
// once. The last airline and model are kept as views into the document, which must outlive
// the object.
class FlightLookups {
public:
  // The codes are the registration's dbase codes, else the airline and model codes as ids
  // (operator none, cargo off); callsigns is "callsign" or "callsign:callsign2".
  FlightIdentity identityOf(std::string_view registration, std::string_view airline, std::string_view model,
                            std::string_view callsigns);
  // Room for the flights of one stand while they are read, kept from stand to stand so that
  // the stand's own list is made once, at its final size.
  std::vector<LearnedFlight>& standFlights() { return standFlights_; }

private:
  struct Registration {
    std::optional<AcCodes> codes;
    PooledText text;
  };
  struct Callsigns {
    PooledText first;
    PooledText second;
  };
  TextKeyedTable<Registration> registrations_;
  TextKeyedTable<Callsigns> callsigns_;
  TextKeyedTable<std::uint16_t> airlines_;
  TextKeyedTable<std::uint16_t> models_;
  std::optional<std::string_view> lastAirline_;
  std::optional<std::string_view> lastModel_;
  std::uint16_t lastAirlineId_ = 0;
  std::uint16_t lastModelId_ = 0;
  std::vector<LearnedFlight> standFlights_;
};

// The attributes of one opt element, the texts as views into the document.
struct OptAttributes {
  std::string_view registration;
  std::string_view airline;
  std::string_view model;
  std::string_view callsigns;  // "callsign" or "callsign:callsign2"
  std::string_view hours;      // the text of hh
  HalfHourBits hh;
  std::int32_t day = 0;  // 0 when not a number
  std::uint32_t real = 1;
  std::uint8_t cpl = 0;

  // An opt without hours, or with a day outside 1..7, is dropped.
  bool usable() const { return hh.any() && day >= 1 && day <= 7; }
};
OptAttributes lf_optAttributes(const pugi::xml_node& opt);

// Fills the flight (index 0) from a usable opt and what it names.
void lf_setFlight(LearnedFlight& flight, const OptAttributes& opt, const FlightIdentity& identity,
                  std::uint32_t archived);

// Calls visit(opt) for each opt child of a stand, in file order. A node read from a file
// always has a name unless it is text; an empty name is only asked about further to find
// the end of the list, which saves a call per node of a large file.
template <class Visit>
void gf_forEachOpt(const pugi::xml_node& parkpos, Visit&& visit) {
  for (pugi::xml_node node = parkpos.first_child();; node = node.next_sibling()) {
    const char* name = node.name();
    if (name[0] == 'o' && name[1] == 'p' && name[2] == 't' && name[3] == '\0') {
      visit(node);
    } else if (name[0] == '\0' && !node) {
      break;
    }
  }
}

// Reads the opt children of a stand, numbered from 1 in file order.
std::vector<LearnedFlight> lf_readOpts(const pugi::xml_node& parkpos, std::uint32_t archived, FlightLookups& lookups);

// Reads one parkpos (position counted from 1) and appends it to stands; a stand without a
// position is logged and dropped. Throws UserErrorException 93 (no or empty id) and 94 (an
// id already in ids). Returns the appended stand, or null.
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
