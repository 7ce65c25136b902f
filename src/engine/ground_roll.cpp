// Between two moving positions on the ground: throttle, flaps and spoilers of the take-off
// and landing rolls, the start of the take-off, and the path's extra shapes (the curve
// through a turn and the midpoint of a leg).
#include <algorithm>
#include <cmath>

#include "engine/air_movement.h"
#include "engine/ground_movement.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "simlink/sim_action_queues.h"

namespace vexo {

namespace {

constexpr double g_takeOffSpeedKt = 43.0;
constexpr double g_turnOffDeg = 15.0;
constexpr double g_steadyClimbFpm = 256.0;
constexpr double g_wellAboveFt = 300.0;  // beyond the reader's noise near the field

std::uint32_t lf_idleThrottle(const LiveAc& a) { return a.category == AcCategory::Rotorcraft ? 4 : 0; }

std::uint32_t lf_takeOffThrottle(const LiveAc& a) {
  if (a.category == AcCategory::Rotorcraft) return 4;
  const double g0 = a.stream[0].groundSpeed;
  const double g1 = a.stream[1].groundSpeed;
  if (g0 >= 25.0 || g1 >= 30.0) return 4;
  if (g0 >= 20.0 || g1 >= 25.0) return 2;
  if (g0 >= 15.0 || g1 >= 20.0) return 1;
  return 0;
}

void lf_zeroAiControls(const LiveAc& a, TrafficEngine& engine) {
  if (a.category != AcCategory::Light && engine.hooks.sendAiControls)
    engine.hooks.sendAiControls(engine.link, a.objectid, 0.0, 0.0);
}

void lf_landingRollStep(LiveAc& a, TrafficEngine& engine) {
  if (std::abs(gf_angleDiff(a.heading - a.touchdownHeading)) >= g_turnOffDeg * g_degToRad) {  // turned off
    gf_setFlaps(a, 0, engine.link);
    a.landingRoll = 0;
    a.touchdownHeading = 0.0;
    gf_setThrottle(a, lf_idleThrottle(a), engine.link);
    gf_setSpoilers(a, false, engine.link);
    lf_zeroAiControls(a, engine);
    gf_setLights(a.objectid, {1, 1, 0, 1, 0, 1, 1}, engine.link);
  } else if (a.stream[0].groundSpeed <= 30.0) {
    gf_setFlaps(a, 0, engine.link);
  } else if (a.stream[0].groundSpeed <= 90.0) {
    gf_setSpoilers(a, false, engine.link);
    lf_zeroAiControls(a, engine);
    gf_setFlaps(a, 1, engine.link);
  }
}

// At 43 kt or more in a take-off roll, the reports tell when the wheels leave the ground.
// Positions that all fly well above the aircraft rolling below them say so at any speed
// and vertical rate (reports with a stale speed keep both low).
void lf_detectTakeOff(LiveAc& a, TrafficEngine& engine) {
  if (a.takeOffRoll == 0 || a.flightState == FlightState::take_off) return;
  const auto after = a.stream.begin() + 1;
  const bool wellAbove = std::all_of(after, a.stream.end(), [&a](const StreamPos& p) {
    return p.airborne != 0 && p.altitude >= a.altitude + g_wellAboveFt;
  });
  if (a.stream[0].groundSpeed < g_takeOffSpeedKt && !wellAbove) return;
  const bool someSlow = std::any_of(after, a.stream.end(), [](const StreamPos& p) { return p.verticalRate <= g_steadyClimbFpm; });
  const bool allAirborne = std::all_of(after, a.stream.end(), [](const StreamPos& p) { return p.airborne != 0; });
  if (someSlow) {
    if (!wellAbove && (!lf_allAboveLiftOff(a) || !allAirborne)) return;  // the roll goes on
    a.climbStep = a.maxClimbPerTick;
  } else if (!allAirborne) {
    a.climbStep = a.maxClimbPerTick;
  } else {
    a.climbStep = std::max(a.stream[1].altitude - a.altitude, 0.1) / lf_cyclesToNext(a, engine);
  }
  lf_startTakeOff(a, engine);
}

}  // namespace

void lf_groundRollStep(LiveAc& a, TrafficEngine& engine) {
  if (a.flightState == FlightState::flying || a.flightState == FlightState::parked) {
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::taxi;
  } else if (a.takeOffRoll != 0) {
    gf_setThrottle(a, lf_takeOffThrottle(a), engine.link);
  } else if (a.landingRoll != 0) {
    lf_landingRollStep(a, engine);
  } else {
    gf_setThrottle(a, lf_idleThrottle(a), engine.link);
  }
  if (a.takeOffRoll == 0 && a.landingRoll == 0) lf_shrinkWindows(a);
  if (a.flarePhase == 0 && a.flightState != FlightState::take_off) {
    a.pitch = a.staticPitch;
    a.pitchStep = 0.0;
    a.bank = 0.0;
    a.bankStep = 0.0;
  }
  if (gf_hasCurve(a.curve)) a.curveParamStep = 1.0 / lf_cyclesToNext(a, engine);
  a.reportedSpeed = a.flightState == FlightState::pushing_back ? -a.stream[1].groundSpeed : a.stream[1].groundSpeed;
  lf_detectTakeOff(a, engine);
}

void lf_insertMidpoint(LiveAc& a) {
  if (a.stream.size() < 2) return;
  const StreamPos& f = a.stream[0];
  const StreamPos& n = a.stream[1];
  StreamPos m = f;
  m.lat = (f.lat + n.lat) / 2.0;
  m.lon = (f.lon + n.lon) / 2.0;
  m.groundSpeed = (f.groundSpeed + n.groundSpeed) / 2.0;
  m.altitude = std::max((f.altitude + n.altitude) / 2.0, 0.0);
  m.dueTick = static_cast<std::int32_t>(std::llround((static_cast<double>(f.dueTick) + n.dueTick) / 2.0));
  m.airborne = m.altitude > 0.0 ? 1 : 0;
  m.stationary = 0;
  a.stream.insert(a.stream.begin() + 1, m);
}

void lf_splitOnSpeedChange(LiveAc& a) {
  if (a.stream.size() < 2) return;
  const StreamPos& f = a.stream[0];
  const StreamPos& n = a.stream[1];
  if ((f.groundSpeed > 0.0 || n.groundSpeed > 0.0) && std::abs(f.groundSpeed - n.groundSpeed) > 5.0 &&
      gf_legNm(a, f, n) * 1852.0 >= 100.0)
    lf_insertMidpoint(a);
}

void lf_setUpCurve(LiveAc& a) {
  if (a.stream.size() < 3) return;
  const StreamPos& f = a.stream[0];
  const StreamPos& n = a.stream[1];
  StreamPos& end = a.stream[2];
  if (end.groundSpeed == 0.0) end.groundSpeed = (f.groundSpeed + n.groundSpeed) / 2.0;
  const double cosLat = std::cos(a.lat * g_degToRad);
  const double eastPerDeg = cosLat * g_metresPerDegLat;
  gf_keepCurveOriginCos(a, a.lat, cosLat);  // the curve's points take it each cycle
  // Within half a turn the difference is its own remainder (the library call only beyond).
  auto dLon = [&a](double lon) {
    const double d = lon - a.lon;
    return std::abs(d) <= 180.0 ? d : std::remainder(d, 360.0);
  };
  GroundCurve& c = a.curve;
  c[curveOriginLat] = a.lat;
  c[curveOriginLon] = a.lon;
  c[curveStartParam] = 0.0;
  c[curveEndParam] = 1.0;
  c[curveControlNorth] = (n.lat - a.lat) * g_metresPerDegLat;
  c[curveControlEast] = dLon(n.lon) * eastPerDeg;
  c[curveEndNorth] = (end.lat - a.lat) * g_metresPerDegLat;
  c[curveEndEast] = dLon(end.lon) * eastPerDeg;
  a.curveParam = 0.0;
  a.stream.erase(a.stream.begin() + 1);  // the curve replaces the next position
}

}  // namespace vexo
