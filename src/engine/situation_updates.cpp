// A further report of a known live aircraft, read against its FlightState before it joins
// the stream: a push-back's turn direction, a pushed-back aircraft starting to taxi, a
// take-off roll, a go-around, a parked aircraft moved, towed or leaving its stand, a
// report to ignore, or one that makes the aircraft impossible to follow.
#include <fmt/format.h>

#include <cmath>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/learned_flight.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/situation_updates.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "simlink/sim_action_queues.h"

namespace vexo {

namespace {

constexpr std::size_t g_maxStream = 200;
constexpr double g_samePlaceDeg = 1e-8;
constexpr double g_nearPlaceDeg = 0.00015;
constexpr double g_metresPerNm = 1852.0;
constexpr double g_standLimitNm = 0.0458963282937365;   // 85 m
constexpr double g_leftStandNm = 0.10799136069114472;   // 200 m
constexpr double g_standStepNm = 0.0016198704103671706;  // 3 m
constexpr double g_resumeNm = 0.011879049676025918;     // 22 m
constexpr std::int32_t g_resumeTicks = 1500;
constexpr std::int32_t g_parkedWeekTicks = 60'480'000;
constexpr double g_pi = 3.141592653589793;

std::int32_t lf_now(const TrafficEngine& engine) { return engine.trafficTick.load(std::memory_order_relaxed); }

bool lf_on(const StreamPos& a, const StreamPos& b, double limit = g_samePlaceDeg) {
  return std::abs(a.lat - b.lat) < limit && std::abs(a.lon - b.lon) < limit;
}

double lf_nm(const StreamPos& a, const StreamPos& b) { return gf_greatCircleNm({a.lat, a.lon}, {b.lat, b.lon}); }

// An angle brought into (-pi, pi], in degrees.
double lf_offDeg(double radians) {
  double a = std::remainder(radians, g_twoPi);
  if (a <= -g_pi) a += g_twoPi;
  return a * g_radToDeg;
}

double lf_bearingOffDeg(const StreamPos& from, const StreamPos& to, double heading) {
  return std::abs(lf_offDeg(gf_initialBearing({from.lat, from.lon}, {to.lat, to.lon}) - heading));
}

void lf_dueAtOnce(LiveAc& a, const TrafficEngine& engine) {
  if (!a.stream.empty()) a.stream.front().dueTick = gf_addTicks(lf_now(engine), 1);
}

// A take-off roll begins (from the taxi, or as a go-around from a landing roll): the
// throttle and spoilers given, flaps 1, every light but the cabin's on, windows opened.
void lf_beginRoll(LiveAc& a, std::uint32_t throttle, bool spoilers, TrafficEngine& engine) {
  a.takeOffRoll = 1;
  gf_setThrottle(a, throttle, engine.link);
  gf_setSpoilers(a, spoilers, engine.link);
  gf_setFlaps(a, 1, engine.link);
  a.approach = 0;
  a.landedHere = 0;
  a.climbConfigSet = 0;
  gf_setLights(a.objectid, {1, 1, 1, 1, 1, 1, 0}, engine.link);
  lf_openWindows(a);
}

bool lf_checkPushedBack(LiveAc& a, StreamPos& r, TrafficEngine& engine) {
  const double d = gf_greatCircleNm({a.lat, a.lon}, {r.lat, r.lon});
  if (d <= 6.0 * a.halfSpan && (d <= 2.75 * a.halfSpan || d <= a.lastPushedBackDistance)) {
    if (a.holding == 0) a.holdStartTick = lf_now(engine);
    a.holding = 1;
    a.lastPushedBackDistance = d;
    return false;
  }
  r.stationary = 0;
  if (a.stepsLeft > 0) {
    lf_dueAtOnce(a, engine);
    a.stepsLeft = 0;
    lf_openWindows(a);
  }
  a.pushBackTurnKnown = 0;
  a.pushBackPhase = 0;
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::taxi;
  a.standLat = a.standLon = a.standHeading = 0.0;
  a.sid = 0;
  a.standFlag = 0;
  a.holding = 0;
  return true;
}

bool lf_checkAtStand(LiveAc& a, StreamPos& r, TrafficEngine& engine) {
  if (a.simState == SimState::buffer || a.simState == SimState::adding2sim) return false;
  const bool firstReport = a.parkedByReport == 0;
  a.parkedByReport = 1;
  const double d = gf_greatCircleNm({r.lat, r.lon}, {a.standLat, a.standLon});
  const double limit = a.prevFlightState == FlightState::parking ? 2.0 * g_standLimitNm : g_standLimitNm;
  if (d <= limit) {
    a.parkCheckTime = engine.hooks.clock100ns();
    if (firstReport) {
      a.firstStandDistance = a.maxStandDistance = d;
      a.standDistanceSteps = 0;
      a.movingAtStand = 0;
      return false;
    }
    if (d >= a.maxStandDistance + g_standStepNm) {
      a.maxStandDistance = d;
      ++a.standDistanceSteps;
      const double moved = d - a.firstStandDistance;
      if ((a.standDistanceSteps >= 3 && moved >= a.halfSpan * 0.5) || moved > a.halfSpan) {
        lf_reParkAtStand(a, r, engine);
        return true;
      }
    } else if (d <= a.maxStandDistance - g_standStepNm) {
      a.standDistanceSteps = 0;
    }
    a.movingAtStand = 0;
    return false;
  }
  if (a.flightState == FlightState::parking) {
    a.prevFlightState = FlightState::parking;
    a.flightState = FlightState::taxi;
    r.stationary = 0;
    return true;
  }
  if (d > g_leftStandNm) {
    // Its stay at the stand ends here.
    lf_addRealStandOption(a.sid, a, 3, engine);
    removeAircraftFromSim(a, engine);
    return false;
  }
  lf_reParkAtStand(a, r, engine);
  return true;
}

bool lf_checkOrdinary(LiveAc& a, StreamPos& r, TrafficEngine& engine) {
  if (!lf_checkBirthPosition(a, r, engine)) return false;
  if (a.stepsLeft <= 0) return true;
  if (a.stream.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "checkExtendingSituations"));
    return false;
  }
  if (a.onGround == 0 && lf_bearingOffDeg(a.stream.back(), r, a.heading) >= 100.0) return false;
  a.stepsLeft = 0;
  lf_openWindows(a);
  lf_dueAtOnce(a, engine);
  a.holding = 0;
  return true;
}

// Step 4 of decodeExisting: a standing aircraft with a new report.
void lf_standingAircraft(LiveAc& a, const StreamPos& r) {
  auto& s = a.stream;
  if (r.stationary != 0) {
    if (std::all_of(s.begin(), s.end(), [](const StreamPos& p) { return p.stationary != 0; })) s.resize(1);
    return;
  }
  if (s.size() < 3) return;
  const std::size_t last = s.size() - 1;
  // At most the five positions before the last, never the front (index 0).
  const std::size_t lowest = last > 5 ? last - 5 : 1;
  for (std::size_t i = last - 1; i >= lowest; --i) {
    if (s[i].stationary != 0) continue;
    const std::int64_t gap = static_cast<std::int64_t>(s[last].dueTick) - s[i].dueTick;
    if (gap < g_resumeTicks || lf_nm(r, s[i]) <= g_resumeNm) s.resize(i + 1);
    return;
  }
}

void lf_goAround(LiveAc& a, TrafficEngine& engine) {
  a.flightState = FlightState::taxi;  // the state before the landing stays the previous one
  lf_beginRoll(a, 3, true, engine);
}

}  // namespace

bool lf_checkBirthPosition(LiveAc& a, StreamPos& r, const TrafficEngine& /*engine*/) {
  if (a.stream.empty()) return true;
  const StreamPos& last = a.stream.back();
  r.stationary = lf_on(r, last) ? 1 : 0;
  if (a.category == AcCategory::Rotorcraft) return true;
  const bool flyingActive = a.simState == SimState::active && a.onGround == 0;
  if (r.stationary != 0) {
    if (r.airborne != 0 || flyingActive) return false;
    if (a.takeOffRoll != 0 && r.groundSpeed > 0.0 && last.groundSpeed >= 30.0) return false;
    if (r.groundSpeed > 0.0) r.groundSpeed = 0.0;
    return true;
  }
  if (lf_on(r, last, g_nearPlaceDeg)) {
    if (r.airborne != 0 || flyingActive) return false;
    if (a.takeOffRoll != 0 && r.groundSpeed > 0.0 && last.groundSpeed >= 50.0) return false;
    // The aircraft stands where it was last reported; the copy falls due right after that
    // place (decodeExisting), so a receiver's jitter never holds it there for the
    // reports' own time.
    r = last;
    r.groundSpeed = 0.0;
    r.stationary = 1;
    return true;
  }
  return !(r.groundSpeed == 0.0 && (a.takeOffRoll != 0 || r.airborne != 0) && last.groundSpeed >= 50.0);
}

void lf_reParkAtStand(LiveAc& a, StreamPos& r, TrafficEngine& engine) {
  r.stationary = 0;
  a.movingAtStand = 1;
  if (a.prevFlightState == FlightState::parked) return;
  if (a.stepsLeft > 0) {
    if (a.flightState == FlightState::parked) {
      if (a.landedHere != 0 && !a.stream.empty()) {
        // The front of a parked aircraft falls due a week after it parked; on a short or
        // early clock the difference is taken in 64 bits.
        const std::int64_t parkedFor =
            static_cast<std::int64_t>(lf_now(engine)) - a.stream.front().dueTick + g_parkedWeekTicks;
        std::int64_t towLimit = 0;
        if (a.category == AcCategory::Heavy) towLimit = 360000;
        if (a.category == AcCategory::Large) towLimit = 150000;
        if (a.category == AcCategory::Buzjets) towLimit = 90000;
        if (parkedFor >= 0 && parkedFor < towLimit) a.towed = 1;
      }
      a.landedHere = 0;
      lf_dueAtOnce(a, engine);
    }
    a.stepsLeft = 0;
    lf_openWindows(a);
  }
  lf_addRealStandOption(a.sid, a, 2, engine);
  gf_setStandLiveFlag(static_cast<std::int32_t>(a.sid), 0);
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::parked;
}

void lf_startTakeOffRoll(LiveAc& a, TrafficEngine& engine) {
  if (a.towed != 0) gf_logWarning(fmt::format("towed aircraft takes-off? {}", gf_acLogText(a)));
  lf_beginRoll(a, 0, false, engine);
}

bool checkNewPosDuringLanding(LiveAc& a, StreamPos& r, TrafficEngine& engine) {
  auto& s = a.stream;
  if (s.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
    return false;
  }
  if (lf_on(r, s.back())) return false;
  if (s.size() >= 2) {
    const std::size_t held = s.size();
    if (lf_bearingOffDeg(s.back(), r, a.heading) >= 90.0) {
      s.pop_back();
      if (held >= 3 && lf_bearingOffDeg(s.back(), r, a.heading) >= 90.0) s.pop_back();
    }
  } else {
    const double off = lf_bearingOffDeg(s.front(), r, a.heading);
    if (a.approach != 0 && off >= 90.0) return false;
    if (a.approach == 0 && off >= 150.0) {
      if (a.stepsLeft > 0) return false;
      s.front().lat = a.lat;
      s.front().lon = a.lon;
      lf_dueAtOnce(a, engine);
    }
  }
  if (a.stepsLeft > 0) {
    a.stepsLeft = 0;
    lf_openWindows(a);
  }
  const StreamPos& last = s.back();
  if (lf_on(r, last)) {
    r.stationary = 1;
    return true;
  }
  r.stationary = 0;
  if (r.groundSpeed > last.groundSpeed && r.groundSpeed > 40.0) r.groundSpeed = last.groundSpeed;
  return true;
}

bool checkExtendingSituations(LiveAc& a, StreamPos& r, TrafficEngine& engine) {
  switch (a.flightState) {
    case FlightState::pushing_back: {
      if (g_settings.STRAIGHT_PBS_ONLY.value || a.pushBackPhase != 2) return false;
      double d = 0.0;
      if (r.trueHeadingValid != 0)
        d = r.trueHeading - a.heading;
      else if (r.track != 0.0)
        d = r.track * g_degToRad - a.heading;
      else
        return false;
      a.pushBackTurnRight = lf_offDeg(d) > 0.0 ? 1 : 0;
      a.pushBackTurnKnown = 1;
      return false;
    }
    case FlightState::pushed_back: return lf_checkPushedBack(a, r, engine);
    case FlightState::parking:
    case FlightState::parked: return lf_checkAtStand(a, r, engine);
    default:
      if (a.approach != 0 || a.landingRoll != 0) return checkNewPosDuringLanding(a, r, engine);
      return lf_checkOrdinary(a, r, engine);
  }
}

void decodeExisting(LiveAc& a, const StreamPos& pos, TrafficEngine& engine) {
  try {
    StreamPos r = pos;
    auto& s = a.stream;
    if (s.size() > g_maxStream) return removeAircraftFromSim(a, engine);
    if (a.holding != 0 && !s.empty() &&
        lf_nm(r, s.front()) * g_metresPerNm > g_settings.HOLDING_THRESHOLD_METERS.value) {
      a.holding = 0;
      a.holdStartTick = 0;
      return removeAircraftFromSim(a, engine);
    }
    if (a.flightState == FlightState::birth) {
      if (s.empty() || !lf_checkBirthPosition(a, r, engine)) return;
      r.dueTick = std::max(r.dueTick, gf_addTicks(s.back().dueTick, 1));
      s.push_back(r);
      return;
    }
    if (!checkExtendingSituations(a, r, engine)) return;
    if (s.empty()) return;
    if (r.airborne == 0 && s.back().stationary != 0) lf_standingAircraft(a, r);
    r.dueTick = std::max(r.dueTick, gf_addTicks(s.back().dueTick, 1));
    if (a.simState == SimState::active && a.onGround != 0 && a.takeOffRoll == 0) {
      const StreamPos& last = s.back();
      if (a.landingRoll == 0) {
        if (a.flightState == FlightState::taxi &&
            (r.airborne != 0 || (r.groundSpeed >= 43.0 && last.groundSpeed >= 43.0)))
          lf_startTakeOffRoll(a, engine);
      } else if (r.airborne != 0 && last.airborne != 0) {
        lf_goAround(a, engine);
      }
    }
    s.push_back(r);
    if (s.size() == 2 && s[0].stationary != 0 && s[1].stationary != 0) {
      lf_dueAtOnce(a, engine);
      s[0].groundSpeed = s[1].groundSpeed;
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception {}", "decodeExisting", e.what()));
  }
}

}  // namespace vexo
