// What the rest of the program uses of the traffic engine. The engine runs on the
// start-up/tick thread; its tables belong to that thread and carry no lock unless a line
// below says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/aircraft.h"
#include "engine/aircraft_texts.h"
#include "refdata/ac_codes.h"
#include "simlink/sim_actions.h"

namespace vexo {

// Reserves the engine's tables once per process (when traffic starts).
void gf_reserveTrafficTables();

// The engine's 10 ms cycle: moves every live aircraft one step, adds at most one from the
// adding stack, hands the updates to the simulator queues and advances g_trafficTick.
void lf_handleAddingStack();

// Drains the simulator's answers (once per cycle, and on every tick while no flight runs).
void lf_handleSimResponses();

// Remove active static aircraft that duplicate an active live aircraft on the ground
// (all of them, or those of one live aircraft).
void gf_removeStaticTwins();
void gf_removeStaticTwinsOf(const LiveAc& aircraft);

// Removes the active static aircraft on the named stand of the park airport, else the
// active parked live aircraft on it.
void gf_removeAcAtStand(std::string_view standName);

// Removes every static aircraft and empties their table.
void gf_removeAllStatic();

// Rebuilds the callsign list (g_settings.callsignChoices) from the active live aircraft
// that are not parked, selects its first entry and refills the drop-down list.
void gf_fillCallsignList();
// Empties the callsign list to one empty entry and disables its controls. UI thread.
void gf_resetCallsignList();

// The collision checks; each removes the live aircraft in the way.
void gf_checkCollisionUserGnd();
void gf_checkCollisionUserAir();
void gf_checkCollisionLiveParkedGnd();

// Starts the removal of an active aircraft from the simulator.
void removeAircraftFromSim(LiveAc& aircraft);

// Clears the engine's run state before a restart.
void gf_resetTraffic();

// Removes the active live aircraft farthest from the user beyond distanceNm (negative:
// any distance); at most one per call. UI thread (MAX_LIVE_SEL).
void gf_removeFarthestLiveAc(double distanceNm);

// Active parked live aircraft; with computeMean also their mean parked time into the main
// window's live average fit.
std::size_t gf_countLiveParked(bool computeMean);

// Removes every queued creation with that callsign; true when at least one was found.
bool gf_withdrawAddRequest(std::deque<AiCreateAction>& queue, std::string_view callsign);

// The park airport's stand nearest to the position within 55 m; empty when none or the
// user is not on the ground. "SimClient" thread.
std::string gf_nearestStandName(double lat, double lon);

// Asks the simulator for the aircraft within RANGE (once a second).
void lf_requestAcInRange();

// Moves one aircraft a cycle along its stream and queues its position update.
void updateLiveAc(LiveAc& aircraft);

// Paces the removal and creation requests to the simulator queues.
void lf_paceSimQueues();

// Client events of one simulator object (each queued under g_simConnectMutex).
void gf_setGear(std::uint32_t objectId, std::uint32_t value);
void gf_setFlaps(std::uint32_t objectId, std::uint32_t value);
void gf_setSpoilers(std::uint32_t objectId, std::uint32_t value);
void gf_setThrottle(std::uint32_t objectId, std::uint32_t value);

// Asks for the centre-of-gravity height and pitch of a newly created static object.
void lf_requestStaticCG(std::uint32_t objectId);

// Removes the flight plan file of an object whose removal the simulator confirmed.
void gf_removeFlightPlan(std::uint32_t objectId);

// The engine's tables that other parts reach. Start-up/tick thread only.
struct TrafficTables {
  std::vector<LiveAc> liveAcs;
  std::vector<StaticAc> staticAcs;
  std::list<std::uint32_t> touchdownList;  // hexids: spawned or touched down
  std::deque<std::uint32_t> removalQueue;  // object ids waiting for their removal request
  std::vector<std::uint32_t> addingStack;  // hexids waiting to be sent for creation
  std::unordered_map<std::uint32_t, std::uint32_t> spawnIdMap;  // aircraft id used when spawning
  std::vector<std::string> ghostCallsigns;
  std::deque<AiCreateAction> liveAddQueue;    // live aircraft waiting to be created
  std::deque<AiCreateAction> staticAddQueue;  // static aircraft waiting to be created
  // The livery chosen per hexid (titles live in the livery tables).
  std::unordered_map<std::uint32_t, std::string_view> liveryByHexid;
};
extern TrafficTables g_trafficTables;

inline std::vector<LiveAc>& g_liveAcs = g_trafficTables.liveAcs;
inline std::vector<StaticAc>& g_staticAcs = g_trafficTables.staticAcs;
inline std::list<std::uint32_t>& g_touchdownList = g_trafficTables.touchdownList;
inline std::deque<std::uint32_t>& g_removalQueue = g_trafficTables.removalQueue;
inline std::vector<std::uint32_t>& g_addingStack = g_trafficTables.addingStack;
inline std::unordered_map<std::uint32_t, std::uint32_t>& g_spawnIdMap = g_trafficTables.spawnIdMap;
inline std::vector<std::string>& g_ghostCallsigns = g_trafficTables.ghostCallsigns;
inline std::deque<AiCreateAction>& g_liveAddQueue = g_trafficTables.liveAddQueue;
inline std::deque<AiCreateAction>& g_staticAddQueue = g_trafficTables.staticAddQueue;
inline std::unordered_map<std::uint32_t, std::string_view>& g_liveryByHexid = g_trafficTables.liveryByHexid;

// The engine's copy of the user aircraft block, taken once a second; the simulator link
// reads it from its own thread.
class EngineUserAc {
public:
  void set(const UserAcData& data) {
    std::lock_guard lock(mutex_);
    data_ = data;
  }
  UserAcData get() const {
    std::lock_guard lock(mutex_);
    return data_;
  }

private:
  mutable std::mutex mutex_;  // guards data_
  UserAcData data_;
};
extern EngineUserAc g_engineUserAc;

}  // namespace vexo
