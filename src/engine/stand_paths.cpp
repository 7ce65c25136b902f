// The ways off and onto a stand: push-back (straight back to the middle, where the turn is
// decided, then through the turn), pull-out (forwards by one wingspan), the drive onto the
// stand that the stand search chose, and the arrival there.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/air_movement.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/ground_movement.h"
#include "engine/learned_flight.h"
#include "engine/stands.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"
#include "simlink/sim_action_queues.h"

namespace vexo {

namespace {

constexpr double g_typicalHalfSpanNm = 18.0 / 1852.0;  // half the span of a narrow-body jet
constexpr double g_atStandNm = 0.0010799136069114472;   // 2 m
constexpr std::int32_t g_minTravelTicks = 25;
constexpr std::int32_t g_minDriveTicks = 100;
constexpr std::int32_t g_standStopTicks = 50;
constexpr std::array<std::uint32_t, 7> g_leaveStandLights{1, 1, 0, 1, 0, 1, 0};

std::int32_t lf_nowTick(const TrafficEngine& engine) { return engine.trafficTick.load(std::memory_order_relaxed); }

// Cycles to cover the distance at the push-back speed, at least the floor of every due time.
std::int32_t lf_pushTicks(const LiveAc& a, LatLon from, LatLon to, const char* caller) {
  const double nm = gf_greatCircleNm(from, to);
  return std::max(lf_roundTicks(nm / a.pushBackSpeed * 360000.0, caller), g_minTravelTicks);
}

// A position of the way off the stand: on the ground at the push-back speed.
StreamPos lf_standPathPos(const LiveAc& a, LatLon p, std::int32_t due) {
  StreamPos s{};
  s.lat = p.lat;
  s.lon = p.lon;
  s.groundSpeed = a.pushBackSpeed;
  s.dueTick = due;
  return s;
}

void lf_cutStreamToFront(LiveAc& a) {
  while (a.stream.size() > 1) a.stream.pop_back();
}

}  // namespace

double lf_halfSpanForStand(const LiveAc& a, TrafficEngine& engine) {
  if (a.halfSpan > 0.0 && std::isfinite(a.halfSpan)) return a.halfSpan;
  if (engine.unknownSpanModels.insert(a.codes.modelId).second)
    gf_log(fmt::format("{}: unknown wingspan of {}, a span of {:.0f} m taken", "lf_halfSpanForStand", gf_acLabel(a),
                       2.0 * g_typicalHalfSpanNm * 1852.0));
  return g_typicalHalfSpanNm;
}

void lf_startPullOut(LiveAc& a, TrafficEngine& engine) {
  a.movingAtStand = 0;
  a.stepsLeft = 0;
  if (a.stream.empty()) return;
  const double span = 2.0 * lf_halfSpanForStand(a, engine);
  const LatLon target = gf_destinationPoint({a.standLat, a.standLon}, a.standHeading, span * g_feetPerNm);
  a.stream.front().groundSpeed = a.pushBackSpeed;
  const std::int32_t t = lf_pushTicks(a, {a.lat, a.lon}, target, "lf_startPullOut");
  lf_cutStreamToFront(a);
  a.stream.push_back(lf_standPathPos(a, target, gf_addTicks(lf_nowTick(engine), t)));
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::taxi;
  a.bearingToNext = a.heading;
  gf_setLights(a.objectid, g_leaveStandLights, engine.link);
  gf_engineAutoStart(a.objectid, engine.link);
  gf_setThrottle(a, 0, engine.link);
  gf_setFlaps(a, 1, engine.link);
  gf_log(fmt::format("{:8}: {:8} pulling out", gf_standName(a.sid), a.callsign));
}

void lf_startPushBack(LiveAc& a, TrafficEngine& engine) {
  a.stepsLeft = 0;
  if (a.sid < 1) return;
  const std::optional<double> radius = gf_standRadiusNm(a.sid);
  if (!radius) return;
  lf_pushBackFrom(a, *radius, engine);
}

void lf_pushBackFrom(LiveAc& a, double standRadiusNm, TrafficEngine& engine) {
  if (a.stream.empty()) return;
  const std::int32_t now = lf_nowTick(engine);
  const double back = gf_heading0To2Pi(a.standHeading + g_pi);
  const LatLon p1 = gf_destinationPoint({a.lat, a.lon}, back, 2.5 * standRadiusNm * g_feetPerNm);
  a.stream.front().groundSpeed = a.pushBackSpeed;
  a.bearingToNext = a.heading;
  const std::int32_t t1 = lf_pushTicks(a, {a.lat, a.lon}, p1, "lf_startPushBack");
  lf_cutStreamToFront(a);
  a.stream.push_back(lf_standPathPos(a, p1, gf_addTicks(now, t1)));
  lf_insertMidpoint(a);
  const StreamPos& mid = a.stream[1];
  const double halfSpanFt = lf_halfSpanForStand(a, engine) * g_feetPerNm;
  const LatLon endRight = gf_destinationPoint(p1, back + g_pi / 2.0, halfSpanFt);
  const LatLon endLeft = gf_destinationPoint(p1, back - g_pi / 2.0, halfSpanFt);
  const std::int32_t t2 = lf_pushTicks(a, {mid.lat, mid.lon}, endRight, "lf_startPushBack");
  const std::int32_t endDue = gf_addTicks(now, static_cast<std::int64_t>(t1 / 2) + t2);
  a.stream.push_back(lf_standPathPos(a, endLeft, endDue));
  a.pushBackAltTurn = lf_standPathPos(a, endRight, endDue);
  gf_setLights(a.objectid, g_leaveStandLights, engine.link);
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::pushing_back;
  a.pushBackPhase = 2;
}

void drive2Stand(LiveAc& a, double standLat, double standLon, double standHeading, TrafficEngine& /*engine*/) {
  if (a.stream.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "drive2Stand"));
    return;
  }
  StreamPos& last = a.stream.back();
  const bool same = gf_samePlace(last.lat, last.lon, standLat, standLon);
  const double nm = gf_greatCircleNm({last.lat, last.lon}, {standLat, standLon});
  const std::int32_t t = std::max(lf_roundTicks(nm * 360000.0 / a.pushBackSpeed, "drive2Stand"), g_minDriveTicks);
  last.groundSpeed = a.pushBackSpeed;
  const StreamPos& front = a.stream.front();
  StreamPos onto{};
  onto.lat = standLat;
  onto.lon = standLon;
  onto.altitude = a.altitude;
  onto.groundSpeed = a.pushBackSpeed;
  onto.speed = a.pushBackSpeed;
  onto.track = standHeading * g_radToDeg;
  onto.dueTick = gf_addTicks(front.dueTick, t);
  onto.stationary = same ? 1 : 0;
  onto.adsbHeading = front.adsbHeading;
  onto.roll = a.bank;
  onto.rollValid = 1;
  StreamPos stop = onto;
  stop.groundSpeed = 0.0;
  stop.speed = 0.0;
  stop.stationary = 1;
  stop.dueTick = gf_addTicks(front.dueTick, static_cast<std::int64_t>(t) + g_standStopTicks);
  a.stream.push_back(onto);
  a.stream.push_back(stop);
  a.bearingToNext = standHeading;
  if (a.stepsLeft >= 1) {
    a.stepsLeft = 0;
    lf_openWindows(a);
  }
}

void lf_arriveAtStand(LiveAc& a, TrafficEngine& engine) { lf_parkAtStand(a, a.sid > 0 && gf_standHasLive(a.sid), engine); }

void lf_parkAtStand(LiveAc& a, bool standTaken, TrafficEngine& engine) {
  if (standTaken) {
    a.stepsLeft = 1;
    // The stand's mark belongs to the aircraft standing there: this one leaves without it.
    a.sid = 0;
    removeAircraftFromSim(a, engine);
    return;
  }
  if (gf_greatCircleNm({a.lat, a.lon}, {a.standLat, a.standLon}) > g_atStandNm) {
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::taxi;
    return;
  }
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::parked;
  const WeekSlot slot = engine.weekSlotNow.load();
  a.parkedDay = static_cast<std::uint32_t>(std::max(slot.weekday, 0));
  a.parkedSlot = static_cast<std::uint32_t>(std::max(slot.halfHour, 0));
  gf_setStandLiveFlag(static_cast<std::int32_t>(a.sid), 1);
  if (a.towed != 0) gf_log(fmt::format("          towed aircraft {} parks", gf_acLogText(a)));
  if (!a.stream.empty()) a.stream.front().stationary = 1;
  a.parkCheckTime = engine.hooks.clock100ns ? engine.hooks.clock100ns() : 0;
  a.maxStandDistance = 0.0;
  a.standDistanceSteps = 0;
  lf_confirmStandChange(a, engine);
  lf_finishParking(a, engine);
  gf_log(fmt::format("{:8}: {:8} arrived at stand", gf_standName(a.sid), a.callsign));
  gf_addTouchdown(a.hexid, engine);
  lf_addRealStandOption(a.sid, a, 0, engine);
  lf_checkMaxPark(0, engine);
}

}  // namespace vexo
