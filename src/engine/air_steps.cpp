// On reaching a position in the air: how the aircraft is to climb, pitch, turn and bank
// toward the next one, and its configuration on the way (lights, throttle, flaps, gear,
// the approach and the climb-out).
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <tuple>

#include "engine/air_movement.h"
#include "engine/live_report.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "simlink/sim_action_queues.h"

namespace vexo {

namespace {

constexpr double g_groundDescentRate = -601.0;  // feet per minute
constexpr double g_nearParkAirportNm = 10.0;
constexpr double g_cruiseLightsFt = 10000.0;

std::uint32_t lf_throttleOr4(const LiveAc& a, std::uint32_t index) {
  return a.category == AcCategory::Rotorcraft ? 4 : index;
}

// The next position and the aircraft descend at the rate (feet per minute), at most the
// steepest descent.
void lf_descendAt(LiveAc& a, double rate) {
  rate = std::max(rate, -g_maxDescentPerTick * 6000.0);
  a.stream[1].verticalRate = rate;
  a.reportedVerticalRate = rate;
  a.climbStep = rate / 6000.0;
}

void lf_climbStep(LiveAc& a, TrafficEngine& engine) {
  const StreamPos& front = a.stream[0];
  const StreamPos& next = a.stream[1];
  const double d = lf_cyclesToNext(a, engine);
  if (front.airborne == 0 && next.airborne != 0) {
    lf_liftOffClimb(a, engine);
  } else if (front.airborne != 0 && next.airborne == 0) {  // the runway ahead
    const std::int32_t qnh = g_qnh.load(std::memory_order_relaxed);
    const std::optional<double> park = engine.hooks.parkAirportElevation();
    if (qnh >= 1014 || !park)
      lf_descendAt(a, qnh <= g_standardQnh ? g_groundDescentRate : lf_flareDescentRate(a));
    else
      a.climbStep = (*park - a.altitude) / d;
    gf_setGear(a, 1, engine.link);
  } else if (front.airborne != 0 && a.approach == 0) {
    double c = (next.altitude - a.altitude) / d;
    if (a.aboveGround <= 1000.0 && c <= 0.2) c = 0.2;  // keeps climbing near the ground
    a.climbStep = std::min(c, a.maxClimbPerTick);
  } else if (front.airborne != 0) {
    if (front.altitude == next.altitude && a.aboveGround <= 1000.0 && front.verticalRate + next.verticalRate <= 100.0)
      lf_descendAt(a, lf_flareDescentRate(a));
    else
      a.climbStep = (next.altitude - a.altitude) / d;
  } else {  // both on the ground
    double sum = 0.0;
    for (const StreamPos& p : a.stream) sum += p.verticalRate;
    if (a.approach == 0 && sum > 100.0) {
      bool skipped = false;
      const std::size_t last = std::min<std::size_t>(a.stream.size() - 1, 10);
      for (std::size_t k = 3; k <= last && !skipped; ++k) skipped = lf_retimeToAirborne(a, k, engine);
      if (!skipped) {
        StreamPos& n = a.stream[1];
        n.verticalRate = std::max(n.verticalRate, 601.0);
        a.reportedVerticalRate = n.verticalRate;
        a.climbStep = n.verticalRate / 6000.0;
      }
    } else {
      lf_descendAt(a, lf_flareDescentRate(a));
    }
    gf_setGear(a, 1, engine.link);
  }
  // Descents are bounded as climbs are: a jump down in the reports, or a short leg to
  // catch up on, is flown at the steepest descent and caught up over the next legs.
  a.climbStep = std::max(a.climbStep, -g_maxDescentPerTick);
}

void lf_headingAndBank(LiveAc& a, std::int32_t d) {
  const StreamPos& next = a.stream[1];
  const double headingBelowFt = a.approach != 0 ? 2000.0 : 1000.0;
  const bool reported = next.adsbHeading != 0 && next.rollValid != 0 && next.trueHeadingValid != 0;
  const double turn = reported && a.aboveGround < headingBelowFt ? gf_angleDiff(next.trueHeading - a.heading)
                                                                 : lf_turnAhead(a);
  a.headingStep = turn / d;
  if (next.rollValid != 0)
    a.bankStep = (next.roll - a.bank) / d;
  else
    lf_bankTarget(a, turn, d);
}

}  // namespace

void lf_airStep(LiveAc& a, TrafficEngine& engine) {
  if (a.flightState != FlightState::take_off && a.flightState != FlightState::flying) {
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::flying;
  }
  a.reportedSpeed = a.stream[1].speed;
  a.reportedVerticalRate = a.stream[1].verticalRate;
  if (a.flarePhase == 0) lf_climbStep(a, engine);
  const std::int32_t d = lf_cyclesToNext(a, engine);
  if (a.flarePhase == 0 && a.flightState != FlightState::take_off) {
    const double limit = g_maxPitchChangeDeg[gf_categoryIndex(a.category)] * g_degToRad;
    a.pitchStep = std::clamp((lf_targetPitch(a.stream[1].verticalRate) - a.pitch) / d, -limit, limit);
  }
  lf_headingAndBank(a, d);
  if (a.stream[0].altitude < g_cruiseLightsFt) {
    lf_configByHeight(a, engine);
  } else if (a.cruiseLightsSet == 0) {
    a.cruiseLightsSet = 1;
    a.lowLightsSet = 0;
    gf_setLights(a.objectid, {1, 1, 0, 0, 0, 0, 1}, engine.link);
    gf_setThrottle(a, lf_throttleOr4(a, 3), engine.link);
    gf_setGear(a, 0, engine.link);
    gf_setFlaps(a, 0, engine.link);
  }
}

void lf_configByHeight(LiveAc& a, TrafficEngine& engine) {
  if (a.lowLightsSet == 0) {
    a.lowLightsSet = 1;
    a.cruiseLightsSet = 0;
    gf_setLights(a.objectid, {1, 1, 1, 1, 1, 1, 1}, engine.link);
  }
  const bool big = a.category == AcCategory::Buzjets || a.category == AcCategory::Large || a.category == AcCategory::Heavy;
  if (a.aboveGround <= (big ? 2050.0 : 625.0)) {
    lf_approachConfig(a, engine);
    return;
  }
  lf_shrinkWindows(a);
  gf_setCabinLights(a.objectid, 1, engine.link);
  a.takeOffRoll = 0;
  a.approach = 0;
  const double v = a.stream[0].verticalRate;
  if (v <= -250.0 && a.throttleIndex == 3) gf_setThrottle(a, lf_throttleOr4(a, 2), engine.link);
  if (v > 400.0 && a.throttleIndex == 4) gf_setThrottle(a, lf_throttleOr4(a, 3), engine.link);
  if (a.aboveGround >= 2400.0) {
    gf_setGear(a, 0, engine.link);
    gf_setFlaps(a, 0, engine.link);
  } else if (v <= 100.0) {
    if (a.flapsIndex == 0)
      gf_setFlaps(a, 1, engine.link);
    else if (a.flapsIndex == 1 && a.aboveGround < 2000.0)
      gf_setFlaps(a, 2, engine.link);
  }
}

void lf_approachConfig(LiveAc& a, TrafficEngine& engine) {
  gf_setCabinLights(a.objectid, 0, engine.link);
  const double v = a.stream[0].verticalRate;
  const std::optional<LatLon> park = engine.hooks.parkAirportPosition ? engine.hooks.parkAirportPosition() : std::nullopt;
  const bool near = park && gf_greatCircleNm(*park, {a.lat, a.lon}) <= g_nearParkAirportNm;
  if (v <= -250.0 && a.approach == 0 && near) {
    gf_setThrottle(a, lf_throttleOr4(a, 1), engine.link);
    gf_setFlaps(a, 3, engine.link);
    gf_setGear(a, 1, engine.link);
    gf_addTouchdown(a.hexid, engine);
    a.approach = 1;
    a.climbConfigSet = 0;
    a.standLat = 0.0;
    a.standLon = 0.0;
    a.standHeading = 0.0;
    a.sid = 0;
    a.standFlag = 0;
    a.phaseCounter = 1;
    lf_openWindows(a);
  } else if (v > -250.0 && (v > 600.0 || (a.approach != 0 && !near)) && a.climbConfigSet == 0) {
    lf_shrinkWindows(a);
    gf_setThrottle(a, 4, engine.link);
    gf_setGear(a, 0, engine.link);
    gf_setFlaps(a, 0, engine.link);
    a.climbConfigSet = 1;
    a.flarePhase = 0;
    a.approach = 0;
  }
}

double lf_flareDescentRate(const LiveAc& a) {
  if (a.aboveGround <= 100.0 || a.stream.size() < 2) return -600.0;
  const double qnh = g_qnh.load(std::memory_order_relaxed);
  return std::min((a.stream[0].verticalRate + a.stream[1].verticalRate) / 2.0 - (qnh - 1013.25) * 6.0,
                  g_groundDescentRate);
}

void lf_liftOffClimb(LiveAc& a, const TrafficEngine& engine) {
  const double next = a.stream[1].altitude;
  a.climbStep = next > a.altitude ? std::min((next - a.altitude) / lf_cyclesToNext(a, engine), a.maxClimbPerTick) : 0.0;
}

bool lf_retimeToAirborne(LiveAc& a, std::size_t k, TrafficEngine& engine) {
  if (k < 2 || a.stream.size() < k || a.stream[k - 1].airborne == 0) return false;
  for (std::size_t i = 0; i + 2 < k && a.stream.size() >= 3; ++i) a.stream.erase(a.stream.begin() + 1);
  const StreamPos& f = a.stream[0];
  const StreamPos& n = a.stream[1];
  const double nm = gf_greatCircleNm({f.lat, f.lon}, {n.lat, n.lon});
  const std::int32_t t = lf_roundTicks(nm * 360000.0 / lf_legSpeed(a), "lf_retimeToAirborne");
  lf_setNextDue(a, std::max(t, 25), engine);
  lf_liftOffClimb(a, engine);
  return true;
}

double lf_targetPitch(double v) {
  v = v > 0.0 ? std::min(v, 2400.0) : std::max(v, -3000.0) / 2.0;
  return (-3.0 - v / 600.0 * 2.2) * g_degToRad;
}

namespace {

// The same bits, not only equal values: -0.0 and 0.0 may give bearings of other signs.
bool lf_sameBits(double x, double y) { return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y); }

// The sine and cosine of a latitude that one of the legs already measured starts or ends
// at (the leg being replaced included), else worked out.
LatTrig lf_legLatTrig(const MeasuredLeg& a, const MeasuredLeg& b, double lat) {
  if (lf_sameBits(a.toLat, lat)) return {a.toSin, a.toCos};
  if (lf_sameBits(a.fromLat, lat)) return {a.fromSin, a.fromCos};
  if (lf_sameBits(b.toLat, lat)) return {b.toSin, b.toCos};
  if (lf_sameBits(b.fromLat, lat)) return {b.fromSin, b.fromCos};
  return gf_latTrig(lat);
}

bool lf_isLeg(const MeasuredLeg& leg, const StreamPos& from, const StreamPos& to) {
  return lf_sameBits(leg.fromLat, from.lat) && lf_sameBits(leg.fromLon, from.lon) && lf_sameBits(leg.toLat, to.lat) &&
         lf_sameBits(leg.toLon, to.lon);
}

// A leg not kept: it takes the place of the older one.
[[gnu::noinline]] MeasuredLeg& lf_newLeg(const LiveAc& a, const StreamPos& from, const StreamPos& to) {
  static_assert(std::tuple_size_v<decltype(a.measuredLegs)> == 2);
  const std::size_t slot = a.nextMeasuredLeg & 1u;
  a.nextMeasuredLeg = static_cast<std::uint8_t>(slot ^ 1u);
  MeasuredLeg& leg = a.measuredLegs[slot];
  const MeasuredLeg& other = a.measuredLegs[slot ^ 1u];
  const LatTrig f = lf_legLatTrig(other, leg, from.lat);
  const LatTrig t = lf_legLatTrig(other, leg, to.lat);
  leg.fromLat = from.lat;
  leg.fromLon = from.lon;
  leg.toLat = to.lat;
  leg.toLon = to.lon;
  leg.fromSin = f.sinPhi;
  leg.fromCos = f.cosPhi;
  leg.toSin = t.sinPhi;
  leg.toCos = t.cosPhi;
  leg.hasBearing = 0;
  leg.hasNm = 0;
  return leg;
}

MeasuredLeg& lf_measuredLeg(const LiveAc& a, const StreamPos& from, const StreamPos& to) {
  if (lf_isLeg(a.measuredLegs[0], from, to)) return a.measuredLegs[0];
  if (lf_isLeg(a.measuredLegs[1], from, to)) return a.measuredLegs[1];
  return lf_newLeg(a, from, to);
}

}  // namespace

double gf_legBearing(const LiveAc& a, const StreamPos& from, const StreamPos& to) {
  MeasuredLeg& leg = lf_measuredLeg(a, from, to);
  if (leg.hasBearing == 0) {
    leg.bearing = gf_initialBearing({from.lat, from.lon}, {to.lat, to.lon}, {leg.fromSin, leg.fromCos}, {leg.toSin, leg.toCos});
    leg.hasBearing = 1;
  }
  return leg.bearing;
}

double gf_legNm(const LiveAc& a, const StreamPos& from, const StreamPos& to) {
  MeasuredLeg& leg = lf_measuredLeg(a, from, to);
  if (leg.hasNm == 0) {
    leg.nm = gf_greatCircleNm({from.lat, from.lon}, {to.lat, to.lon}, leg.fromCos, leg.toCos);
    leg.hasNm = 1;
  }
  return leg.nm;
}

const MeasuredLeg& gf_measureLeg(const LiveAc& a, const StreamPos& from, const StreamPos& to) {
  gf_legBearing(a, from, to);
  gf_legNm(a, from, to);
  return lf_measuredLeg(a, from, to);
}

double lf_turnAhead(const LiveAc& a) {
  if (a.stream.size() < 3) return 0.0;
  return gf_angleDiff(gf_legBearing(a, a.stream[1], a.stream[2]) - a.heading);
}

double lf_legSpeed(const LiveAc& a) {
  if (a.stream.size() < 2) return 1.0;
  const StreamPos& f = a.stream[0];
  const StreamPos& n = a.stream[1];
  const double mean = (f.groundSpeed + n.groundSpeed) / 2.0;
  if (mean > 0.0) return mean;
  // Both stand (or the speeds cancel): the speed that covers the leg in its time.
  const std::int64_t g0 = static_cast<std::int64_t>(n.dueTick) - f.dueTick;
  const double g = g0 < 26 ? 25.0 : static_cast<double>(g0);
  return std::max(gf_legNm(a, f, n) * 360000.0 / g, 1.0);
}

void lf_bankTarget(LiveAc& a, double turn, std::int32_t cycles) {
  const std::size_t c = gf_categoryIndex(a.category);
  const double maxBank = g_maxBankDeg[c] * g_degToRad;
  const double maxChange = g_maxBankChangeDeg[c] * g_degToRad;
  const double target = -std::clamp(turn, -maxBank, maxBank);
  a.bankStep = std::clamp((target - a.bank) / std::max(cycles, 1), -maxChange, maxChange);
}

bool lf_allAboveLiftOff(const LiveAc& a) {
  const double liftOff = g_liftOffSpeedKt[gf_categoryIndex(a.category)];
  return std::all_of(a.stream.begin() + (a.stream.empty() ? 0 : 1), a.stream.end(),
                     [liftOff](const StreamPos& p) { return p.groundSpeed >= liftOff; });
}

}  // namespace vexo
