// The scenery (.bgl) file layout as the airports scan reads it: record ids, fixed offsets
// and the caps that bound every walk. Offsets are in bytes from the start of the file or
// of the record they belong to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexo {

// Record ids of the records and sub-records the reader looks at.
enum class BglRecordKind : std::uint16_t {
  airport = 0x3C,       // airport record, parking lists 0x3D
  airportNew = 0xAB,    // newer airport record, parking lists 0xAD
  name = 0x19,
  helipad = 0x26,
  parking = 0x3D,
  parkingNew = 0xAD,
};

inline constexpr std::uint16_t gf_bglId(BglRecordKind kind) { return static_cast<std::uint16_t>(kind); }

namespace bgl {
inline constexpr std::size_t headerSize = 56;        // file header; also the value of its size field
inline constexpr std::size_t headerSizeField = 4;    // u32 header size
inline constexpr std::size_t sectionCountField = 20; // u32 number of sections
inline constexpr std::size_t sectionEntrySize = 20;
inline constexpr std::uint32_t airportSectionType = 3;
inline constexpr std::size_t sectionSelectorField = 4;   // u32 subsection entry size selector
inline constexpr std::size_t sectionTableField = 12;     // u32 file offset of the subsection table
inline constexpr std::size_t subsectionRecordsField = 8; // u32 file offset of the first records
inline constexpr std::size_t recordHeaderSize = 6;       // u16 id, u32 size (header included)
inline constexpr std::size_t airportAltitudeField = 20;  // i32 millimetres
inline constexpr std::size_t airportIcaoField = 40;      // u32 base-38 ident << 5
inline constexpr std::size_t airportFirstSubRecord = 56;
inline constexpr std::size_t airportNewFirstSubRecord = 60;
inline constexpr std::size_t nameMaxBytes = 45;
inline constexpr std::size_t helipadLongitudeField = 12;
inline constexpr std::size_t helipadLatitudeField = 16;
inline constexpr std::size_t helipadWidthField = 28;
inline constexpr std::size_t helipadHeadingField = 32;
inline constexpr std::size_t helipadSize = 36;           // the fields above end here
inline constexpr std::size_t parkingCountField = 6;      // u16
inline constexpr std::size_t parkingFirstEntry = 8;
inline constexpr std::size_t parkingEntrySize = 36;      // in a 0x3D list
inline constexpr std::size_t parkingNewEntrySize = 40;   // in a 0xAD list
inline constexpr std::size_t parkingRadiusField = 4;
inline constexpr std::size_t parkingHeadingField = 8;
inline constexpr std::size_t parkingLongitudeField = 28;
inline constexpr std::size_t parkingLatitudeField = 32;
inline constexpr std::size_t airlineCodeSize = 4;
// Every walk stops after this many records, so a file whose sizes chain in circles ends.
inline constexpr int walkCap = 9000;
}  // namespace bgl

}  // namespace vexo
