// First version of the air movement: straight legs toward each position with the climb
// and the turn spread evenly over the leg. The curves, the take-off, the flare and the
// configuration changes replace this file.
#include <cmath>

#include "engine/movement.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"

namespace vexo {

namespace {

constexpr double g_pi = 3.141592653589793;

double lf_normalised(double radians) {
  double a = std::remainder(radians, g_twoPi);
  if (a <= -g_pi) a += g_twoPi;
  return a;
}

}  // namespace

void lf_flyCurve(LiveAc& a, TrafficEngine& /*engine*/) {
  a.lat += a.latStep;
  a.lon += a.lonStep;
  a.altitude = std::max(a.altitude + a.climbStep, 0.0);
  a.heading = std::fmod(a.heading + a.headingStep + g_twoPi, g_twoPi);
}

void lf_airStep(LiveAc& a, TrafficEngine& engine) {
  if (a.flightState != FlightState::take_off && a.flightState != FlightState::flying) {
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::flying;
  }
  const StreamPos& next = a.stream[1];
  const double d = lf_cyclesToNext(a, engine);
  a.reportedSpeed = next.speed;
  a.reportedVerticalRate = next.verticalRate;
  a.climbStep = (next.altitude - a.altitude) / d;
  a.headingStep = lf_normalised(a.bearingToNext - a.heading) / d;
}

void lf_initAttitude(LiveAc& a, TrafficEngine& engine) {
  const StreamPos& front = a.stream.front();
  gf_addTouchdown(a.hexid, engine);
  a.lat = front.lat;
  a.lon = front.lon;
  a.altitude = front.altitude;
  a.trueAirspeed = front.speed;
  a.verticalSpeed = front.verticalRate / 60.0;
  a.pitch = front.airborne != 0 ? -3.0 * g_degToRad : 0.010471975511965976;
  a.bank = front.rollValid != 0 ? front.roll : 0.0;
  if (a.respawnHeadingValid != 0)
    a.heading = a.respawnHeading;
  else if (a.flightState == FlightState::parked)
    a.heading = a.standHeading;
  else if (a.stream.size() < 2 || a.stream[1].stationary != 0)
    a.heading = std::fmod(front.track * g_degToRad, g_twoPi);
  else
    a.heading = gf_initialBearing({front.lat, front.lon}, {a.stream[1].lat, a.stream[1].lon});
  a.headingStep = 0.0;
  a.nearUser = 0;
}

bool gf_removeIfUserBehind(LiveAc& /*aircraft*/, int /*index*/, TrafficEngine& /*engine*/) { return false; }

double lf_legSpeed(const LiveAc& a) {
  if (a.stream.size() < 2) return 1.0;
  const StreamPos& f = a.stream[0];
  const StreamPos& n = a.stream[1];
  const double mean = (f.groundSpeed + n.groundSpeed) / 2.0;
  return mean > 1.0 ? mean : 1.0;
}

void lf_startTakeOff(LiveAc& a, TrafficEngine& /*engine*/) {
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::take_off;
  a.headingStep = 0.0;
}

}  // namespace vexo
