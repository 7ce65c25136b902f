// The pieces of the air movement that the ground movement and the tests reach directly
// (the steps the stream calls are in movement.h). Tick thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cmath>
#include <optional>

#include "engine/aircraft.h"
#include "engine/category_tables.h"
#include "foundation/geodesy.h"

namespace vexo {

struct TrafficEngine;

// Per-category limits in the air, by AcCategory.
inline constexpr CategoryTable<double> g_liftOffSpeedKt{90.0, 110.0, 140.0, 150.0, 220.0, 0.0};
inline constexpr CategoryTable<double> g_maxBankDeg{40.0, 35.0, 30.0, 20.0, 90.0, 75.0};
inline constexpr CategoryTable<double> g_maxBankChangeDeg{0.035, 0.0275, 0.02, 0.015, 0.1, 0.06};
inline constexpr CategoryTable<double> g_maxPitchChangeDeg{0.01, 0.0085, 0.0075, 0.005, 0.03, 0.03};

inline constexpr double g_pi = 3.141592653589793;
inline constexpr double g_metresPerDegLat = 111132.95;  // the curve's flat frame
inline constexpr double g_samePlaceDeg = 1e-8;           // two positions count as one place

// An angle brought into (-pi, pi]; a heading into [0, 2 pi).
double gf_angleDiff(double radians);
double gf_heading0To2Pi(double radians);
inline bool gf_samePlace(double lat1, double lon1, double lat2, double lon2) {
  return std::abs(lat1 - lat2) < g_samePlaceDeg && std::abs(lon1 - lon2) < g_samePlaceDeg;
}
inline bool gf_hasCurve(const GroundCurve& c) {
  return !std::isnan(c[curveControlEast]) && !std::isnan(c[curveControlNorth]);
}

// A point of the ground curve and the heading of its tangent; none without a curve or
// outside its parameter range.
struct CurvePoint {
  LatLon position;
  double heading = 0.0;  // radians, [0, 2 pi)
};
std::optional<CurvePoint> gf_bezierPoint(const GroundCurve& curve, double t);
// The same, with the cosine of the origin latitude (gf_curveOriginLat) given.
std::optional<CurvePoint> gf_bezierPoint(const GroundCurve& curve, double t, double cosOriginLat);
// The curve's origin latitude, degrees, brought below 180.
double gf_curveOriginLat(const GroundCurve& curve);
// Keeps the cosine of a curve origin latitude for the cycles on the curve.
inline void gf_keepCurveOriginCos(LiveAc& a, double originLat, double cosOriginLat) {
  a.curveOriginCosLat = originLat;
  a.curveOriginCos = cosOriginLat;
  a.curveOriginCosKnown = 1;
}

// The pitch asked for at a vertical rate (feet per minute): -3 deg, 2.2 deg per 600 ft/min
// of climb (up to 2400) or of half the descent (down to -3000).
double lf_targetPitch(double verticalRate);

// Heading change at the next position (0 with fewer than three positions), radians.
double lf_turnAhead(const LiveAc& aircraft);
// bankStep toward -turn (within the category's largest bank) over cycles, within the
// category's largest bank change per cycle.
void lf_bankTarget(LiveAc& aircraft, double turn, std::int32_t cycles);
// Every position after the front at the category's lift-off speed or faster.
bool lf_allAboveLiftOff(const LiveAc& aircraft);
// Descent rate toward the runway, feet per minute (never above -601 higher than 100 ft).
double lf_flareDescentRate(const LiveAc& aircraft);
// climbStep of a lift-off toward the next altitude.
void lf_liftOffClimb(LiveAc& aircraft, const TrafficEngine& engine);
// Skips ahead to the airborne position k - 1 (0: front); false when there is none.
bool lf_retimeToAirborne(LiveAc& aircraft, std::size_t k, TrafficEngine& engine);
// Configuration below 10000 ft, and the approach or climb configuration near the ground.
void lf_configByHeight(LiveAc& aircraft, TrafficEngine& engine);
void lf_approachConfig(LiveAc& aircraft, TrafficEngine& engine);
// One cycle of the landing flare (below 400 ft on approach).
void lf_flare(LiveAc& aircraft, TrafficEngine& engine);

}  // namespace vexo
