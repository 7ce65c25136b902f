// The stand-in's simulated objects and the data blocks built from, or written into, their
// variables by a client's data definitions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
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
  std::uint32_t datumId = 0xFFFFFFFFu;  // its tag in tagged data blocks
};

// A simulated object. Variables are keyed by their upper-case name: numbers in values,
// texts (TITLE, ATC ID, ATC MODEL, ...) in texts, the number fields of a structure
// variable (LATLONALT, XYZ, ...) in their order in structs.
struct SimObject {
  std::uint32_t id = 0;
  std::uint32_t type = 2;  // aircraft
  std::uint32_t creator = 0;  // number of the connection that created it; 0: none
  std::map<std::string, double> values;
  std::map<std::string, std::string> texts;
  std::map<std::string, std::vector<double>> structs;

  double value(std::string_view name) const;
  std::string text(std::string_view name) const;
  std::vector<double> structValue(std::string_view name) const;
  void setValue(std::string_view name, double value);
  void setText(std::string_view name, std::string_view text);
  void setStruct(std::string_view name, std::vector<double> fields);
};

std::string gf_upperName(std::string_view name);

// The bytes a datum of type takes in a data block: 4 for INT32 and FLOAT32, 8 for INT64
// and FLOAT64, the fixed width of STRING8 to STRING260, the size of a structure type;
// 0 for STRINGV (its text and terminator); nullopt for a type the protocol does not know.
std::optional<std::size_t> gf_datumWidth(std::uint32_t type);

// One datum of object laid out by its type (a text is cut to fit its field).
Bytes gf_encodeDatum(const Datum& datum, const SimObject& object);

// The data block of object for definition: its data in order, each by its type.
Bytes gf_encodeDataBlock(const std::vector<Datum>& definition, const SimObject& object);

// Writes a block laid out by definition into object's variables; false when the block is
// shorter than the definition needs.
bool gf_decodeDataBlock(const std::vector<Datum>& definition, std::span<const std::byte> block, SimObject& object);

}  // namespace vexo::simstandin
