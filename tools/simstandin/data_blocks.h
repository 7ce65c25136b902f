// The stand-in's simulated objects and the data blocks built from, or written into, their
// variables by a client's data definitions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "simstandin/messages.h"

namespace vexo::simstandin {

// One variable of a data definition, as AddToDataDefinition gave it.
struct Datum {
  std::string name;
  std::string units;
  std::uint32_t type = 0;
};

// A simulated object. Variables are keyed by their upper-case name: numbers in values,
// texts (TITLE, ATC ID, ATC MODEL, ...) in texts.
struct SimObject {
  std::uint32_t id = 0;
  std::uint32_t type = 2;  // aircraft
  std::map<std::string, double> values;
  std::map<std::string, std::string> texts;

  double value(std::string_view name) const;
  std::string text(std::string_view name) const;
  void setValue(std::string_view name, double value);
  void setText(std::string_view name, std::string_view text);
};

std::string gf_upperName(std::string_view name);

// The data block of object for definition: 8 bytes per FLOAT64 and INT64 (and any other
// numeric type), 32 for STRING32, a NUL-terminated text for STRINGV.
Bytes gf_encodeDataBlock(const std::vector<Datum>& definition, const SimObject& object);

// Writes a block laid out by definition into object's variables; false when the block is
// shorter than the definition needs.
bool gf_decodeDataBlock(const std::vector<Datum>& definition, std::span<const std::byte> block, SimObject& object);

}  // namespace vexo::simstandin
