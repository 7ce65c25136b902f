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
// The steepest descent of a live aircraft in the air, feet per cycle, for every category:
// 1 ft a cycle is 6,000 ft/min, the rate of an emergency descent. No approach comes near
// it (a 3-degree glide path at 150 kt sinks about 800 ft/min, a steep 5.5-degree one about
// 1,300 ft/min, a helicopter's steep approach under 2,000 ft/min), nor does a descent from
// cruise (up to about 4,000 ft/min with the speed brakes out). Faster sinks come from
// altitude jumps in the reports or from catching up on a short leg; at this rate the
// aircraft still catches up with them, 1,000 ft in 10 s.
inline constexpr double g_maxDescentPerTick = 1.0;  // feet

// The table index of a category; throws std::out_of_range for a value outside the tables.
std::size_t gf_categoryIndex(AcCategory category);

}  // namespace vexo
