// Writes scenery files by the layout the airports scan reads, from hard-coded offsets (not
// from the reader's constants), so a reader that gets an offset wrong fails the tests.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::test {

class Bytes {
public:
  Bytes& u16(std::uint32_t v) { return le(v, 2); }
  Bytes& u32(std::uint32_t v) { return le(v, 4); }
  Bytes& f32(float v) { return u32(std::bit_cast<std::uint32_t>(v)); }
  Bytes& zeros(std::size_t n) { data.insert(data.end(), n, std::byte{0}); return *this; }
  Bytes& text(std::string_view s) {
    for (char c : s) data.push_back(static_cast<std::byte>(c));
    return *this;
  }
  Bytes& append(const Bytes& other) {
    data.insert(data.end(), other.data.begin(), other.data.end());
    return *this;
  }
  void put32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data.at(at + i) = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
  }
  std::size_t size() const { return data.size(); }
  std::vector<std::byte> data;

private:
  Bytes& le(std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) data.push_back(static_cast<std::byte>((v >> (8 * i)) & 0xFF));
    return *this;
  }
};

inline std::uint32_t packLatitude(double lat) { return static_cast<std::uint32_t>(std::llround((90.0 - lat) * 536870912.0 / 180.0)); }
inline std::uint32_t packLongitude(double lon) { return static_cast<std::uint32_t>(std::llround((lon + 180.0) * 805306368.0 / 360.0)); }

// Base 38, 0-9 as 2..11 and A-Z as 12..37, shifted left by 5.
inline std::uint32_t encodeIcao(std::string_view code) {
  std::uint32_t value = 0;
  for (char c : code) value = value * 38 + static_cast<std::uint32_t>(c <= '9' ? c - '0' + 2 : c - 'A' + 12);
  return value << 5;
}

// A record: u16 id, u32 size (header included), then the body.
inline Bytes record(std::uint16_t id, const Bytes& body) {
  Bytes r;
  r.u16(id).u32(static_cast<std::uint32_t>(6 + body.size())).append(body);
  return r;
}

// A record of another kind, stepped over by its size.
inline Bytes otherRecord(std::uint16_t id, std::size_t bodyBytes) { return record(id, Bytes().zeros(bodyBytes)); }

// Name sub-record 0x19, its bytes padded with zeros to keep records on whole words.
inline Bytes nameRecord(std::string_view name, std::size_t padTo = 0) {
  Bytes body;
  body.text(name);
  std::size_t total = 6 + name.size();
  if (padTo > total) total = padTo;
  total = (total + 3) / 4 * 4;
  body.zeros(total - 6 - name.size());
  return record(0x19, body);
}

inline Bytes helipadRecord(double lat, double lon, float widthM, float headingDeg) {
  Bytes body;  // offsets counted from the record start: 6..11 unused, 12 lon, 16 lat, 20..27 unused, 28 width, 32 heading
  body.zeros(6).u32(packLongitude(lon)).u32(packLatitude(lat)).zeros(8).f32(widthM).f32(headingDeg);
  return record(0x26, body);
}

struct Spot {
  std::uint32_t nameCode = 10;
  std::uint32_t type = 8;
  std::uint32_t number = 1;
  float radius = 20.0F;
  float heading = 90.0F;
  double lat = 52.3;
  double lon = 4.76;
  std::uint32_t airlines = 0;
};

inline Bytes spotEntry(const Spot& s, bool isNew) {
  Bytes e;
  e.u32((s.nameCode & 0x3F) | ((s.type & 0xF) << 8) | ((s.number & 0xFFF) << 12) | (s.airlines << 24));
  e.f32(s.radius).f32(s.heading).zeros(16).u32(packLongitude(s.lon)).u32(packLatitude(s.lat));
  if (isNew) e.zeros(4);
  for (std::uint32_t i = 0; i < s.airlines; ++i) e.text("KLM").zeros(1);
  return e;
}

// Parking list 0x3D (0xAD when isNew): u16 count at 6, entries from 8.
inline Bytes parkingList(const std::vector<Spot>& spots, bool isNew, std::uint32_t count = 0xFFFFFFFF) {
  Bytes body;
  body.u16(count == 0xFFFFFFFF ? static_cast<std::uint32_t>(spots.size()) : count);
  for (const Spot& s : spots) body.append(spotEntry(s, isNew));
  return record(isNew ? 0xAD : 0x3D, body);
}

// Airport record 0x3C (0xAB when isNew): altitude at 20, ident at 40, sub-records from 56 (60).
inline Bytes airportRecord(std::string_view icao, std::int32_t altitudeMm, bool isNew,
                           std::initializer_list<Bytes> subRecords) {
  Bytes body;
  body.zeros(14).u32(static_cast<std::uint32_t>(altitudeMm)).zeros(16).u32(encodeIcao(icao));
  body.zeros(isNew ? 16 : 12);
  for (const Bytes& sub : subRecords) body.append(sub);
  return record(isNew ? 0xAB : 0x3C, body);
}

struct Section {
  std::uint32_t type = 3;
  std::uint32_t selector = 1;  // bit 16 set would mean 20-byte subsection entries
  Bytes records;               // the first subsection's records
};

// Header (56 bytes, size field 56 at 4, section count at 20), the section table from 56, then
// per section its one 16-byte subsection entry (records offset at 8) and its records.
inline Bytes bglFile(const std::vector<Section>& sections) {
  Bytes f;
  f.u32(0x19920201).u32(56).zeros(12).u32(static_cast<std::uint32_t>(sections.size())).zeros(32);
  std::size_t at = 56 + 20 * sections.size();
  std::vector<std::size_t> tables;
  for (const Section& s : sections) {
    tables.push_back(at);
    at += 16 + s.records.size();
  }
  for (std::size_t i = 0; i < sections.size(); ++i)
    f.u32(sections[i].type).u32(sections[i].selector).u32(1).u32(static_cast<std::uint32_t>(tables[i])).u32(16);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    f.u32(0).u32(1).u32(static_cast<std::uint32_t>(tables[i] + 16)).u32(static_cast<std::uint32_t>(sections[i].records.size()));
    f.append(sections[i].records);
  }
  return f;
}

inline Bytes airportFile(std::initializer_list<Bytes> records) {
  Section s;
  for (const Bytes& r : records) s.records.append(r);
  return bglFile({s});
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::byte>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

}  // namespace vexo::test
