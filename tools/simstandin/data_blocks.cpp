#include "simstandin/data_blocks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"

namespace vexo::simstandin {

namespace {

namespace T = SimConnectDataType;

// The fields of the structure types, in their packed layout.
enum class Field { f64, u32, text64 };
constexpr Field g_initPosition[] = {Field::f64, Field::f64, Field::f64, Field::f64,
                                    Field::f64, Field::f64, Field::u32, Field::u32};
constexpr Field g_markerState[] = {Field::text64, Field::u32};
constexpr Field g_waypoint[] = {Field::f64, Field::f64, Field::f64, Field::u32, Field::f64, Field::f64};
constexpr Field g_threeDoubles[] = {Field::f64, Field::f64, Field::f64};
constexpr std::size_t g_markerNameWidth = 64;

std::span<const Field> lf_structFields(std::uint32_t type) {
  switch (type) {
    case T::INITPOSITION: return g_initPosition;
    case T::MARKERSTATE: return g_markerState;
    case T::WAYPOINT: return g_waypoint;
    case T::LATLONALT:
    case T::XYZ: return g_threeDoubles;
    default: return {};
  }
}

std::size_t lf_fieldWidth(Field field) {
  switch (field) {
    case Field::f64: return 8;
    case Field::u32: return 4;
    case Field::text64: return g_markerNameWidth;
  }
  return 0;
}

std::int32_t lf_int32(double value) {
  if (!std::isfinite(value)) return 0;
  const double clamped = std::clamp(value, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                                    static_cast<double>(std::numeric_limits<std::int32_t>::max()));
  return static_cast<std::int32_t>(std::llround(clamped));
}

std::int64_t lf_int64(double value) {
  // 2^63 is the first double out of range.
  if (!std::isfinite(value) || std::fabs(value) >= 9.2233720368547758e18) return 0;
  return std::llround(value);
}

bool lf_isFixedText(std::uint32_t type) { return type >= T::STRING8 && type <= T::STRING260; }

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

std::vector<double> SimObject::structValue(std::string_view name) const {
  const auto it = structs.find(gf_upperName(name));
  return it == structs.end() ? std::vector<double>() : it->second;
}

void SimObject::setValue(std::string_view name, double value) { values[gf_upperName(name)] = value; }
void SimObject::setText(std::string_view name, std::string_view text) { texts[gf_upperName(name)] = text; }
void SimObject::setStruct(std::string_view name, std::vector<double> fields) {
  structs[gf_upperName(name)] = std::move(fields);
}

std::optional<std::size_t> gf_datumWidth(std::uint32_t type) {
  switch (type) {
    case T::INT32:
    case T::FLOAT32: return 4;
    case T::INT64:
    case T::FLOAT64: return 8;
    case T::STRING8: return 8;
    case T::STRING32: return 32;
    case T::STRING64: return 64;
    case T::STRING128: return 128;
    case T::STRING256: return 256;
    case T::STRING260: return 260;
    case T::STRINGV: return 0;
    default: break;
  }
  const auto fields = lf_structFields(type);
  if (fields.empty()) return std::nullopt;
  std::size_t width = 0;
  for (const Field field : fields) width += lf_fieldWidth(field);
  return width;
}

Bytes gf_encodeDatum(const Datum& datum, const SimObject& object) {
  const auto width = gf_datumWidth(datum.type);
  if (!width) return {};
  if (datum.type == T::STRINGV) {
    const std::string text = object.text(datum.name);
    Bytes bytes(text.size() + 1);
    ByteWriter(bytes).bytes(0, std::as_bytes(std::span(text)));
    return bytes;
  }
  Bytes bytes(*width);
  ByteWriter writer(bytes);
  const double value = object.value(datum.name);
  switch (datum.type) {
    case T::INT32: writer.u32(0, static_cast<std::uint32_t>(lf_int32(value))); break;
    case T::INT64: writer.u64(0, static_cast<std::uint64_t>(lf_int64(value))); break;
    case T::FLOAT32: writer.f32(0, static_cast<float>(value)); break;
    case T::FLOAT64: writer.f64(0, value); break;
    default: break;
  }
  if (lf_isFixedText(datum.type)) writer.fixedString(0, *width, object.text(datum.name).substr(0, *width - 1));
  const std::vector<double> fields = object.structValue(datum.name);
  std::size_t at = 0, number = 0;
  for (const Field field : lf_structFields(datum.type)) {
    const double v = field == Field::text64 || number >= fields.size() ? 0.0 : fields[number];
    if (field == Field::f64) writer.f64(at, v);
    if (field == Field::u32) writer.u32(at, static_cast<std::uint32_t>(lf_int64(v)));
    if (field == Field::text64) writer.fixedString(at, g_markerNameWidth, object.text(datum.name).substr(0, g_markerNameWidth - 1));
    if (field != Field::text64) ++number;
    at += lf_fieldWidth(field);
  }
  return bytes;
}

Bytes gf_encodeDataBlock(const std::vector<Datum>& definition, const SimObject& object) {
  Bytes block;
  for (const auto& datum : definition) {
    const Bytes bytes = gf_encodeDatum(datum, object);
    block.insert(block.end(), bytes.begin(), bytes.end());
  }
  return block;
}

bool gf_decodeDataBlock(const std::vector<Datum>& definition, std::span<const std::byte> block, SimObject& object) {
  ByteReader reader(block);
  std::size_t at = 0;
  for (const auto& datum : definition) {
    const auto width = gf_datumWidth(datum.type);
    if (!width) return false;
    if (datum.type == T::STRINGV) {
      std::size_t next = at;
      const std::string text = reader.varString(at, &next);
      if (!reader.ok()) return false;
      object.setText(datum.name, text);
      at = next;
      continue;
    }
    if (!reader.has(at, *width)) return false;
    switch (datum.type) {
      case T::INT32: object.setValue(datum.name, static_cast<std::int32_t>(reader.u32(at))); break;
      case T::INT64: object.setValue(datum.name, static_cast<double>(reader.i64(at))); break;
      case T::FLOAT32: object.setValue(datum.name, reader.f32(at)); break;
      case T::FLOAT64: object.setValue(datum.name, reader.f64(at)); break;
      default: break;
    }
    if (lf_isFixedText(datum.type)) object.setText(datum.name, reader.fixedString(at, *width));
    std::vector<double> fields;
    std::size_t fieldAt = at;
    for (const Field field : lf_structFields(datum.type)) {
      if (field == Field::f64) fields.push_back(reader.f64(fieldAt));
      if (field == Field::u32) fields.push_back(reader.u32(fieldAt));
      if (field == Field::text64) object.setText(datum.name, reader.fixedString(fieldAt, g_markerNameWidth));
      fieldAt += lf_fieldWidth(field);
    }
    if (!fields.empty()) object.setStruct(datum.name, std::move(fields));
    at += *width;
  }
  return true;
}

}  // namespace vexo::simstandin
