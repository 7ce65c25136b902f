// One cycle of movement of a live aircraft (every flight state): along the ground curve
// or by the per-cycle steps, the climb and attitude, the take-off rotation and climb-out,
// the landing flare; and the first attitude of a new aircraft.
#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/air_movement.h"
#include "engine/aircraft_texts.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/situation_updates.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"

namespace vexo {

namespace {

constexpr double g_headingTolerance = 0.5 * g_degToRad;
constexpr double g_flarePitch = -4.0 * g_degToRad;  // the flare never lifts the nose further
constexpr double g_groundPitch = 0.010471975511965976;  // 0.6 deg nose down

// Turns the heading toward a target by the current turn rate, the shorter way round,
// without passing it.
void lf_turnToward(LiveAc& a, double target) {
  const double diff = gf_angleDiff(target - a.heading);
  if (std::abs(diff) <= g_headingTolerance) return;
  const double step = std::min(std::abs(a.currentTurnRate), std::abs(diff));
  a.heading = gf_heading0To2Pi(a.heading + std::copysign(step, diff));
}

// The cosine of the curve's origin latitude, worked out once per origin.
double lf_curveOriginCos(LiveAc& a) {
  const double originLat = gf_curveOriginLat(a.curve);
  if (a.curveOriginCosKnown == 0 || std::bit_cast<std::uint64_t>(a.curveOriginCosLat) != std::bit_cast<std::uint64_t>(originLat))
    gf_keepCurveOriginCos(a, originLat, std::cos(originLat * g_degToRad));
  return a.curveOriginCos;
}

void lf_moveHorizontally(LiveAc& a) {
  if (gf_hasCurve(a.curve)) {
    a.curveParam = std::clamp(a.curveParam + a.curveParamStep, 0.0, 0.999999);
    if (const auto p = gf_bezierPoint(a.curve, a.curveParam, lf_curveOriginCos(a))) {
      a.lat = p->position.lat;
      a.lon = p->position.lon;
      const double target = a.flightState == FlightState::pushing_back ? p->heading + g_pi : p->heading;
      lf_turnToward(a, gf_heading0To2Pi(target));
    } else {
      gf_log(fmt::format("{} error in curve at index: {:.2F}", a.callsign, a.curveParam));
    }
    return;
  }
  switch (a.flightState) {
    case FlightState::take_off:
    case FlightState::flying:
    case FlightState::parked:
    case FlightState::birth: a.heading = gf_heading0To2Pi(a.heading + a.headingStep); break;
    default:
      if (a.flightState == FlightState::parking || a.turnInPlace != 0) lf_turnToward(a, a.bearingToNext);
  }
  if (a.flightState != FlightState::pushed_back) {
    a.lat += a.latStep;
    a.lon += a.lonStep;
  }
}

// In the air the steps of a leg that lasts longer than planned must not carry bank and
// pitch past what the aircraft can fly.
void lf_keepAttitudeSane(LiveAc& a) {
  const std::size_t c = gf_categoryIndex(a.category);
  const double bank = g_maxBankDeg[c] * g_degToRad;
  a.bank = std::clamp(a.bank, -bank, bank);
  static const double steepestClimb = lf_targetPitch(2400.0);
  static const double steepestDescent = lf_targetPitch(-3000.0);
  a.pitch = std::clamp(a.pitch, std::min(a.climbPitch, steepestClimb), steepestDescent);
}

void lf_moveVertically(LiveAc& a, TrafficEngine& engine) {
  if (a.aboveGround <= 400.0 && a.approach != 0 && a.onGround == 0) lf_flare(a, engine);
  if (a.derotating != 0) {
    a.pitch += a.pitchStep;
    if (a.pitch >= a.staticPitch) {
      a.pitch = a.staticPitch;
      a.pitchStep = 0.0;
      a.bank = 0.0;
      a.bankStep = 0.0;
      a.derotating = 0;
      a.flarePhase = 0;
    }
    a.bank += a.bankStep;
  } else if (a.flarePhase != 0) {
    a.bank = std::clamp(a.bank + a.bankStep, -g_pi, g_pi);
    a.pitch = std::max(a.pitch + a.pitchStep, g_flarePitch);
    a.altitude += a.climbStep;
  } else if (a.onGround != 0) {
    a.pitch = a.staticPitch;
    a.bank = 0.0;
  } else {
    a.bank += a.bankStep;
    a.pitch += a.pitchStep;
    a.altitude += a.climbStep;
    lf_keepAttitudeSane(a);
  }
}

// The rotation, then the climb-out with the climb step let in by degrees.
void lf_takeOffCycle(LiveAc& a, TrafficEngine& engine) {
  a.phaseCounter = std::max(a.phaseCounter - 1, -1000);
  const std::int32_t n = a.phaseCounter;
  if (n >= 1) {
    a.onGround = 0;
    if (a.pitch > a.takeOffPitch) a.pitch = std::max(a.pitch + a.pitchStep, a.takeOffPitch);
    return;
  }
  a.bank = std::clamp(a.bank + a.bankStep, -g_pi, g_pi);
  if (a.pitch > a.climbPitch && a.climbPitchTicks > 0)
    a.pitch = std::max(a.pitch + (a.climbPitch - a.takeOffPitch) / a.climbPitchTicks, a.climbPitch);
  if (n == 0) return;
  if (n >= -99) {
    a.altitude += a.climbStep / 10.0;
  } else if (n >= -199) {
    a.altitude += a.climbStep / 5.0;
  } else if (n >= -299) {
    a.altitude += a.climbStep * 0.5;
  } else if (n == -300) {
    gf_setGear(a, 0, engine.link);
    a.altitude += a.climbStep;
  } else {
    a.altitude += a.climbStep;
    if (a.pitch <= a.climbPitch) {
      a.pitchStep = 0.0;
      if (a.aboveGround >= 800.0) {
        gf_setThrottle(a, a.category == AcCategory::Rotorcraft ? 4 : 3, engine.link);
        a.prevFlightState = a.flightState;
        a.flightState = FlightState::flying;
        a.phaseCounter = 1;
      }
    }
  }
}

void lf_wrapPosition(LiveAc& a) {
  if (a.lat > 90.0 || a.lat < -90.0) {
    a.lat = (a.lat > 0.0 ? 180.0 : -180.0) - a.lat;
    a.lon += 180.0;
  }
  if (a.lon >= 180.0 || a.lon < -180.0) a.lon -= 360.0 * std::floor((a.lon + 180.0) / 360.0);
}

}  // namespace

double gf_angleDiff(double radians) {
  // The remainder by 2 pi, without the library call for the differences of two headings:
  // up to pi (a tie at pi rounds the quotient to the even 0) the angle is its own
  // remainder; up to 1.25 turns the quotient rounds to 1 and the subtraction is exact (the
  // operands lie within a factor of two of each other). A zero keeps the sign of the angle.
  const double m = std::abs(radians);
  double a = m <= g_pi          ? radians
             : m < 2.5 * g_pi   ? (radians > 0.0 ? radians - g_twoPi : -(m - g_twoPi))
                                : std::remainder(radians, g_twoPi);
  if (a <= -g_pi) a += g_twoPi;
  return a;
}

double gf_heading0To2Pi(double radians) {
  // Within a turn the angle is its own remainder (fmod is exact either way).
  double h = radians >= 0.0 && radians < g_twoPi ? radians : std::fmod(radians, g_twoPi);
  if (h < 0.0) h += g_twoPi;
  return h >= 6.283185307178586 ? 0.0 : h;
}

double gf_curveOriginLat(const GroundCurve& c) {
  const double originLat = c[curveOriginLat];
  return originLat > 180.0 ? originLat - 360.0 : originLat;
}

std::optional<CurvePoint> gf_bezierPoint(const GroundCurve& c, double t) {
  return gf_bezierPoint(c, t, std::cos(gf_curveOriginLat(c) * g_degToRad));
}

std::optional<CurvePoint> gf_bezierPoint(const GroundCurve& c, double t, double cosOriginLat) {
  if (!gf_hasCurve(c) || !(t >= c[curveStartParam] && t <= c[curveEndParam])) return std::nullopt;
  const double u = (t - c[curveStartParam]) / (c[curveEndParam] - c[curveStartParam]);
  if (!(u >= 0.0 && u <= 1.0)) return std::nullopt;
  const double v = 1.0 - u;
  const double east = 2.0 * u * v * c[curveControlEast] + u * u * c[curveEndEast];
  const double north = 2.0 * u * v * c[curveControlNorth] + u * u * c[curveEndNorth];
  CurvePoint p;
  p.position.lat = c[curveOriginLat] + north / g_metresPerDegLat;
  p.position.lon = c[curveOriginLon] + east / (g_metresPerDegLat * cosOriginLat);
  p.heading = gf_heading0To2Pi(
      std::atan2(2.0 * u * (c[curveEndEast] - c[curveControlEast]) + 2.0 * v * c[curveControlEast],
                 2.0 * u * (c[curveEndNorth] - c[curveControlNorth]) + 2.0 * v * c[curveControlNorth]));
  return p;
}

void lf_flyCurve(LiveAc& a, TrafficEngine& engine) {
  lf_moveHorizontally(a);
  if (a.flightState == FlightState::take_off)
    lf_takeOffCycle(a, engine);
  else
    lf_moveVertically(a, engine);
  lf_wrapPosition(a);
}

void lf_flare(LiveAc& a, TrafficEngine& engine) {
  const double cg = a.staticCgHeight;
  auto frontRate = [&a](double rate) {
    if (!a.stream.empty()) a.stream.front().verticalRate = rate;
  };
  switch (a.flarePhase) {
    case 0: {
      const std::optional<double> park = engine.hooks.parkAirportElevation();
      if (!a.refElevation && park) a.refElevation = park;
      a.heightAboveRef = a.refElevation ? a.altitude - *a.refElevation : a.aboveGround;
      if (std::min(a.aboveGround, a.heightAboveRef) <= cg + 30.0) {
        a.pitchStep = (g_flarePitch - a.pitch) / std::max<std::uint32_t>(a.flareTicks, 1);
        a.climbStep = -0.1;
        frontRate(-601.0);
        a.flarePhase = 1;
        engine.landingInProgress = true;
      }
      break;
    }
    case 1:
      if (a.aboveGround <= cg + 20.0) {
        a.refElevation.reset();
        a.climbStep = -0.075;
        frontRate(-450.0);
        a.flarePhase = 2;
      }
      break;
    case 2:
      if (a.aboveGround <= cg + 10.0) {
        a.refElevation.reset();
        gf_setThrottle(a, 0, engine.link);
        a.climbStep = -0.05;
        frontRate(-300.0);
        a.flarePhase = 3;
      }
      break;
    case 3:
      if (a.aboveGround <= cg + 3.0) {
        a.refElevation.reset();
        a.climbStep = -0.025;
        frontRate(-150.0);
        a.flarePhase = 4;
      }
      break;
    default: break;  // 4: the simulator's on-ground report ends the flare
  }
}

void lf_startTakeOff(LiveAc& a, TrafficEngine& engine) {
  a.phaseCounter = std::max<std::int32_t>(static_cast<std::int32_t>(a.rotationTicks), 1);
  a.bank = 0.0;
  a.bankStep = 0.0;
  a.pitchStep = (a.takeOffPitch - a.pitch) / a.phaseCounter;
  if (a.takeOffRoll == 0) lf_startTakeOffRoll(a, engine);
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::take_off;
  a.headingStep = 0.0;
  a.curve = g_noGroundCurve;
  if (a.landingRoll != 0) {  // touch-and-go
    a.landingRoll = 0;
    a.approach = 0;
    a.landedHere = 0;
    gf_setThrottle(a, 4, engine.link);
    gf_setSpoilers(a, true, engine.link);
    gf_setFlaps(a, 1, engine.link);
  }
}

void lf_initAttitude(LiveAc& a, TrafficEngine& engine) {
  const StreamPos& front = a.stream.front();
  gf_addTouchdown(a.hexid, engine);
  a.lat = front.lat;
  a.lon = front.lon;
  a.altitude = front.altitude;
  a.trueAirspeed = front.speed;
  a.verticalSpeed = front.verticalRate / 60.0;
  a.pitch = front.airborne != 0 ? lf_targetPitch(front.verticalRate) : g_groundPitch;
  a.bank = front.rollValid != 0 ? front.roll : 0.0;
  if (a.respawnHeadingValid != 0)
    a.heading = a.respawnHeading;
  else if (a.flightState == FlightState::parked)
    a.heading = a.standHeading;
  else if (a.stream.size() < 2 || a.stream[1].stationary != 0)
    a.heading = front.track * g_degToRad;
  else
    a.heading = gf_initialBearing({front.lat, front.lon}, {a.stream[1].lat, a.stream[1].lon});
  a.heading = gf_heading0To2Pi(a.heading);
  // On the ground too: any other value would turn a parked aircraft round and round.
  a.headingStep = 0.0;
  a.nearUser = 0;
}

bool gf_removeIfUserBehind(LiveAc& a, int index, TrafficEngine& engine) {
  struct Limits {
    double distanceNm, altitudeFt, lateralFt;
  };
  static constexpr Limits limits[2] = {{4.0, 1000.0, 700.0}, {6.0, 3000.0, 4000.0}};
  const Limits& l = limits[index == 0 ? 0 : 1];
  const UserAcData user = engine.userAc.get();
  const LatLon userPos{user.latitude, user.longitude};
  const double d = gf_greatCircleNm(userPos, {a.lat, a.lon});
  if (d > l.distanceNm || std::abs(user.altitude - a.altitude) >= l.altitudeFt) return false;
  const double x = gf_angleDiff(a.heading - gf_initialBearing(userPos, {a.lat, a.lon}));
  if (std::cos(x) * d * g_feetPerNm <= 0.0) return false;
  if (std::abs(std::sin(x)) * d * g_feetPerNm > l.lateralFt) return false;
  removeAircraftFromSim(a, engine);
  return true;
}

}  // namespace vexo
