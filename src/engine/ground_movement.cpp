// First version of the ground movement: straight legs timed by the reported speeds. The
// push-back, pull-out, curves, rolls and the parking replace this file.
#include <cmath>

#include "engine/movement.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"

namespace vexo {

namespace {

void lf_timeByLegSpeed(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.size() < 2 || a.stream[1].stationary != 0) return;
  const double nm = gf_greatCircleNm({a.stream[0].lat, a.stream[0].lon}, {a.stream[1].lat, a.stream[1].lon});
  const std::int32_t t = lf_roundTicks(nm * 360000.0 / lf_legSpeed(a), "lf_timeNext");
  lf_setNextDue(a, std::max(t, 25), engine);
}

}  // namespace

void nextPosGround(LiveAc& a, TrafficEngine& engine) { lf_timeByLegSpeed(a, engine); }

void lf_timeNextAir(LiveAc& a, TrafficEngine& engine) { lf_timeByLegSpeed(a, engine); }

void lf_groundRollStep(LiveAc& a, TrafficEngine& /*engine*/) {
  if (a.flightState == FlightState::flying || a.flightState == FlightState::parked) {
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::taxi;
  }
  a.pitch = a.staticPitch;
  a.bank = 0.0;
  a.heading = a.bearingToNext;
  a.reportedSpeed = a.stream[1].groundSpeed;
}

void lf_arriveAtStand(LiveAc& a, TrafficEngine& /*engine*/) {
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::parked;
}

void drive2Stand(LiveAc& /*aircraft*/, double /*lat*/, double /*lon*/, double /*heading*/, TrafficEngine& /*engine*/) {}

}  // namespace vexo
