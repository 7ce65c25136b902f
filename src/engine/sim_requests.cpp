#include "engine/sim_requests.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <utility>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/random.h"
#include "foundation/settings.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {

namespace {

constexpr std::array<std::uint32_t, 5> g_throttleValues{0, 4914, 8191, 11468, 16383};
constexpr std::array<std::uint32_t, 5> g_flapsValues{0, 3072, 10240, 16383, 0};

void lf_markErased(StaticAc& aircraft, TrafficEngine& engine, std::uint8_t StaticAc::*flag) {
  aircraft.*flag = 1;
  engine.compactPending = true;
}

bool lf_takeOffAddingStack(TrafficEngine& engine, std::uint32_t hexid) {
  const auto it = std::find(engine.addingStack.begin(), engine.addingStack.end(), hexid);
  if (it == engine.addingStack.end()) return false;
  engine.addingStack.erase(it);
  return true;
}

}  // namespace

void gf_queueObjectRemoval(std::uint32_t objectid, TrafficEngine& engine) {
  if (objectid <= engine.link.userObjectId.load()) return;
  if (std::find(engine.removalQueue.begin(), engine.removalQueue.end(), objectid) == engine.removalQueue.end())
    engine.removalQueue.push_back(objectid);
}

void lf_paceSimQueues(TrafficEngine& engine) {
  const std::int32_t tick = engine.trafficTick.load(std::memory_order_relaxed);
  if (tick % 10 != 0) return;
  if (!engine.removalQueue.empty()) {
    gf_queueAiRemoval(engine.removalQueue.front(), engine.link);
    engine.removalQueue.pop_front();
  }
  if (tick % 50 != 0) return;
  const auto send = [&](std::deque<AiCreateAction>& queue, auto findRecord) {
    const AiCreateAction& action = queue.front();
    // A creation the simulator link refuses (a text too long for its field) would leave
    // its record waiting for an answer forever: the record goes instead.
    if (!gf_queueAiCreate(action, engine.link)) {
      if (StaticAc* aircraft = findRecord(action.hexid)) lf_markErased(*aircraft, engine, &StaticAc::eraseWithdrawn);
    }
    queue.pop_front();
  };
  if (!engine.liveAddQueue.empty()) {
    send(engine.liveAddQueue, [&](std::uint32_t hexid) -> StaticAc* { return gf_findLiveAc(engine, hexid); });
    return;
  }
  if (!engine.staticAddQueue.empty())
    send(engine.staticAddQueue, [&](std::uint32_t hexid) { return gf_findStaticAc(engine, hexid); });
  if (lf_staticCandidatesWaiting(engine)) lf_detcs(engine);
}

void removeAircraftFromSim(StaticAc& aircraft, TrafficEngine& engine, std::string_view asker) {
  if (engine.hooks.removing != nullptr) engine.hooks.removing(aircraft, asker);
  const SimState state = aircraft.simState;
  if (state == SimState::buffer) {
    lf_markErased(aircraft, engine, &StaticAc::eraseFromBuffer);
    return;
  }
  if (aircraft.removeWhenCreated != 0) return;
  if (state == SimState::adding2sim) {
    const bool live = gf_isLiveHexid(aircraft.hexid);
    if ((live && lf_takeOffAddingStack(engine, aircraft.hexid)) ||
        gf_withdrawAddRequest(live ? engine.liveAddQueue : engine.staticAddQueue, aircraft.hexid)) {
      lf_markErased(aircraft, engine, &StaticAc::eraseWithdrawn);
    } else {
      aircraft.removeWhenCreated = 1;
    }
    return;
  }
  if (gf_isLiveHexid(aircraft.hexid)) gf_setStandLiveFlag(static_cast<std::int32_t>(aircraft.sid), 0);
  aircraft.simState = SimState::removingfromsim;
  if (aircraft.objectid == 0) {
    gf_logWarning(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", gf_acLogText(aircraft)));
    // No removal can ever be confirmed for it: the record goes now.
    lf_markErased(aircraft, engine, &StaticAc::eraseFromBuffer);
    return;
  }
  // A livery respawn or an earlier removal queued the id already.
  if (state == SimState::active) gf_queueObjectRemoval(aircraft.objectid, engine);
}

bool gf_withdrawAddRequest(std::deque<AiCreateAction>& queue, std::uint32_t hexid) {
  return std::erase_if(queue, [&](const AiCreateAction& a) { return a.hexid == hexid; }) > 0;
}

bool gf_withdrawAddRequest(std::deque<AiCreateAction>& queue, std::string_view callsign) {
  if (callsign.empty()) return false;
  return std::erase_if(queue, [&](const AiCreateAction& a) { return a.callsign == callsign; }) > 0;
}

void gf_takeLiveAcsOutOfSim(TrafficEngine& engine) {
  for (LiveAc& aircraft : engine.liveAcs) {
    if (aircraft.simState != SimState::removingfromsim) removeAircraftFromSim(aircraft, engine);
  }
}

void gf_setSpoilers(const StaticAc& aircraft, bool on, SimLink& link) {
  if (aircraft.category == AcCategory::Rotorcraft) return;
  gf_queueSimEvent({aircraft.objectid, ClientEventId::SPOILERS_SET, on ? 16383U : 0U}, link);
}

void gf_setGear(const StaticAc& aircraft, std::uint8_t value, SimLink& link) {
  if (aircraft.category == AcCategory::Rotorcraft) return;
  gf_queueSimEvent({aircraft.objectid, ClientEventId::GEAR_SET, value}, link);
}

void gf_setThrottle(StaticAc& aircraft, std::uint32_t index, SimLink& link) {
  if (index == aircraft.throttleIndex) return;
  aircraft.throttleIndex = index;
  if (index >= g_throttleValues.size()) return;
  gf_queueSimEvent({aircraft.objectid, ClientEventId::THROTTLE_SET, g_throttleValues[index]}, link);
}

void gf_setFlaps(StaticAc& aircraft, std::uint32_t index, SimLink& link) {
  if (index == aircraft.flapsIndex || aircraft.category == AcCategory::Rotorcraft) return;
  if (index >= g_flapsValues.size()) {
    gf_logWarning("gf_setFlaps: invalid flaps index");
    return;
  }
  aircraft.flapsIndex = index;
  gf_queueSimEvent({aircraft.objectid, ClientEventId::FLAPS_SET, g_flapsValues[index]}, link);
}

void lf_finishParking(StaticAc& aircraft, TrafficEngine& engine) {
  gf_setThrottle(aircraft, 0, engine.link);
  gf_setFlaps(aircraft, 0, engine.link);
  gf_engineAutoShutdown(aircraft.objectid, engine.link);
  const bool cabin = aircraft.standFlag == 0 && (!gf_randomEnabled() || engine.hooks.randomIndex(10) <= 8);
  const std::uint32_t nav = g_settings.NAV_LIGHTS_WHILE_PARKED.value ? 1 : 0;
  gf_setLights(aircraft.objectid, {nav, 0, 0, 0, 0, 1, cabin ? 1U : 0U}, engine.link);
}

void lf_logDroppedReports(TrafficEngine& engine) {
  std::uint64_t dropped = 0;
  {
    std::lock_guard lock(engine.reports.mutex);
    dropped = std::exchange(engine.reports.dropped, 0);
  }
  if (dropped > 0)
    gf_log(fmt::format("{:5} traffic report{} dropped: more than {} were waiting", dropped, gf_plural(dropped),
                       g_maxQueuedReports));
}

}  // namespace vexo
