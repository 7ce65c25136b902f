// The engine's requests to the simulator: the pacing of creations and removals, the
// removal of an aircraft in every SimState, the withdrawal of queued creations, the
// client-event setters and the end of a parking. Tick thread; every simulator queue is
// reached under engine.link.simConnectMutex.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>

#include "engine/aircraft.h"
#include "engine/traffic_engine.h"
#include "simlink/sim_actions.h"

namespace vexo {

// One removal per 100 ms (cycles divisible by 10) and one creation per 500 ms (cycles
// divisible by 50), live creations before static ones; on a 500 ms cycle without a live
// creation the static placement places a waiting candidate.
void lf_paceSimQueues(TrafficEngine& engine);

// The only way out of the simulator, by SimState:
// - buffer: erased at the next compaction;
// - adding2sim: its creation withdrawn from the adding stack or an add queue (the record
//   is erased), else, when the creation was sent, removed as soon as it settles;
// - active, liveryrespawn, removingfromsim: its object id queued for removal once; a
//   record without an object id can never leave the simulator's answers and is erased.
// The rule that let the aircraft go is told by the function that asked (engine.hooks.removing);
// a lambda that asks passes its enclosing function's __func__, else it would tell "operator()".
void removeAircraftFromSim(StaticAc& aircraft, TrafficEngine& engine = g_trafficEngine,
                           std::string_view asker = __builtin_FUNCTION());

// Queues an object id for removal unless it is queued already. An id at or below the
// user's object id is never the engine's: nothing is queued.
void gf_queueObjectRemoval(std::uint32_t objectid, TrafficEngine& engine);

// Erases the queued creations of that hexid; true when one was found.
bool gf_withdrawAddRequest(std::deque<AiCreateAction>& queue, std::uint32_t hexid);
// The same by callsign (an empty callsign withdraws nothing), for callers that know no
// hexid: it also withdraws another aircraft's creation under the same callsign.
bool gf_withdrawAddRequest(std::deque<AiCreateAction>& queue, std::string_view callsign);

// The traffic source has gone: every live aircraft leaves the simulator.
void gf_takeLiveAcsOutOfSim(TrafficEngine& engine = g_trafficEngine);

// Client events of one aircraft. Spoilers and gear send nothing for a Rotorcraft;
// throttle (index 0 to 4) and flaps (0 to 4, not for a Rotorcraft) only on a change of
// index.
void gf_setSpoilers(const StaticAc& aircraft, bool on, SimLink& link);
void gf_setGear(const StaticAc& aircraft, std::uint8_t value, SimLink& link);
void gf_setThrottle(StaticAc& aircraft, std::uint32_t index, SimLink& link);
void gf_setFlaps(StaticAc& aircraft, std::uint32_t index, SimLink& link);

// Engines off and the parked lights (cabin lights nine times in ten unless a cargo stand).
void lf_finishParking(StaticAc& aircraft, TrafficEngine& engine);

// Logs the reports lost at the hand-over's limit since the last call (once a second).
void lf_logDroppedReports(TrafficEngine& engine);

}  // namespace vexo
