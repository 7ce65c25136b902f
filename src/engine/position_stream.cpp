// First version of the position stream: a spawned aircraft stands at the front position
// of its stream and jumps to the next one when that falls due; a stream that stays dry for
// a minute lets the aircraft go. The movement along the stream replaces this file.
#include <cmath>

#include "engine/engine_hooks.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"

namespace vexo {

namespace {

constexpr std::int32_t g_dryStreamTicks = 6000;

void lf_followStream(LiveAc& a, TrafficEngine& engine) {
  const std::int32_t tick = engine.trafficTick.load(std::memory_order_relaxed);
  while (a.stream.size() >= 2 && a.stream[1].dueTick <= tick) a.stream.pop_front();
  if (a.stream.empty()) {
    removeAircraftFromSim(a, engine);
    return;
  }
  const StreamPos& front = a.stream.front();
  if (a.stream.size() == 1 && gf_addTicks(front.dueTick, g_dryStreamTicks) <= tick) {
    removeAircraftFromSim(a, engine);
    return;
  }
  a.lat = front.lat;
  a.lon = front.lon;
  a.altitude = front.altitude;
  a.heading = std::fmod(front.track * g_degToRad, g_twoPi);
  a.verticalSpeed = front.verticalRate / 60.0;
  a.trueAirspeed = front.speed;
  engine.link.simPositionQueue.engineSide().push_back(
      {a.lat, a.lon, a.pitch, a.bank, a.heading, a.altitude, a.verticalSpeed, a.trueAirspeed, a.objectid});
}

}  // namespace

bool updateLiveAc(LiveAc& aircraft, TrafficEngine& engine) {
  if (aircraft.simState == SimState::buffer) {
    lf_spawnDecision(aircraft, engine);
  } else if (aircraft.simState == SimState::active) {
    lf_followStream(aircraft, engine);
  }
  return aircraft.eraseFromBuffer != 0 || aircraft.eraseWithdrawn != 0;
}

}  // namespace vexo
