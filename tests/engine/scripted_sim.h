// An in-process simulator for the engine's tests: on each frame it drains the simulator
// link's queues as the "SimClient" thread would and answers creations and removals with
// SimResponses per its script, keeping the objects it holds. It records what it was sent
// and every breach of the rules any scenario must keep (invariants()).
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "engine/traffic_engine.h"
#include "simlink/sim_link_state.h"

namespace vexo::test {

class ScriptedSim {
public:
  explicit ScriptedSim(TrafficEngine& engine) : engine_(engine) {}

  // --- The script ---
  std::uint32_t nextObjectId = 100;    // object ids handed out, counting up
  int answerDelayFrames = 0;           // frames between a creation and its answer
  std::set<std::uint32_t> failHexids;  // creations answered with "creation failed"
  double createdAboveGround = 3000.0;  // feet, in each live creation's answer

  // --- What the engine sent ---
  std::map<std::uint32_t, std::uint32_t> objects;  // object id -> hexid, in the simulator now
  std::vector<AiCreateAction> creations;           // every creation received
  std::vector<std::int32_t> creationTicks;         // the tick of the cycle that sent each
  std::vector<std::uint32_t> removals;             // every removal received
  std::vector<std::int32_t> removalTicks;
  std::vector<SimEventAction> events;              // every client event received
  std::vector<AiPositionAction> lastPositions;     // the positions of the last frame
  std::size_t positionsReceived = 0;
  std::vector<std::string> breaches;               // broken rules, in the order found

  // One simulator frame after an engine cycle: sends everything queued (positions,
  // events, creations, removals) and answers; answers due this frame are pushed after the
  // queue mutex is released, as the dispatch does.
  void frame() {
    std::vector<SimResponse> answers;
    {
      std::unique_lock lock(engine_.link.simConnectMutex, std::try_to_lock);
      if (!lock.owns_lock()) return;
      takePositions();
      takeEvents();
      for (const AiCreateAction& action : engine_.link.simCreateQueue) create(action);
      engine_.link.simCreateQueue.clear();
      for (const std::uint32_t id : engine_.link.simRemovalQueue) remove(id, answers);
      engine_.link.simRemovalQueue.clear();
    }
    ++frame_;
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->first > frame_) break;
      answers.push_back(it->second);
      it = pending_.erase(it);
    }
    for (const SimResponse& r : answers) gf_pushSimResponse(r, engine_.responses);
  }

  // An answer the engine did not ask for (an orphan, an on-ground report, static data).
  void inject(const SimResponse& response) { gf_pushSimResponse(response, engine_.responses); }

  // The object id the simulator gave to a hexid; 0 when none.
  std::uint32_t objectOf(std::uint32_t hexid) const {
    for (const auto& [id, hex] : objects)
      if (hex == hexid) return id;
    return 0;
  }
  std::size_t eventsFor(std::uint32_t objectid, std::uint32_t eventId) const {
    std::size_t n = 0;
    for (const SimEventAction& e : events) n += e.objectId == objectid && e.eventId == eventId ? 1 : 0;
    return n;
  }

private:
  void breach(std::string text) { breaches.push_back(std::move(text)); }

  void takePositions() {
    auto& positions = engine_.link.simPositionQueue.simSide();
    lastPositions = positions;
    positionsReceived += positions.size();
    for (const AiPositionAction& p : positions) {
      if (!objects.contains(p.objectId)) breach(fmt::format("position for unknown object {}", p.objectId));
      for (const double v : {p.latitude, p.longitude, p.pitch, p.bank, p.heading, p.altitude, p.verticalSpeed,
                             p.trueAirspeed})
        if (!std::isfinite(v)) breach(fmt::format("position of object {} not finite", p.objectId));
    }
    positions.clear();
  }

  void takeEvents() {
    for (const SimEventAction& e : engine_.link.simEventQueue) {
      if (!objects.contains(e.objectId)) breach(fmt::format("event {} for unknown object {}", e.eventId, e.objectId));
      events.push_back(e);
    }
    engine_.link.simEventQueue.clear();
  }

  void create(const AiCreateAction& action) {
    creations.push_back(action);
    creationTicks.push_back(engine_.trafficTick.load() - 1);
    const SimConnectInitPosition& p = action.initPosition;
    for (const double v : {p.Latitude, p.Longitude, p.Altitude, p.Pitch, p.Bank, p.Heading})
      if (!std::isfinite(v)) breach(fmt::format("creation of hexid {} not finite", action.hexid));
    const int due = frame_ + 1 + answerDelayFrames;
    if (failHexids.contains(action.hexid)) {
      pending_.emplace(due, SimResponse{0, action.hexid, 0, SimResponseKind::createFailed, 0.0, 0.0});
      return;
    }
    for (const auto& [id, hex] : objects)
      if (hex == action.hexid) breach(fmt::format("second object for hexid {}", action.hexid));
    const std::uint32_t id = nextObjectId++;
    objects[id] = action.hexid;
    const bool live = gf_isLiveHexid(action.hexid);
    pending_.emplace(due, SimResponse{id, action.hexid, 0,
                                      live ? SimResponseKind::createdLive : SimResponseKind::createdStatic, 0.0,
                                      live ? createdAboveGround : 0.0});
  }

  void remove(std::uint32_t id, std::vector<SimResponse>& answers) {
    removals.push_back(id);
    removalTicks.push_back(engine_.trafficTick.load() - 1);
    if (objects.erase(id) == 0) {
      breach(fmt::format("removal of unknown object {}", id));
      return;
    }
    answers.push_back({id, 0, 0, SimResponseKind::removed, 0.0, 0.0});
  }

  TrafficEngine& engine_;
  int frame_ = 0;
  std::multimap<int, SimResponse> pending_;  // answers by the frame they are due
};

}  // namespace vexo::test
