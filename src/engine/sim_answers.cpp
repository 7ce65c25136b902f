#include "engine/sim_answers.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/sim_requests.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "simlink/flight_plans.h"
#include "simlink/refused_liveries.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_client.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {

namespace {

constexpr double g_minCgHeight = 1.0;   // feet
constexpr double g_maxCgHeight = 35.0;  // feet
constexpr double g_minStaticPitch = -0.017453292519943295;    // -1 degree
constexpr double g_maxStaticPitch = 0.04363323129985824;      // 2.5 degrees
constexpr double g_defaultStaticPitch = 0.012217304763960306;  // 0.7 degrees
constexpr double g_landingLightsCeiling = 10000.0;  // feet
constexpr double g_cabinLightsFloor = 2000.0;       // feet above ground

// A record whose removal the simulator confirmed: the last record takes its place.
template <class Record>
void lf_eraseRecord(std::vector<Record>& table, Record& record) {
  if (&record != &table.back()) record = std::move(table.back());
  table.pop_back();
}

void lf_onLiveObjectCreated(TrafficEngine& engine, const SimResponse& r) {
  LiveAc* aircraft = gf_findLiveAc(engine, r.id);
  // Only a record waiting for its object takes one; any other object would stay in the
  // simulator, frozen and unknown to the engine.
  if (aircraft == nullptr || aircraft->simState != SimState::adding2sim || aircraft->objectid != 0 ||
      !lf_onLiveCreated(*aircraft, r, engine)) {
    gf_queueObjectRemoval(r.objectId, engine);
    return;
  }
  engine.createdObjects.push_back({r.objectId, r.id, 0, 0});
}

void lf_touchdown(TrafficEngine& engine, LiveAc& a) {
  a.derotating = 1;
  a.landingRoll = 1;
  engine.landingInProgress = false;
  a.touchdownHeading = a.heading;
  a.approach = 0;
  a.landedHere = 1;
  gf_setSpoilers(a, true, engine.link);
  if (a.category != AcCategory::Light) {
    const double throttle = a.reverseThrust != 0 ? -100.0 : 100.0;
    if (!engine.hooks.sendAiControls(engine.link, a.objectid, 100.0, throttle)) {
      gf_logWarning("SimConnect set ai controls fails");
      gf_simConnectRequestError(engine.link);
    }
  }
  const double settle = a.settleTicks > 0 ? a.settleTicks : 1.0;
  a.pitchStep = (a.staticPitch - a.pitch) / settle;
  a.bankStep = (0.0 - a.bank) / settle;
  gf_addTouchdown(a.hexid, engine);
}

void lf_onGroundReport(TrafficEngine& engine, const SimResponse& r) {
  LiveAc* found = gf_findLiveAcByObjectId(engine, r.objectId);
  if (found == nullptr || !std::isfinite(r.value1) || !std::isfinite(r.value2)) return;
  LiveAc& a = *found;
  // Past its rotation, a take-off that comes down again ends on the ground as a landing
  // does: ignored, the answer would let the aircraft sink through the runway.
  const bool takeOffDown = a.flightState == FlightState::take_off && a.phaseCounter < 1 && a.climbStep < 0.0;
  if (r.id == 1 && a.onGround == 0 && a.phaseCounter <= 1 && a.simState != SimState::removingfromsim &&
      (a.flightState != FlightState::take_off || takeOffDown)) {
    if (takeOffDown) {
      a.prevFlightState = a.flightState;
      a.flightState = FlightState::taxi;
      a.takeOffRoll = 0;
    }
    if (a.flarePhase != 0 || a.approach != 0) lf_touchdown(engine, a);
    a.onGround = 1;
    a.climbStep = 0.0;
    a.phaseCounter = 1;
  }
  a.aboveGround = r.value2;
  if (a.onGround != 0 || a.phaseCounter >= 2) a.altitude = r.value1 + a.staticCgHeight;
}

void lf_onStaticData(TrafficEngine& engine, const SimResponse& r) {
  LiveAc* a = gf_findLiveAcByObjectId(engine, r.objectId);
  if (a == nullptr) return;
  if (r.value1 >= g_minCgHeight && r.value1 <= g_maxCgHeight) a->staticCgHeight = r.value1;
  const bool usable = std::isfinite(r.value2) && r.value2 > g_minStaticPitch && r.value2 <= g_maxStaticPitch;
  a->staticPitch = usable ? r.value2 : g_defaultStaticPitch;
}

void lf_onCreateFailed(TrafficEngine& engine, std::uint32_t hexid) {
  if (gf_isLiveHexid(hexid)) {
    if (LiveAc* a = gf_findLiveAc(engine, hexid)) {
      gf_reportLiveryCreateFailure(*a, engine.link);
      lf_eraseRecord(engine.liveAcs, *a);
    }
  } else if (StaticAc* s = gf_findStaticAc(engine, hexid)) {
    gf_reportLiveryCreateFailure(*s, engine.link);
    lf_eraseRecord(engine.staticAcs, *s);
  }
}

void lf_handleResponse(TrafficEngine& engine, const SimResponse& r) {
  switch (r.kind) {
    case SimResponseKind::createdLive: lf_onLiveObjectCreated(engine, r); return;
    case SimResponseKind::createdStatic: engine.createdObjects.push_back({r.objectId, r.id, 0, 1}); return;
    case SimResponseKind::removed: gf_removeFlightPlan(r.objectId, engine); return;
    case SimResponseKind::onGround: lf_onGroundReport(engine, r); return;
    case SimResponseKind::staticCg: lf_onStaticData(engine, r); return;
    case SimResponseKind::createFailed: lf_onCreateFailed(engine, r.id); return;
    default: return;
  }
}

void lf_firstLiveEvents(TrafficEngine& engine, LiveAc& a) {
  SimLink& link = engine.link;
  gf_setSpoilers(a, false, link);
  if (!a.stream.empty() && a.stream.front().airborne != 0) {
    gf_engineAutoStart(a.objectid, link);
    const std::uint32_t landing = a.altitude <= g_landingLightsCeiling ? 1 : 0;
    const std::uint32_t cabin = a.aboveGround >= g_cabinLightsFloor ? 1 : 0;
    gf_setLights(a.objectid, {1, 1, landing, 0, 1, landing, cabin}, link);
    return;
  }
  const bool parked = a.flightState == FlightState::parked;
  const bool taxi = a.flightState == FlightState::taxi;
  std::uint32_t nav = 1;
  if (parked) {
    gf_engineAutoShutdown(a.objectid, link);
    nav = g_settings.NAV_LIGHTS_WHILE_PARKED.value ? 1 : 0;
  } else {
    gf_engineAutoStart(a.objectid, link);
  }
  gf_setLights(a.objectid, {nav, parked ? 0U : 1U, 0, taxi ? 1U : 0U, 0, 1, 1}, link);
  gf_setThrottle(a, a.category == AcCategory::Rotorcraft ? 4 : 0, link);
  gf_setFlaps(a, taxi ? 1 : 0, link);
}

// The removal ordered while the creation was under way, now that there is an object.
void lf_removeIfOrdered(StaticAc& aircraft, TrafficEngine& engine) {
  if (aircraft.removeWhenCreated == 0) return;
  aircraft.removeWhenCreated = 0;
  removeAircraftFromSim(aircraft, engine);
}

// Takes over the object of an entry at its 200th pass; an object whose record is gone
// leaves the simulator.
void lf_settle(TrafficEngine& engine, CreatedObject& entry) {
  if (entry.kind == 0) {
    LiveAc* a = gf_findLiveAc(engine, entry.hexid);
    if (a == nullptr || a->objectid != entry.objectid) {
      gf_queueObjectRemoval(entry.objectid, engine);  // its record is gone
      return;
    }
    lf_firstLiveEvents(engine, *a);
    a->simState = SimState::active;
    lf_removeIfOrdered(*a, engine);
    return;
  }
  StaticAc* s = gf_findStaticAc(engine, entry.hexid);
  if (s == nullptr || s->simState != SimState::adding2sim || s->objectid != 0) {
    gf_queueObjectRemoval(entry.objectid, engine);
    return;
  }
  s->simState = SimState::active;
  s->objectid = entry.objectid;
  lf_finishParking(*s, engine);
  gf_log(fmt::format("{:8}: {:8} parked", gf_standName(s->sid), s->callsign));
  lf_removeIfOrdered(*s, engine);
}

}  // namespace

void lf_handleSimResponses(TrafficEngine& engine) {
  for (const SimResponse& response : gf_takeSimResponses(engine.responses)) lf_handleResponse(engine, response);
  if (!engine.createdObjects.empty()) lf_handleCreatedObjects(engine);
}

void lf_handleCreatedObjects(TrafficEngine& engine) {
  bool anyDone = false;
  for (CreatedObject& entry : engine.createdObjects) {
    if (entry.counter == -1) continue;
    if (entry.counter < g_settleCycles) {
      ++entry.counter;
      if (entry.kind == 0 && (entry.counter == 50 || entry.counter == 100))
        gf_queueSimEvent({entry.objectid, ClientEventId::ALL_LIGHTS_TOGGLE, 0}, engine.link);
      continue;
    }
    lf_settle(engine, entry);
    entry.counter = -1;
    anyDone = true;
  }
  if (anyDone) std::erase_if(engine.createdObjects, [](const CreatedObject& e) { return e.counter == -1; });
}

void gf_removeFlightPlan(std::uint32_t objectid, TrafficEngine& engine) {
  if (LiveAc* a = gf_findLiveAcByObjectId(engine, objectid)) {
    if (a->simState == SimState::liveryrespawn) {
      a->simState = SimState::buffer;
      a->throttleIndex = 5;
      a->flapsIndex = 4;
      a->objectid = 0;
      return;
    }
    if (a->hasFlightPlan != 0) {
      // The plan was written under the hexid (lf_giveFlightPlan), not the object id.
      std::error_code error;
      std::filesystem::remove(gf_flightPlanPath(a->hexid, engine.link), error);
      if (error) gf_log(fmt::format("gf_removeFlightPlan: {}", error.message()));
    }
    lf_eraseRecord(engine.liveAcs, *a);
    return;
  }
  if (StaticAc* s = gf_findStaticAcByObjectId(engine, objectid)) lf_eraseRecord(engine.staticAcs, *s);
}

}  // namespace vexo
