// The packed code word of an aircraft and the aircraft categories.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

namespace vexo {

// Low to high bits: airline id, operator id (0 = none), model id, cargo flag, marker.
// The ids are ids of the airline pool and the model pool (codes.h).
struct AcCodes {
  std::uint16_t airlineId = 0;
  std::uint16_t operatorId = 0;
  std::uint16_t modelId = 0;
  std::uint8_t cargo = 0;   // 0 or 1
  std::uint8_t marker = 0;  // 1 on every dbase record

  constexpr std::uint64_t word() const {
    return static_cast<std::uint64_t>(airlineId) | (static_cast<std::uint64_t>(operatorId) << 16) |
           (static_cast<std::uint64_t>(modelId) << 32) | (static_cast<std::uint64_t>(cargo) << 48) |
           (static_cast<std::uint64_t>(marker) << 56);
  }
  static constexpr AcCodes fromWord(std::uint64_t word) {
    return AcCodes{static_cast<std::uint16_t>(word), static_cast<std::uint16_t>(word >> 16),
                   static_cast<std::uint16_t>(word >> 32), static_cast<std::uint8_t>(word >> 48),
                   static_cast<std::uint8_t>(word >> 56)};
  }
  constexpr bool operator==(const AcCodes&) const = default;
};
static_assert(sizeof(AcCodes) == 8, "AcCodes must fit one 64-bit word");

enum class AcCategory : std::uint32_t {
  Light = 0,
  Buzjets = 1,
  Large = 2,
  Heavy = 3,
  HighPerf = 4,
  Rotorcraft = 5,
};

// Printing table, in value order.
inline constexpr std::array<std::pair<AcCategory, std::string_view>, 6> g_acCategoryNames{{
    {AcCategory::Light, "Light"},
    {AcCategory::Buzjets, "Buzjets"},
    {AcCategory::Large, "Large"},
    {AcCategory::Heavy, "Heavy"},
    {AcCategory::HighPerf, "HighPerf"},
    {AcCategory::Rotorcraft, "Rotorcraft"},
}};

}  // namespace vexo

template <>
struct std::hash<vexo::AcCodes> {
  std::size_t operator()(const vexo::AcCodes& codes) const { return std::hash<std::uint64_t>{}(codes.word()); }
};
