// Static parking: how many parked aircraft the park airport wants, which learned flights
// fit which free stands for the current half hour, and on a renewal which of the placed
// static aircraft stay, leave or make way. The result is the candidate list, placed one by
// one from its end by the traffic engine (lf_detcs). Tick thread; the callsigns seen live
// are collected by the Traffic Reader in its own locked set.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "airports/parking_position.h"
#include "foundation/settings.h"
#include "foundation/time_text.h"
#include "refdata/ac_codes.h"

namespace vexo {

struct TrafficEngine;
struct StaticAc;
struct LiveAc;
extern TrafficEngine g_trafficEngine;

// One aircraft to be placed.
struct StaticCandidate {
  std::uint32_t sid = 0;
  std::uint32_t offset = 0;  // half hours before now that its flight was found
  AcCodes codes;
  std::string firstName;  // the flight's callsign
  std::string secondName;  // its callsign2
  std::string registration;
  std::uint8_t stays = 0;  // still at the stand in the next half hour
};

// A static aircraft a renewal keeps.
struct PlacedStatic {
  std::string callsign;
  std::string firstName;
  std::string secondName;
  std::string registration;
  AcCodes codes;
  std::uint32_t parkedDay = 0;
  std::uint32_t parkedSlot = 0;
  std::uint32_t sid = 0;
  std::uint8_t leaving = 0;  // its flight does not go on into the next half hour
};

struct StaticRemoval {
  std::string callsign;
  std::uint32_t sid = 0;
};

// A live aircraft parked at the park airport, sorted by minutes, fewest first.
struct LiveParkedEntry {
  std::string callsign;
  std::uint32_t sid = 0;
  std::int32_t minutes = 0;
};

struct StaticParkingState {
  std::vector<StaticCandidate> candidates;  // the last one is placed first
  std::vector<PlacedStatic> placed;
  std::vector<StaticRemoval> removals;
  std::vector<LiveParkedEntry> liveParked;
  std::unordered_set<std::string> seenCallsigns;  // seen live in the last collection window

  // A calculation or renewal runs: the park controls are locked. The UI thread reads it.
  std::atomic<bool> busy{false};
  // A park airport was just found: its file is read and its first calculation made on the
  // next static-parking tick.
  bool recalculationDue = false;
  std::int32_t wantedCount = 0;
  std::int32_t shownPercentage = 0;
  std::uint32_t realFitOffset = 0;   // how far back the last real search went
  std::int32_t softFitOffset = -1;   // the same for the last soft search; -1 after a real one
  bool softUsed = false;
  bool otherDaysUsed = false;
  float meanParkedHours = -1.0F;
  std::uint64_t fitTests = 0;  // flights tried against stands; shown by the benchmark
  // Disables (true) or enables the park controls of the main window; set by the program,
  // none in the subsystem's own tests.
  void (*parkControls)(bool lock) = nullptr;
};

extern StaticParkingState g_staticParkingState;

inline std::vector<StaticCandidate>& g_staticCandidates = g_staticParkingState.candidates;
inline std::vector<PlacedStatic>& g_placedStatics = g_staticParkingState.placed;
inline std::vector<StaticRemoval>& g_staticRemovals = g_staticParkingState.removals;
inline std::vector<LiveParkedEntry>& g_liveParked = g_staticParkingState.liveParked;
inline std::unordered_set<std::string>& g_seenCallsigns = g_staticParkingState.seenCallsigns;
inline std::int32_t& g_wantedStaticCount = g_staticParkingState.wantedCount;
inline std::atomic<bool>& g_parkBusy = g_staticParkingState.busy;

// Back to a fresh run (tests, restart).
void gf_resetStaticParkingState();

// A collection window of callsigns seen live: started here, filled by the Traffic Reader,
// and taken over (and ended) by the calculation.
void gf_startSeenCollection();
void lf_commitSeenCallsigns();

// The week slot offset half hours before now (weekday 7 before 1).
WeekSlot gf_weekSlotBack(WeekSlot now, std::uint32_t offset);
// Half hours from then back to now, modulo the week (0..335).
std::int32_t gf_slotsSince(WeekSlot then, WeekSlot now);

std::int64_t gf_wantedStaticCount();
WeekSlot lf_logDayTime(TrafficEngine& engine = g_trafficEngine);
void lf_markReservedStands(TrafficEngine& engine = g_trafficEngine);
// The first active static aircraft on each stand, by sid, as the engine holds them when
// made: one table per pass over the stands instead of a search of every static aircraft
// for every flight tried.
class StaticsBySid {
public:
  explicit StaticsBySid(const TrafficEngine& engine);
  // Those on the stands next to the stand, into out.
  void nextTo(const ParkingPosition& stand, std::vector<const StaticAc*>& out) const;

private:
  std::vector<const StaticAc*> bySid_;
};
// A blocked stand, or a helipad without helicopters, takes no flight at all.
inline bool lf_standTakesFlights(const ParkingPosition& stand) {
  return stand.blocked == 0 && (stand.heli == 0 || g_settings.HELICOPTERS.value);
}
// The flight's aircraft at the stand keeps clear of each of the static aircraft next to it.
bool lf_clearOfNeighbours(std::span<const StaticAc* const> neighbours, const ParkingPosition& stand,
                          const LearnedFlight& flight);
// neighbours: the active static aircraft next to the stand (StaticsBySid::nextTo), looked
// up once for all the flights of a stand. Defined here so that the stand search, which
// tries every flight of every free stand for each half hour back, has it inlined.
inline bool lf_flightFits(const LearnedFlight& flight, std::uint32_t real, std::uint32_t thisDay, std::uint32_t day,
                          std::uint32_t slot, const ParkingPosition& stand,
                          std::span<const StaticAc* const> neighbours) {
  if (flight.index == 0) return false;
  if (thisDay == 1 && flight.day != day) return false;
  if (real == 1 ? flight.real == 0 : flight.real == 1) return false;
  if (!flight.hh.test(slot)) return false;
  if (!lf_standTakesFlights(stand)) return false;
  return neighbours.empty() || lf_clearOfNeighbours(neighbours, stand, flight);
}
bool lf_flightInUse(const LearnedFlight& flight, TrafficEngine& engine = g_trafficEngine);
void lf_searchStands(WeekSlot now, std::uint32_t real, std::uint32_t thisDay, std::uint32_t offset,
                     std::vector<StaticCandidate>& out, TrafficEngine& engine = g_trafficEngine);
bool lf_searchMode(WeekSlot now, std::uint32_t real, std::uint32_t thisDay, std::int64_t wanted,
                   std::vector<StaticCandidate>& found, TrafficEngine& engine = g_trafficEngine);
void lf_searchByModes(WeekSlot now, std::int64_t wanted, std::int64_t occupied,
                      TrafficEngine& engine = g_trafficEngine);
// The first calculation at a new park airport.
void gf_calculateStaticParking(TrafficEngine& engine = g_trafficEngine);

// The renewal's review of the active static aircraft against the new candidates.
void lf_reviewStaticAircraft(WeekSlot now, TrafficEngine& engine = g_trafficEngine);
bool lf_staticStillFits(WeekSlot now, std::uint32_t sid, const StaticAc& aircraft);
void lf_keepOrReplace(WeekSlot now, const StaticAc& aircraft, std::size_t candidate);

// Gives a landed live aircraft the names of the flight learned for it.
void gf_matchLearnedFlight(WeekSlot now, LiveAc& aircraft);
// Static aircraft in the simulator (active or being removed); showMean updates the shown
// mean parked time.
std::int64_t gf_countStaticAircraft(bool showMean, TrafficEngine& engine = g_trafficEngine);

}  // namespace vexo
