#include "engine/traffic_cycle.h"

#include <fmt/format.h>

#include <algorithm>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/report_intake.h"
#include "engine/sim_answers.h"
#include "engine/sim_requests.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_client.h"

namespace vexo {

namespace {

template <class Record>
bool lf_toErase(const Record& r) {
  return r.eraseFromBuffer != 0 || r.eraseWithdrawn != 0;
}

// Step 2: every live aircraft one step; the records that go leave by an order-keeping
// compaction. The client events of the step reach the simulator's queue together, under
// one lock, in the order they were given.
void lf_updateAll(TrafficEngine& engine) {
  bool compact = false;
  {
    SimEventBatch events(engine.link, engine.cycleEvents);
    for (std::size_t i = 0; i < engine.liveAcs.size(); ++i) {
      if (updateLiveAc(engine.liveAcs[i], engine)) compact = true;
    }
  }
  // Records flagged outside their own update (a removal, a withdrawn creation) go too.
  if (std::exchange(engine.compactPending, false)) compact = true;
  if (!compact) return;
  std::erase_if(engine.liveAcs, lf_toErase<LiveAc>);
  std::erase_if(engine.staticAcs, lf_toErase<StaticAc>);
}

// Step 5, under the reader hand-over's mutex: the Traffic Reader waits meanwhile.
void lf_takeReports(TrafficEngine& engine) {
  std::lock_guard lock(engine.reports.mutex);
  auto& queue = engine.reports.queue;
  for (int taken = 0; taken < g_reportsPerCycle && !queue.empty(); ++taken) {
    lf_takeLiveReport(queue.front(), engine);
    queue.pop_front();
  }
}

AiCreateAction lf_createAction(const LiveAc& a) {
  AiCreateAction action;
  SimConnectInitPosition& p = action.initPosition;
  p.Latitude = a.lat;
  p.Longitude = a.lon;
  p.Altitude = a.altitude;
  p.Pitch = a.pitch * g_radToDeg;
  p.Bank = a.bank * g_radToDeg;
  p.Heading = a.heading * g_radToDeg;
  p.OnGround = a.stream.empty() || a.stream.front().airborne == 0 ? 1 : 0;
  p.Airspeed = 0;
  action.callsign = a.callsign;
  action.liveryTitle = a.liveryTitle;
  action.hexid = a.hexid;
  return action;
}

// Step 6: the last aircraft pushed on the adding stack goes to the add queue.
void lf_popAddingStack(TrafficEngine& engine) {
  if (engine.addingStack.empty()) return;
  const std::uint32_t hexid = engine.addingStack.back();
  engine.addingStack.pop_back();
  LiveAc* a = gf_findLiveAc(engine, hexid);
  if (a == nullptr) return;
  if (!a->callsign.empty()) {
    engine.liveAddQueue.push_back(lf_createAction(*a));
    return;
  }
  gf_logWarning(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", gf_acLogText(*a)));
  // The simulator cannot create it without a callsign, so no answer would ever come.
  a->eraseWithdrawn = 1;
  engine.compactPending = true;
}

}  // namespace

void lf_handleAddingStack(TrafficEngine& engine) {
  lf_handleSimResponses(engine);
  lf_updateAll(engine);
  engine.link.simPositionQueue.handOver(engine.link.simConnectMutex);
  lf_paceSimQueues(engine);
  lf_takeReports(engine);
  lf_popAddingStack(engine);
  lf_requestAcInRange(engine);
  engine.trafficTick.store(gf_addTicks(engine.trafficTick.load(std::memory_order_relaxed), 1));
}

void lf_requestAcInRange(TrafficEngine& engine) {
  const std::int32_t tick = engine.trafficTick.load(std::memory_order_relaxed);
  const std::int32_t period = engine.landingInProgress ? 20 : 100;
  if (tick % period == 0 && !engine.link.simBroken.load()) {
    if (!engine.hooks.requestAcInRange(engine.link, g_settings.rangeMeters.load())) {
      gf_logWarning("SimConnect request ac within range fails");
      gf_simConnectRequestError(engine.link);
    }
  }
  if (tick % 100 != 0) return;
  if (engine.hooks.sendUserPosition != nullptr) engine.hooks.sendUserPosition(engine);
  engine.userAc.set(engine.hooks.getUserAcPosition(engine.link));
  lf_logDroppedReports(engine);
}

}  // namespace vexo
