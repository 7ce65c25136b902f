// Per-category model values that gf_makeAcData copies into each aircraft, indexed by
// AcCategory (Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "foundation/geodesy.h"
#include "refdata/ac_codes.h"

namespace vexo {

inline constexpr std::size_t g_categoryCount = 6;

template <class T>
using CategoryTable = std::array<T, g_categoryCount>;

// Take-off pitch, degrees (spread by 2.5 percent by its reader, then turned into radians).
inline constexpr CategoryTable<double> g_categoryAngleA{-9.0, -8.0, -6.0, -5.0, -6.0, -20.0};
// Climb pitch, degrees (spread by 5 percent, then turned into radians).
inline constexpr CategoryTable<double> g_categoryAngleB{-15.0, -18.0, -16.5, -12.5, -20.0, -30.0};
// Ground turn rate, radians.
inline constexpr CategoryTable<double> g_categoryRate{0.15 * g_degToRad, 0.1 * g_degToRad, 0.07 * g_degToRad,
                                                      0.05 * g_degToRad, 0.1 * g_degToRad, 0.2 * g_degToRad};
inline constexpr CategoryTable<std::int32_t> g_categoryValueA{250, 300, 400, 450, 150, 100};  // flare ticks
inline constexpr CategoryTable<std::int32_t> g_categoryValueB{250, 300, 350, 450, 150, 100};  // settle ticks
inline constexpr CategoryTable<std::int32_t> g_categoryValueC{100, 200, 200, 250, 100, 100};  // rotation ticks
inline constexpr CategoryTable<std::int32_t> g_categoryValueD{200, 250, 300, 400, 200, 100};  // climb-pitch ticks

// The table index of a category; throws std::out_of_range for a value outside the tables.
inline std::size_t gf_categoryIndex(AcCategory category) {
  const auto index = static_cast<std::size_t>(category);
  if (index >= g_categoryCount) throw std::out_of_range("invalid unordered_map<K, T> key");
  return index;
}

}  // namespace vexo
