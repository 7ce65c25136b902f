// Measures shared by the track-following tests: the distance of a simulated position from a
// reported segment, and percentiles of a list of distances.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "foundation/geodesy.h"

namespace vexo::test {

inline constexpr double g_metresPerNm = 1852.0;

// Distance in metres from p to the segment a-b, on a local flat frame around a.
inline double toSegmentMetres(LatLon p, LatLon a, LatLon b) {
  const double k = std::cos(a.lat * g_degToRad);
  const double bx = (b.lon - a.lon) * k, by = b.lat - a.lat;
  const double px = (p.lon - a.lon) * k, py = p.lat - a.lat;
  const double len2 = bx * bx + by * by;
  const double t = len2 > 0.0 ? std::clamp((px * bx + py * by) / len2, 0.0, 1.0) : 0.0;
  return std::hypot(px - t * bx, py - t * by) * 60.0 * g_metresPerNm;
}

// The q-quantile (0 to 1) of the values, which it sorts; 0 for none.
inline double percentileOf(std::vector<double>& values, double q) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

}  // namespace vexo::test
