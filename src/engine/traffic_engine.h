// The traffic engine's state: one object with its tables, its queues, the two hand-overs
// from other threads and its clock g_trafficTick, driven one 10 ms cycle at a time
// (traffic_cycle.h). g_trafficEngine is the program's instance; the g_ names below are its
// members under the names the rest of the program uses. A test builds its own instance
// on its own SimLink and replays a scenario cycle by cycle.
//
// Threads and locks:
// - Everything but the members named below belongs to the start-up/tick thread and
//   carries no lock.
// - reports: the Traffic Reader appends under reports.mutex (live_report.h).
// - responses: the "SimClient" thread appends under responses.mutex (sim_responses.h).
// - trafficTick is atomic: the Traffic Reader reads it to time each report.
// - userAc and weekSlotNow are read by other threads (their own lock or atomic).
// - The simulator queues of link are reached under link.simConnectMutex only.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/aircraft.h"
#include "engine/live_report.h"
#include "engine/sim_responses.h"
#include "foundation/geodesy.h"
#include "foundation/time_text.h"
#include "simlink/sim_actions.h"
#include "simlink/sim_link_state.h"

namespace vexo {

struct TrafficEngine;
struct ParkingPosition;

// A simulator object whose creation was answered: it settles for 200 cycles before the
// engine takes it over.
struct CreatedObject {
  std::uint32_t objectid = 0;
  std::uint32_t hexid = 0;
  std::int32_t counter = 0;  // -1: done
  std::uint32_t kind = 0;    // 0 live, 1 static
};
inline constexpr std::int32_t g_settleCycles = 200;

// The engine's ways out of the process, replaceable by a test. Each is called on the
// tick thread. The program's versions are set by TrafficEngine's constructor.
struct EngineHooks {
  // The 100 ns clock of a parked aircraft's parkCheckTime: monotonic, so that a step of
  // the wall clock cannot make every parked aircraft look parked for ages.
  std::int64_t (*clock100ns)() = nullptr;
  // A uniform index in [0, n) that honours RANDOM (gf_randomIndex).
  std::uint64_t (*randomIndex)(std::uint64_t n) = nullptr;
  // The sign of a new aircraft's spread pitches (gf_spreadUpward).
  bool (*spreadUpward)() = nullptr;
  // Asks the simulator for the aircraft within the radius (request 101, definition 404),
  // under simConnectMutex; false when the call failed.
  bool (*requestAcInRange)(SimLink& link, std::uint32_t radiusMetres) = nullptr;
  // Sends the touchdown control block (definition 401) of one object; false on failure.
  bool (*sendAiControls)(SimLink& link, std::uint32_t objectid, double spoilers, double throttle) = nullptr;
  // Sends the user position to the traffic source and re-accepts a source that dropped its
  // link; never blocks. Empty until the program's start of traffic sets it.
  void (*sendUserPosition)(TrafficEngine& engine) = nullptr;
  // Asks for the next user-aircraft block and returns the last one received.
  UserAcData (*getUserAcPosition)(SimLink& link) = nullptr;
  // Asks once for a new object's static CG block (request 102, definition 405), under
  // simConnectMutex; false when the call failed.
  bool (*requestStaticCg)(SimLink& link, std::uint32_t objectid) = nullptr;
  // Gives the object the flight plan file at the path, under simConnectMutex; false when
  // the call failed.
  bool (*assignFlightPlan)(SimLink& link, std::uint32_t objectid, const std::string& path) = nullptr;
  // The park airport's elevation, feet; none while no park airport is set.
  std::optional<double> (*parkAirportElevation)() = nullptr;
  // The park airport's position; none while no park airport is set (the approach).
  std::optional<LatLon> (*parkAirportPosition)() = nullptr;
  // The livery of a new live aircraft (the livery matching's gf_matchLivery): sets
  // liveryTitle, or leaves it empty when nothing matched; never one of the refused titles.
  void (*matchLivery)(LiveAc& aircraft, const std::unordered_set<std::string>& refused) = nullptr;
  // The livery title that the registration codes give to a registration; empty when none.
  std::string_view (*regcodeTitle)(std::string_view registration) = nullptr;
  // The livery of a static aircraft at its stand (gf_matchStaticLivery); false when none.
  bool (*matchStaticLivery)(StaticAc& aircraft, const ParkingPosition& stand,
                            const std::unordered_set<std::string>& refused) = nullptr;
  // Told of every removal asked for, before it is carried out, with the name of the
  // function that asked for it (which rule let the aircraft go); empty in the program.
  // Whoever watches the traffic's churn sets it.
  void (*removing)(const StaticAc& aircraft, std::string_view asker) = nullptr;
};

// The engine's copy of the user aircraft block, taken once a second; other threads read it.
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

struct TrafficEngine {
  explicit TrafficEngine(SimLink& simLink = g_simLink);
  TrafficEngine(const TrafficEngine&) = delete;
  TrafficEngine& operator=(const TrafficEngine&) = delete;

  SimLink& link;  // the simulator queues this engine fills
  EngineHooks hooks;

  std::atomic<std::int32_t> trafficTick{0};  // cycles since start; never reset
  ReportHandOver reports;                    // Traffic Reader -> engine
  SimResponseList responses;                 // "SimClient" thread -> engine

  std::vector<LiveAc> liveAcs;      // searched by hexid and objectid
  std::vector<SimEventAction> cycleEvents;  // the client events of one update of every aircraft
  std::vector<StaticAc> staticAcs;  // static parked aircraft
  std::vector<std::uint32_t> addingStack;   // hexids waiting to be sent; popped from the back
  std::deque<AiCreateAction> liveAddQueue;  // creations paced to the simulator
  std::deque<AiCreateAction> staticAddQueue;
  std::deque<std::uint32_t> removalQueue;      // object ids paced to the simulator
  std::deque<std::uint32_t> touchdownList;     // hexids spawned or touched down, each once
  std::vector<CreatedObject> createdObjects;   // answered creations settling
  std::vector<std::string> ghostCallsigns;
  std::unordered_map<std::uint32_t, std::string_view> hexidLiveries;  // livery kept per hexid
  std::unordered_map<std::uint32_t, std::uint32_t> spawnIdMap;
  bool landingInProgress = false;
  bool compactPending = false;  // a record was flagged for erasure outside updateLiveAc
  EngineUserAc userAc;
  std::atomic<WeekSlot> weekSlotNow{WeekSlot{}};

  // Reports refused for a non-finite value or a negative ground speed: logged once per hexid.
  std::unordered_set<std::uint32_t> badReportHexids;
  // Live aircraft taken off their stands because more live aircraft stood parked than the
  // static parking wants: while reported standing there they are not created parked again,
  // else each would come back at its next report and push the next longest parked one off.
  // An aircraft created moving leaves the set; leaving the park airport empties it.
  std::unordered_set<std::uint32_t> maxParkRemoved;
  // Models without a known wingspan met on leaving a stand: logged once per model id.
  std::unordered_set<std::uint16_t> unknownSpanModels;
  bool tablesReserved = false;
  // Running number of static aircraft, 0 to 9999: the hexid of the next one.
  std::uint32_t staticCounter = 0;

  // Parking limits (parking_limits.cpp); the parked list and the wanted count belong to
  // the static parking (g_liveParked, g_wantedStaticCount).
  float meanParkedHours = 0.0F;  // of the live aircraft; shown in the main window, 0 while none is parked
  std::optional<LatLon> lastStaticCheckUser;  // user position at the last static-collision check
};

extern TrafficEngine g_trafficEngine;

inline std::vector<LiveAc>& g_liveAcs = g_trafficEngine.liveAcs;
inline std::vector<StaticAc>& g_staticAcs = g_trafficEngine.staticAcs;
inline std::vector<std::uint32_t>& g_addingStack = g_trafficEngine.addingStack;
inline std::deque<AiCreateAction>& g_liveAddQueue = g_trafficEngine.liveAddQueue;
inline std::deque<AiCreateAction>& g_staticAddQueue = g_trafficEngine.staticAddQueue;
inline std::deque<std::uint32_t>& g_removalQueue = g_trafficEngine.removalQueue;
inline std::deque<std::uint32_t>& g_touchdownList = g_trafficEngine.touchdownList;
inline std::vector<CreatedObject>& g_createdObjects = g_trafficEngine.createdObjects;
inline std::vector<std::string>& g_ghostCallsigns = g_trafficEngine.ghostCallsigns;
inline std::unordered_map<std::uint32_t, std::string_view>& g_hexidLiveries = g_trafficEngine.hexidLiveries;
inline std::unordered_map<std::uint32_t, std::uint32_t>& g_spawnIdMap = g_trafficEngine.spawnIdMap;
inline bool& g_landingInProgress = g_trafficEngine.landingInProgress;
inline EngineUserAc& g_userAc = g_trafficEngine.userAc;
inline std::atomic<WeekSlot>& g_weekSlotNow = g_trafficEngine.weekSlotNow;
inline std::uint32_t& g_staticCounter = g_trafficEngine.staticCounter;
inline float& g_meanParkedHours = g_trafficEngine.meanParkedHours;

// Takes the slot as the current week slot unless its conversion failed (-1 fields).
void gf_setWeekSlotNow(WeekSlot slot, TrafficEngine& engine = g_trafficEngine);

// Appends a hexid to the touch-down list unless it is listed already.
void gf_addTouchdown(std::uint32_t hexid, TrafficEngine& engine);

// The records by hexid or object id; null when none.
LiveAc* gf_findLiveAc(TrafficEngine& engine, std::uint32_t hexid);
LiveAc* gf_findLiveAcByObjectId(TrafficEngine& engine, std::uint32_t objectid);
StaticAc* gf_findStaticAc(TrafficEngine& engine, std::uint32_t hexid);
StaticAc* gf_findStaticAcByObjectId(TrafficEngine& engine, std::uint32_t objectid);

// Reserves the tables (only the first call per engine does anything). Start of traffic.
void gf_reserveTrafficTables(TrafficEngine& engine = g_trafficEngine);

// Empties the engine's run state before a restart; the tick runs on.
void gf_resetTraffic(TrafficEngine& engine = g_trafficEngine);

}  // namespace vexo
