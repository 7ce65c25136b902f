// First version of spawning: a buffered aircraft whose first position falls due, with a
// second one behind it and a usable callsign, is sent for creation where it was reported.
// Livery choice, capacity, the user's vicinity, ghosts and livery respawns replace this.
#include <fmt/format.h>

#include <limits>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/sim_requests.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"

namespace vexo {

namespace {

void lf_drop(LiveAc& a) { a.eraseFromBuffer = 1; }

void lf_setFlightState(LiveAc& a, FlightState state) {
  a.prevFlightState = a.flightState;
  a.flightState = state;
}

}  // namespace

void lf_spawnDecision(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.empty()) return lf_drop(a);
  if (a.stream.front().dueTick > engine.trafficTick.load(std::memory_order_relaxed)) return;
  if (a.stream.size() == 1) {
    a.stream.pop_front();
    return lf_drop(a);
  }
  if (!gf_isValidCallsign(a)) a.callsign = a.registration;
  if (!gf_isValidCallsign(a)) return lf_drop(a);
  spawnLiveAc(a, engine);
}

void spawnLiveAc(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.size() < 2) {
    gf_logWarning(fmt::format("{} sz:{}", "spawnLiveAc", a.stream.size()));
    return;
  }
  const StreamPos& head = a.stream.front();
  lf_setFlightState(a, head.airborne != 0 ? FlightState::flying : FlightState::taxi);
  a.lat = head.lat;
  a.lon = head.lon;
  a.altitude = head.altitude;
  a.heading = head.track * g_degToRad;
  a.simState = SimState::adding2sim;
  engine.addingStack.push_back(a.hexid);
  gf_addTouchdown(a.hexid, engine);
}

bool lf_checkRespawn(LiveAc& a, const LiveReport& report, TrafficEngine& /*engine*/) {
  if (a.simState != SimState::buffer) return true;
  const AcIdent& r = report.ident;
  if (!r.destination.empty()) a.destination = r.destination;
  if (!r.origin.empty()) a.origin = r.origin;
  if (!r.callsign.empty()) a.callsign = r.callsign;
  if (!r.registration.empty()) a.registration = r.registration;
  return true;
}

bool gf_removeFarthestLiveAc(double distanceNm, TrafficEngine& engine) {
  const UserAcData user = engine.userAc.get();
  const LatLon userPos{user.latitude, user.longitude};
  double best = distanceNm < 0.0 ? -std::numeric_limits<double>::infinity() : distanceNm;
  const double margin = distanceNm < 0.0 ? 0.0 : 0.1;
  LiveAc* farthest = nullptr;
  for (LiveAc& a : engine.liveAcs) {
    if (a.simState != SimState::active) continue;
    const double d = gf_greatCircleNm(userPos, LatLon{a.lat, a.lon});
    if (d - best > margin) {
      best = d;
      farthest = &a;
    }
  }
  if (farthest == nullptr) return true;
  removeAircraftFromSim(*farthest, engine);
  return false;
}

}  // namespace vexo
