#include "simstandin/data_blocks.h"

#include <cmath>

#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"

namespace vexo::simstandin {

namespace {
constexpr std::size_t g_string32 = 32;

std::size_t lf_fixedWidth(std::uint32_t type) { return type == SimConnectDataType::STRING32 ? g_string32 : 8; }
}  // namespace

std::string gf_upperName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

double SimObject::value(std::string_view name) const {
  const auto it = values.find(gf_upperName(name));
  return it == values.end() ? 0.0 : it->second;
}

std::string SimObject::text(std::string_view name) const {
  const auto it = texts.find(gf_upperName(name));
  return it == texts.end() ? std::string() : it->second;
}

void SimObject::setValue(std::string_view name, double value) { values[gf_upperName(name)] = value; }
void SimObject::setText(std::string_view name, std::string_view text) { texts[gf_upperName(name)] = text; }

Bytes gf_encodeDataBlock(const std::vector<Datum>& definition, const SimObject& object) {
  Bytes block;
  for (const auto& datum : definition) {
    const std::size_t at = block.size();
    if (datum.type == SimConnectDataType::STRINGV) {
      const std::string text = object.text(datum.name);
      block.resize(at + text.size() + 1);
      ByteWriter(block).bytes(at, std::as_bytes(std::span(text)));
      continue;
    }
    block.resize(at + lf_fixedWidth(datum.type));
    ByteWriter writer(block);
    if (datum.type == SimConnectDataType::STRING32) {
      const std::string text = object.text(datum.name).substr(0, g_string32 - 1);
      writer.fixedString(at, g_string32, text);
    } else if (datum.type == SimConnectDataType::INT64) {
      writer.u64(at, static_cast<std::uint64_t>(std::llround(object.value(datum.name))));
    } else {
      writer.f64(at, object.value(datum.name));
    }
  }
  return block;
}

bool gf_decodeDataBlock(const std::vector<Datum>& definition, std::span<const std::byte> block, SimObject& object) {
  ByteReader reader(block);
  std::size_t at = 0;
  for (const auto& datum : definition) {
    if (datum.type == SimConnectDataType::STRINGV) {
      std::size_t next = at;
      const std::string text = reader.varString(at, &next);
      if (!reader.ok()) return false;
      object.setText(datum.name, text);
      at = next;
      continue;
    }
    if (datum.type == SimConnectDataType::STRING32) {
      object.setText(datum.name, reader.fixedString(at, g_string32));
    } else if (datum.type == SimConnectDataType::INT64) {
      object.setValue(datum.name, static_cast<double>(reader.i64(at)));
    } else {
      object.setValue(datum.name, reader.f64(at));
    }
    if (!reader.ok()) return false;
    at += lf_fixedWidth(datum.type);
  }
  return true;
}

}  // namespace vexo::simstandin
