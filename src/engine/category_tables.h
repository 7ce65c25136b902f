// Per-category model values, indexed by AcCategory (Light, Buzjets, Large, Heavy,
// HighPerf, Rotorcraft). Pitches are negative for nose up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "refdata/ac_codes.h"

namespace vexo {

inline constexpr std::size_t g_categoryCount = 6;

template <class T>
using CategoryTable = std::array<T, g_categoryCount>;

inline constexpr CategoryTable<double> g_takeOffPitchDeg{-9.0, -8.0, -6.0, -5.0, -6.0, -20.0};
inline constexpr double g_takeOffPitchSpread = 2.5;  // percent
inline constexpr CategoryTable<double> g_climbPitchDeg{-15.0, -18.0, -16.5, -12.5, -20.0, -30.0};
inline constexpr double g_climbPitchSpread = 5.0;  // percent
inline constexpr CategoryTable<double> g_turnRateDeg{0.15, 0.1, 0.07, 0.05, 0.1, 0.2};
inline constexpr CategoryTable<std::uint32_t> g_flareTicks{250, 300, 400, 450, 150, 100};
inline constexpr CategoryTable<std::uint32_t> g_settleTicks{250, 300, 350, 450, 150, 100};
inline constexpr CategoryTable<std::uint32_t> g_rotationTicks{100, 200, 200, 250, 100, 100};
inline constexpr CategoryTable<std::uint32_t> g_climbPitchTicks{200, 250, 300, 400, 200, 100};
// Live aircraft only.
inline constexpr CategoryTable<double> g_maxClimbPerTick{0.5, 0.75, 0.6, 0.5, 1.0, 0.75};  // feet
inline constexpr CategoryTable<double> g_pushBackSpeed{5.0, 4.5, 4.0, 3.0, 4.5, 5.0};      // knots

// The table index of a category; throws std::out_of_range for a value outside the tables.
std::size_t gf_categoryIndex(AcCategory category);

}  // namespace vexo
