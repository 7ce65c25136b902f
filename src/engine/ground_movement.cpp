// On reaching a position on the ground: leaving the stand, shaping the taxi path (curves,
// midpoints), looking for a stand, timing the next position at a believable turn rate,
// and the take-off and landing rolls with their configuration.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/air_movement.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/ground_movement.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"
#include "simlink/sim_action_queues.h"

namespace vexo {

namespace {

constexpr double g_metresPerNm = 1852.0;
constexpr double g_longLegNm = 0.02699784017278618;   // 50 m
constexpr double g_nearLastNm = 0.018898488120950324;  // 35 m
constexpr double g_slowLegKt = 43.0;
constexpr std::int32_t g_longLegTicks = 600;

std::int32_t lf_nowTick(const TrafficEngine& engine) { return engine.trafficTick.load(std::memory_order_relaxed); }

// Curves, midpoints and turning in place toward a moving next position.
void lf_shapeTaxiPath(LiveAc& a) {
  const auto& s = a.stream;
  if (s.size() >= 3 && s[2].stationary == 0) {
    const double turn = std::abs(lf_turnAhead(a)) * g_radToDeg;
    // Measured only for a sharp turn.
    const auto longSlowLeg = [&a, &s] {
      const std::int64_t legTicks = static_cast<std::int64_t>(s[1].dueTick) - s[0].dueTick;
      return s[0].groundSpeed <= g_slowLegKt && legTicks >= 0 && std::max<std::int64_t>(legTicks, 25) >= g_longLegTicks &&
             gf_legNm(a, s[0], s[1]) > g_longLegNm;
    };
    if (turn <= 3.0) {
      lf_splitOnSpeedChange(a);
    } else if (turn > 45.0 && longSlowLeg()) {
      lf_insertMidpoint(a);  // the turn starts later
    } else if (turn <= 160.0 && !gf_samePlace(s[0].lat, s[0].lon, s[2].lat, s[2].lon)) {
      lf_setUpCurve(a);
      a.curveTurnAngle = turn;
    } else {
      lf_splitOnSpeedChange(a);
    }
  } else if (s.size() >= 3 || a.stepsLeft < 1) {
    lf_splitOnSpeedChange(a);
  }
  if (gf_hasCurve(a.curve)) {
    a.turnInPlace = 0;
  } else {
    a.turnInPlaceAngle = std::abs(gf_angleDiff(a.bearingToNext - a.heading)) * g_radToDeg;
    a.turnInPlace = a.turnInPlaceAngle > 3.0 ? 1 : 0;
  }
}

// The push-back reached its middle (the turn is decided) or its end.
bool lf_pushBackStep(LiveAc& a, TrafficEngine& engine) {
  --a.pushBackPhase;
  if (a.pushBackPhase == 1) {
    if (a.pushBackTurnKnown != 0) {
      if (a.pushBackTurnRight != 0) a.stream.back() = a.pushBackAltTurn;
      lf_setUpCurve(a);
      a.curveTurnAngle = 90.0;
      lf_timeNextGround(a, engine);
      return true;
    }
    if (a.stream.size() > 2) a.stream.pop_back();  // no side known: straight back
  } else if (a.pushBackPhase < 1) {
    a.bearingToNext = a.heading;
    gf_engineAutoStart(a.objectid, engine.link);
    gf_setThrottle(a, 0, engine.link);
    gf_setFlaps(a, 1, engine.link);
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::pushed_back;
    a.pushBackPhase = 1;
    a.lastPushedBackDistance = 900.0;
    a.stepsLeft = 0;
    a.movingAtStand = 0;
  }
  return false;
}

// A taxiing aircraft whose reports end standing looks for a stand; true when the step ends.
bool lf_lookForStand(LiveAc& a, TrafficEngine& engine) {
  if (a.flightState != FlightState::taxi || a.stream.back().stationary == 0 || !gf_parkStandsReady()) return false;
  const FlightState prev = a.prevFlightState;
  if (a.towed == 0 &&
      (prev == FlightState::parked || prev == FlightState::pushing_back || prev == FlightState::pushed_back)) {
    lf_timeNextGround(a, engine);  // it has just left a stand
    return true;
  }
  if (a.stepsLeft < 1) {
    if (a.stream[1].groundSpeed <= 5.0 && gf_greatCircleNm({a.lat, a.lon}, {a.stream.back().lat, a.stream.back().lon}) <= g_nearLastNm)
      try2Park(a, false, engine);
  } else {
    try2Park(a, a.landedHere != 0, engine);
  }
  return false;
}

void lf_nextPosGroundSteps(LiveAc& a, TrafficEngine& engine) {
  switch (a.flightState) {
    case FlightState::pushing_back:
      if (lf_pushBackStep(a, engine)) return;
      break;
    case FlightState::parked:
      lf_openWindows(a);
      if (a.movingAtStand != 0) {
        const StreamPos& last = a.stream.back();
        const double off =
            std::round(gf_angleDiff(gf_initialBearing({a.standLat, a.standLon}, {last.lat, last.lon}) - a.standHeading) *
                       g_radToDeg);
        if (std::abs(off) < 90.0)
          lf_startPullOut(a, engine);
        else
          lf_startPushBack(a, engine);
      }
      break;
    default:
      if (a.stream.size() >= 2 && a.stream[1].stationary == 0) lf_shapeTaxiPath(a);
  }
  if (a.stream.size() >= 2 && lf_lookForStand(a, engine)) return;
  lf_timeNextGround(a, engine);
}

}  // namespace

void nextPosGround(LiveAc& a, TrafficEngine& engine) {
  try {
    lf_nextPosGroundSteps(a, engine);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}, {}, sz:{}", "nextPosGround", e.what(), gf_acLogText(a), a.stream.size()));
    throw;
  }
}

void lf_timeNextGround(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.size() < 2) return;
  const StreamPos& front = a.stream[0];
  const StreamPos& next = a.stream[1];
  if (next.stationary != 0) {
    // A standing position keeps its distance in time behind the front.
    const std::int64_t gap = static_cast<std::int64_t>(next.dueTick) - front.dueTick;
    const std::int64_t g = gap < 0 ? 25 : std::max<std::int64_t>(gap, 25);
    const std::int64_t t = std::max<std::int64_t>(static_cast<std::int64_t>(front.dueTick) - lf_nowTick(engine) + g, 25);
    lf_setNextDue(a, static_cast<std::int32_t>(std::min<std::int64_t>(t, std::numeric_limits<std::int32_t>::max())), engine);
    return;
  }
  a.currentTurnRate = a.turnRate;
  const double nm = gf_legNm(a, front, next);
  const std::int32_t travel = std::max(lf_roundTicks(nm * 360000.0 / lf_legSpeed(a), "lf_timeNextGround"), 25);
  if (gf_hasCurve(a.curve) || a.turnInPlace != 0) {
    const double turn = a.turnInPlace != 0 ? a.turnInPlaceAngle : a.curveTurnAngle;
    const double n = a.turnRate > 0.0 ? std::max(std::round(turn / a.turnRate / 100.0), 1.0) : 1.0;
    if (turn > 0.0 && nm > 0.0) {
      double r = travel / n;
      if (turn <= 45.0) {
        if (r >= 1.2) r = std::min({r, r * 10.0 / turn, r * 30.0 / g_metresPerNm / nm});
        if (r > 0.0) a.currentTurnRate /= r;
      } else {
        a.currentTurnRate *= std::min(r, std::min(turn, 90.0) / 30.0);
        if (turn >= 90.0) {
          a.earlyWindow = std::max(a.earlyWindow, 2000);
          a.lateWindow = std::max(a.lateWindow, 2000);
        }
      }
    }
  }
  lf_setNextDue(a, travel, engine);
}

void lf_timeNextAir(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.size() < 2) return;
  const StreamPos& front = a.stream[0];
  const StreamPos& next = a.stream[1];
  if (next.stationary != 0) {
    if (a.category == AcCategory::Rotorcraft) lf_timeNextGround(a, engine);
    return;
  }
  const double nm = gf_legNm(a, front, next);
  double speed = lf_legSpeed(a);
  if (a.approach != 0 && next.airborne == 0) speed = front.groundSpeed > 0.0 ? front.groundSpeed : 100.0;
  lf_setNextDue(a, std::max(lf_roundTicks(nm * 360000.0 / speed, "lf_timeNextAir"), 25), engine);
}

}  // namespace vexo
