// The movement state of a live aircraft, shared by the position stream, the air and the
// ground movement and the situation updates from reports. The traffic cycle itself reads
// only a few of these fields (the touchdown of an on-ground report).
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "engine/ac_ident.h"

namespace vexo {

// The ground curve: a quadratic Bezier curve in metres around an origin.
enum CurveIndex : std::size_t {
  curveOriginLat = 0,
  curveOriginLon = 1,
  curveStartParam = 2,
  curveEndNorth = 3,
  curveEndEast = 4,
  curveEndParam = 5,
  curveControlEast = 6,  // not-a-number: no curve
  curveControlNorth = 7,
};
using GroundCurve = std::array<double, 8>;

inline constexpr double g_noCurve = std::numeric_limits<double>::quiet_NaN();
inline constexpr GroundCurve g_noGroundCurve{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, g_noCurve, g_noCurve};

// A leg between two stream positions, known by its exact end points, with the sines and
// cosines of their latitudes, and its initial bearing (radians) and length (nm), each
// worked out when first asked for.
struct MeasuredLeg {
  double fromLat = g_noCurve;  // not-a-number: no leg
  double fromLon = 0.0;
  double toLat = 0.0;
  double toLon = 0.0;
  double fromSin = 0.0;
  double fromCos = 1.0;
  double toSin = 0.0;
  double toCos = 1.0;
  double bearing = 0.0;
  double nm = 0.0;
  std::uint8_t hasBearing = 0;
  std::uint8_t hasNm = 0;
};

struct LiveMovement {
  double latStep = 0.0;  // degrees per cycle toward the front position
  double lonStep = 0.0;
  double pitchStep = 0.0;  // radians per cycle
  double bankStep = 0.0;
  double headingStep = 0.0;
  double climbStep = 0.0;             // feet per cycle
  double reportedVerticalRate = 0.0;  // feet per minute
  double reportedSpeed = 0.0;         // knots
  GroundCurve curve = g_noGroundCurve;
  double curveParam = 0.0;  // 0 to 0.999999
  double curveParamStep = 0.0;
  double curveTurnAngle = 0.0;  // degrees
  double curveOriginCosLat = 0.0;  // a curve origin latitude (degrees) and its cosine, kept
  double curveOriginCos = 1.0;
  std::uint8_t curveOriginCosKnown = 0;
  StreamPos pushBackAltTurn;    // the other side's push-back turn end, until the side is known
  std::int32_t earlyWindow = 1000;  // cycles the next due tick may move earlier
  std::int32_t lateWindow = 1000;   // ... or later
  std::int32_t phaseCounter = 1;    // take-off rotation and climb-out count-down
  std::int32_t pushBackPhase = 0;
  std::int32_t standDistanceSteps = 0;
  double bearingToNext = 0.0;  // radians
  double aboveGround = 2500.0;  // feet, as last reported by the simulator
  double heightAboveRef = 0.0;  // feet above the flare reference
  double touchdownHeading = 0.0;  // radians
  double lastPushedBackDistance = 0.0;  // nm
  double firstStandDistance = 0.0;      // nm
  double maxStandDistance = 0.0;        // nm
  double turnInPlaceAngle = 0.0;        // degrees
  double respawnHeading = 0.0;          // radians
  std::uint8_t respawnHeadingValid = 0;
  std::uint8_t pushBackTurnRight = 0;
  std::uint8_t pushBackTurnKnown = 0;
  std::optional<double> refElevation;  // feet: the flare's ground reference
  std::uint32_t flarePhase = 0;        // 0 none, 1 to 4 the flare's steps
  std::uint8_t approach = 0;
  std::uint8_t landedHere = 0;
  std::uint8_t towed = 0;
  std::uint8_t climbConfigSet = 0;
  std::uint8_t takeOffRoll = 0;
  std::uint8_t cruiseLightsSet = 0;
  std::uint8_t lowLightsSet = 0;
  std::uint8_t derotating = 0;
  std::uint8_t landingRoll = 0;
  std::uint8_t movingAtStand = 0;
  std::uint8_t turnInPlace = 0;
  // The last two legs measured (gf_legBearing, gf_legNm): the leg after the next position,
  // measured for the turn ahead, is the next due step's leg to its next position; a new
  // leg takes the trigonometry of a latitude it shares with them.
  mutable std::array<MeasuredLeg, 2> measuredLegs{};
  mutable std::uint8_t nextMeasuredLeg = 0;
};

}  // namespace vexo
