// The position stream of a live aircraft: each cycle it moves one step toward the front
// position; when the front falls due, the steps toward the next one are worked out (the
// air and ground movement fill in the details) and the front is dropped. A stream that
// runs dry is held, extended by dead reckoning, or ends the aircraft.
#include <fmt/format.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/settings.h"

namespace vexo {

namespace {

constexpr std::int32_t g_minTravelTicks = 25;
constexpr std::int32_t g_holdTicks = 300;
constexpr std::int32_t g_groundStepTicks = 300;
constexpr std::int32_t g_airStepTicks = 800;
constexpr std::int32_t g_parkedStepTicks = 60'480'000;  // one week
constexpr std::int32_t g_ticksPerMinute = 6000;
constexpr double g_samePlaceDeg = 1e-8;
constexpr double g_catchUpSpeedFactor = 2.0;  // an overdue leg is flown at most this much faster

std::int32_t lf_now(const TrafficEngine& engine) { return engine.trafficTick.load(std::memory_order_relaxed); }

bool lf_samePlace(const StreamPos& a, const StreamPos& b) {
  return std::abs(a.lat - b.lat) < g_samePlaceDeg && std::abs(a.lon - b.lon) < g_samePlaceDeg;
}

bool lf_categoryAllowed(AcCategory category) {
  switch (category) {
    case AcCategory::Light: return g_settings.LIGHT_AIRCRAFT.value;
    case AcCategory::HighPerf: return g_settings.HIGH_PERF_AIRCRAFT.value;
    case AcCategory::Rotorcraft: return g_settings.HELICOPTERS.value;
    default: return true;
  }
}

// Two aircraft cannot stand in one place: another taxiing aircraft within the half spans.
bool lf_taxiingNeighbour(const LiveAc& a, const TrafficEngine& engine) {
  for (const LiveAc& o : engine.liveAcs) {
    if (o.simState != SimState::active || o.onGround == 0 || o.flightState != FlightState::taxi ||
        o.objectid == a.objectid)
      continue;
    if (gf_greatCircleNm({a.lat, a.lon}, {o.lat, o.lon}) <= (a.halfSpan + o.halfSpan) * 1.2) return true;
  }
  return false;
}

bool lf_hold(LiveAc& a, TrafficEngine& engine) {
  const std::int32_t now = lf_now(engine);
  if (a.holding != 0) {
    if (g_settings.AIRBORNE_ONLY.value) return false;
    const std::int64_t minutes = (static_cast<std::int64_t>(now) - a.holdStartTick) / g_ticksPerMinute;
    if (minutes > g_settings.MAX_HOLDING_MINUTES.value) return false;
  } else {
    a.holdStartTick = now;
  }
  a.holding = 1;
  StreamPos copy = a.stream.front();
  copy.dueTick = gf_addTicks(copy.dueTick, g_holdTicks);
  copy.groundSpeed = 0.0;
  copy.stationary = 1;
  a.stream.push_back(copy);
  a.stepsLeft = 1;
  return true;
}

bool lf_userPositionKnown(const UserAcData& user) {
  return std::abs(user.latitude) > 0.0001 || std::abs(user.longitude) > 0.0001;
}

// The speed of a dead-reckoned position, knots; sets its vertical rate where the roll
// dictates one. False: the aircraft stands (no roll on the ground).
double lf_reckonedSpeed(const LiveAc& a, std::int32_t steps, StreamPos& copy) {
  const double g = copy.groundSpeed;
  if (a.onGround == 0) {
    if (a.approach == 0) return std::max(g * 0.95, 1.0);
    return steps >= 4 ? std::max(g * 0.9, 1.0) : g;
  }
  if (a.landingRoll != 0) {
    copy.verticalRate = 0.0;
    if (g >= 140.0) return 100.0;
    if (g >= 100.0) return 80.0;
    if (g >= 80.0) return 60.0;
    if (g >= 60.0) return 30.0;
    return 20.0;
  }
  if (g <= 30.0) return 40.0;
  if (g <= 60.0) return 80.0;
  if (g <= 100.0) return 110.0;
  if (g <= 140.0) {
    copy.verticalRate = 600.0;
    return 150.0;
  }
  if (g <= 160.0) {
    copy.verticalRate = 1200.0;
    return 170.0;
  }
  copy.verticalRate = 2400.0;
  return 180.0;
}

}  // namespace

std::int32_t lf_roundTicks(double cycles, const char* caller) {
  const double r = std::round(cycles);
  if (!std::isfinite(r) || r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
    throw std::range_error(fmt::format("{}: travel time of {} cycles out of range", caller, cycles));
  return static_cast<std::int32_t>(r);
}

std::int32_t lf_cyclesToNext(const LiveAc& a, const TrafficEngine& engine) {
  if (a.stream.size() < 2) return g_minTravelTicks;
  const std::int64_t d = static_cast<std::int64_t>(a.stream[1].dueTick) - lf_now(engine);
  return d < g_minTravelTicks ? g_minTravelTicks : static_cast<std::int32_t>(std::min<std::int64_t>(d, std::numeric_limits<std::int32_t>::max()));
}

void lf_shrinkWindows(LiveAc& a) {
  if (a.earlyWindow > 1000) a.earlyWindow = std::max(a.earlyWindow - 100, 1000);
  if (a.lateWindow > 1000) a.lateWindow = std::max(a.lateWindow - 100, 1000);
}

void lf_openWindows(LiveAc& a) {
  a.earlyWindow = 3000;
  a.lateWindow = a.takeOffRoll != 0 ? 5000 : 3000;
}

void lf_setNextDue(LiveAc& a, std::int32_t cycles, const TrafficEngine& engine) {
  if (a.stream.size() < 2) return;
  const std::int32_t now = lf_now(engine);
  StreamPos& next = a.stream[1];
  std::int32_t due = gf_addTicks(now, cycles);
  if (a.stepsLeft < 1) {
    due = std::max(due, gf_addTicks(next.dueTick, -static_cast<std::int64_t>(a.earlyWindow)));
    due = std::min(due, gf_addTicks(next.dueTick, a.lateWindow));
  }
  next.dueTick = std::max(due, now);
}

void lf_extendStream(LiveAc& a, std::int32_t steps, TrafficEngine& /*engine*/) {
  a.stepsLeft = steps;
  StreamPos copy = a.stream.front();
  const bool parked = a.flightState == FlightState::parked;
  bool stands = copy.stationary != 0 || parked || (a.onGround != 0 && a.takeOffRoll == 0 && a.landingRoll == 0);
  if (!stands) {
    const double speed = lf_reckonedSpeed(a, steps, copy);
    const std::int32_t cycles = a.onGround != 0 ? g_groundStepTicks : g_airStepTicks;
    const LatLon moved = gf_destinationPoint({copy.lat, copy.lon}, a.heading, cycles * speed * g_feetPerNm / 360000.0);
    stands = std::abs(moved.lat - copy.lat) < g_samePlaceDeg && std::abs(moved.lon - copy.lon) < g_samePlaceDeg;
    copy.lat = moved.lat;
    copy.lon = moved.lon;
    copy.groundSpeed = speed;
    copy.stationary = stands ? 1 : 0;
    const double seconds = cycles / 100.0;
    if (a.approach != 0 && a.flarePhase == 0) {
      copy.altitude -= 10.005 * seconds;
      copy.verticalRate = -667.0;
    } else if (a.flightState == FlightState::take_off) {
      // A ground report's altitude is the on-the-ground marker 0, not the field's height:
      // from one the climb goes on from where the aircraft is.
      if (copy.airborne == 0) copy.altitude = std::max(copy.altitude, a.altitude);
      copy.altitude += 25.0 * seconds;
      copy.verticalRate = 1500.0;
    }
    if (copy.altitude <= 0.0) copy.altitude = 0.0;
    copy.airborne = copy.altitude > 0.0 ? 1 : 0;
  } else {
    copy.stationary = 1;
    copy.groundSpeed = 0.0;
  }
  const std::int32_t add = parked ? g_parkedStepTicks : (a.onGround != 0 ? g_groundStepTicks : g_airStepTicks);
  copy.dueTick = gf_addTicks(copy.dueTick, add);
  if (parked) {
    a.parkedByReport = 0;
    gf_setStandLiveFlag(static_cast<std::int32_t>(a.sid), 0);
  }
  a.stream.push_back(copy);
}

bool lf_advanceStream(LiveAc& a, TrafficEngine& engine) {
  const FlightState fs = a.flightState;
  if (fs == FlightState::parking) {
    lf_arriveAtStand(a, engine);
    if (a.simState != SimState::active) return true;  // removed on arrival: nothing more to extend
  } else if (fs == FlightState::pushed_back ||
             (fs == FlightState::taxi && a.takeOffRoll == 0 && a.landingRoll == 0)) {
    if (lf_taxiingNeighbour(a, engine)) {
      a.holding = 0;
      a.holdStartTick = 0;
      return false;
    }
    return lf_hold(a, engine);
  }
  if (a.stream.empty()) return false;
  if (a.stepsLeft < 0) return false;
  if (a.stepsLeft == 1) {
    a.stepsLeft = -1;
    return false;
  }
  if (a.stepsLeft >= 2) {
    lf_extendStream(a, a.stepsLeft - 1, engine);
    return true;
  }
  if (!lf_categoryAllowed(a.category)) return false;
  if (a.onGround != 0) {
    lf_extendStream(a, a.flightState == FlightState::parked ? 1 : 10, engine);
    return true;
  }
  const UserAcData user = engine.userAc.get();
  if (lf_userPositionKnown(user) &&
      gf_greatCircleNm({user.latitude, user.longitude}, {a.lat, a.lon}) >= g_settings.RANGE.value - 0.5)
    return false;
  if (g_settings.AIRBORNE_ONLY.value) {
    const double park = engine.hooks.parkAirportElevation().value_or(0.0);
    if (std::abs(a.altitude - park) < 1000.0) return false;
  }
  lf_extendStream(a, 8, engine);
  return true;
}

namespace {

// A next position already due, or due sooner than the shortest leg, would be given the
// shortest leg's steps while it falls due at once: the aircraft would jump a 25th of the
// leg in one cycle and turn toward the position after it from there, short of this one.
// Such a leg is given the time it takes from where the aircraft is at twice the leg's
// speed instead, and the position falls due then: the aircraft flies the whole leg and
// makes up half of it in time.
void lf_timeOverdueLeg(LiveAc& a, const TrafficEngine& engine) {
  StreamPos& next = a.stream[1];
  const std::int32_t now = lf_now(engine);
  if (static_cast<std::int64_t>(next.dueTick) - now >= g_minTravelTicks) return;
  const double nm = gf_greatCircleNm({a.lat, a.lon}, {next.lat, next.lon});
  const std::int32_t t = lf_roundTicks(nm * 360000.0 / (lf_legSpeed(a) * g_catchUpSpeedFactor), "lf_groundStep");
  next.dueTick = gf_addTicks(now, std::max(t, g_minTravelTicks));
}

}  // namespace

void lf_groundStep(LiveAc& a, TrafficEngine& engine) {
  a.curve[curveStartParam] = g_noCurve;
  a.curve[curveEndParam] = g_noCurve;
  a.curve[curveControlEast] = g_noCurve;
  a.curve[curveControlNorth] = g_noCurve;
  a.curveParam = 0.0;
  {
    StreamPos& next = a.stream[1];
    const StreamPos& front = a.stream[0];
    if (lf_samePlace(front, next)) next.stationary = 1;
    if (next.stationary == 0) a.bearingToNext = gf_legBearing(a, front, next);
  }
  if (a.onGround != 0)
    nextPosGround(a, engine);
  else
    lf_timeNextAir(a, engine);
  if (a.stream.size() < 2 || a.simState != SimState::active) {
    if (!a.stream.empty()) a.stream.pop_front();
    return;
  }
  const StreamPos& next = a.stream[1];
  if (next.stationary != 0) {
    a.latStep = 0.0;
    a.lonStep = 0.0;
    if (a.takeOffRoll == 0 && a.landingRoll == 0) lf_shrinkWindows(a);
  } else {
    lf_timeOverdueLeg(a, engine);
    const double d = lf_cyclesToNext(a, engine);
    a.latStep = (next.lat - a.lat) / d;
    a.lonStep = (next.lon - a.lon) / d;
    if (a.onGround != 0)
      lf_groundRollStep(a, engine);
    else
      lf_airStep(a, engine);
  }
  a.stream.pop_front();
}

void nextPosMain(LiveAc& a, TrafficEngine& engine) {
  try {
    for (;;) {
      if (a.stream.size() >= 2) {
        if (a.onGround == 0 && a.category != AcCategory::Rotorcraft && a.stream[1].stationary != 0) {
          a.stream.erase(a.stream.begin() + 1);
          continue;
        }
        lf_groundStep(a, engine);
        return;
      }
      if (!lf_advanceStream(a, engine)) {
        removeAircraftFromSim(a, engine);
        return;
      }
      if (a.simState != SimState::active) return;
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "nextPosMain", e.what(), gf_acLogText(a),
                              a.stream.size(), gf_flightStateName(a.flightState), gf_simStateName(a.simState)));
    throw;
  }
}

namespace {

bool lf_updateActive(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.empty()) {
    gf_logWarning(fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}",
                              "updateLiveAc", gf_acLogText(a), a.hexid, a.objectid, a.altitude,
                              fmt::format("{:.6f},{:.6f}", a.lat, a.lon), a.trueAirspeed));
    removeAircraftFromSim(a, engine);
    return false;
  }
  if (lf_now(engine) >= a.stream.front().dueTick) {
    nextPosMain(a, engine);
    if (a.simState != SimState::active) return false;
    if (a.stream.empty()) {
      removeAircraftFromSim(a, engine);
      return false;
    }
    a.verticalSpeed = a.reportedVerticalRate / 60.0;
    a.trueAirspeed = a.stream.front().stationary != 0 ? 0.0 : a.reportedSpeed;
  }
  if (a.simState != SimState::active) return false;
  if (a.stream.front().stationary == 0) lf_flyCurve(a, engine);
  return true;
}

}  // namespace

bool updateLiveAc(LiveAc& a, TrafficEngine& engine) {
  try {
    if (a.simState == SimState::buffer) {
      lf_spawnDecision(a, engine);
    } else if (a.simState == SimState::active && lf_updateActive(a, engine)) {
      if (a.objectid != 0) {
        engine.link.simPositionQueue.engineSide().push_back(
            {a.lat, a.lon, a.pitch, a.bank, a.heading, a.altitude, a.verticalSpeed, a.trueAirspeed, a.objectid});
      } else {
        gf_logWarning(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc", a.hexid,
                                  a.callsign, a.registration, gf_acLabel(a), a.stream.size()));
        removeAircraftFromSim(a, engine);
      }
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "updateLiveAc", e.what(), gf_acLogText(a),
                              a.stream.size(), gf_flightStateName(a.flightState), gf_simStateName(a.simState)));
    // Kept as it is, the record would fail again on every cycle with the same front: it
    // leaves the simulator (or, never sent, the table).
    if (a.simState == SimState::buffer)
      a.eraseFromBuffer = 1;
    else
      removeAircraftFromSim(a, engine);
  }
  return a.eraseFromBuffer != 0 || a.eraseWithdrawn != 0;
}

}  // namespace vexo
