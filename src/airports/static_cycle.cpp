// The static parking cycle: the static-parking tick, the first calculation at a park
// airport just found, the renewal, and leaving the park airport with or without removing
// its aircraft.
#include "airports/static_cycle.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "airports/airport_reader.h"
#include "airports/airports_state.h"
#include "airports/park_airports.h"
#include "engine/engine_services.h"
#include "engine/learned_flight.h"
#include "engine/sim_requests.h"
#include "engine/stands.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"
#include "foundation/log_flush.h"
#include "foundation/main_window_state.h"
#include "foundation/settings.h"
#include "foundation/status_line.h"
#include "realtraffic/traffic_receiver.h"
#include "simlink/sim_link_state.h"

namespace vexo {

namespace {

void lf_repaintPark(bool erase) { gf_invalidateMainWindow(g_parkRect, erase); }

// A live aircraft on the ground at the park airport on its way from a stand or at one.
bool lf_parkedOrLeavingStand(FlightState state) {
  switch (state) {
    case FlightState::parked:
    case FlightState::pushing_back:
    case FlightState::pushed_back:
    case FlightState::taxi:
    case FlightState::take_off:
      return true;
    default:
      return false;
  }
}

// Step 8 of the renewal: a kept aircraft whose flight ends now is placed again under the
// name of the flight that follows (its stays flag is clear), after the old one is removed.
void lf_replaceLeavingStatics(WeekSlot now) {
  for (auto it = g_placedStatics.begin(); it != g_placedStatics.end();) {
    if (it->leaving == 0) {
      ++it;
      continue;
    }
    const WeekSlot parked{static_cast<std::int32_t>(it->parkedDay), static_cast<std::int32_t>(it->parkedSlot)};
    // The placement takes the parked time as now less the offset: the offset is the time
    // since it was parked, not the slot it was parked in.
    const auto offset = static_cast<std::uint32_t>(gf_slotsSince(parked, now));
    g_staticCandidates.push_back(
        StaticCandidate{it->sid, offset, it->codes, it->firstName, it->secondName, it->registration, 0});
    g_staticRemovals.push_back(StaticRemoval{it->callsign, it->sid});
    it = g_placedStatics.erase(it);
  }
}

// Step 9: more aircraft than wanted. The candidates go first (the re-placed leaving
// aircraft, appended last, before the others), then the longest-parked static aircraft,
// and only then the longest-parked live aircraft.
void lf_dropExcess(std::int64_t wanted, TrafficEngine& engine) {
  std::int64_t excess = std::ssize(g_liveParked) + std::ssize(g_placedStatics) + std::ssize(g_staticCandidates) - wanted;
  for (; excess > 0; --excess) {
    if (!g_staticCandidates.empty()) {
      g_staticCandidates.pop_back();
    } else if (!g_placedStatics.empty()) {
      const PlacedStatic& last = g_placedStatics.back();
      g_staticRemovals.push_back(StaticRemoval{last.callsign, last.sid});
      g_placedStatics.pop_back();
    } else if (!g_liveParked.empty()) {
      const std::uint32_t sid = g_liveParked.back().sid;
      g_liveParked.pop_back();
      const auto live = std::ranges::find(engine.liveAcs, sid, &LiveAc::sid);
      if (live != engine.liveAcs.end()) removeAircraftFromSim(*live, engine);
    } else {
      break;
    }
  }
}

// Step 11: the static aircraft of the removals leave the simulator.
void lf_removeStatics(TrafficEngine& engine) {
  for (const StaticRemoval& removal : g_staticRemovals) {
    auto found = std::ranges::find_if(engine.staticAcs, [&](const StaticAc& ac) {
      return ac.sid == removal.sid && ac.callsign == removal.callsign;
    });
    if (found == engine.staticAcs.end()) found = std::ranges::find(engine.staticAcs, removal.sid, &StaticAc::sid);
    if (found == engine.staticAcs.end()) continue;
    if (found->simState == SimState::active || found->simState == SimState::removingfromsim)
      removeAircraftFromSim(*found, engine);
  }
  g_staticRemovals.clear();
}

}  // namespace

void lf_lockParkControls() {
  StaticParkingState& s = g_staticParkingState;
  s.busy = true;
  if (s.parkControls != nullptr) s.parkControls(true);
}

void lf_unlockParkControls() {
  StaticParkingState& s = g_staticParkingState;
  s.busy = false;
  g_mainWindowState.minutesToRenewal = 20;
  if (s.parkControls != nullptr) s.parkControls(false);
}

void lf_startStaticCalculation(bool announce) {
  g_staticParkingState.recalculationDue = true;
  lf_lockParkControls();
  gf_startSeenCollection();
  if (announce) gf_setStatus("Calculating static parked aircraft ...", false);
}

void gf_staticParkingTick(bool announce, TrafficEngine& engine) {
  StaticParkingState& s = g_staticParkingState;
  if (s.busy && g_staticCandidates.empty()) {
    lf_unlockParkControls();
    gf_clearStatus();
    const auto statics = gf_countStaticAircraft(true, engine);
    const auto parked = gf_countLiveParked(true, engine);
    g_mainWindowState.staticCount = static_cast<std::uint64_t>(statics);
    g_mainWindowState.parkedLive = parked;
    lf_repaintPark(true);
  }
  if (s.recalculationDue) {
    gf_clearStatus();
    s.recalculationDue = false;
    const std::string error = lf_readParkedFile();
    if (!error.empty()) {
      lf_unlockParkControls();
      gf_setStatus(error, true);
      lf_leaveParkAirport();
    } else {
      g_mainWindowState.minutesToRenewal = 20;
      gf_calculateStaticParking(engine);
    }
    g_settings.DESTINATION.enable();
    lf_flushLog();
    return;
  }
  const UserAcData user = g_simLink.userAc();
  if (std::abs(user.latitude) <= 0.0001 && std::abs(user.longitude) <= 0.0001) return;
  const LatLon position{user.latitude, user.longitude};
  gf_sortParkAirports(position);
  if (!g_parkAirport.icao.empty())
    lf_watchParkAirport(position, engine);
  else
    lf_findParkAirport(position, announce);
}

void gf_adjustStaticParking(TrafficEngine& engine) {
  StaticParkingState& s = g_staticParkingState;
  const WeekSlot now = lf_logDayTime(engine);
  lf_commitSeenCallsigns();
  s.softUsed = false;
  s.otherDaysUsed = false;
  g_mainWindowState.softMode = false;
  g_mainWindowState.weekMode = false;
  lf_repaintPark(false);

  g_staticRemovals.clear();
  g_placedStatics.clear();
  g_liveParked.clear();
  g_staticCandidates.clear();

  for (ParkingPosition& stand : g_stands) {
    stand.used = 0;
    stand.reserved = 0;
    stand.blocked = 0;
    std::uint32_t index = 0;
    for (LearnedFlight& flight : stand.learnedFlights) flight.index = ++index;
  }
  lf_markReservedStands(engine);

  const std::int64_t wanted = gf_wantedStaticCount();
  gf_collectLiveParked(engine);
  if (wanted > 0 && std::ssize(g_liveParked) > wanted) {
    const std::int64_t more = std::ssize(g_liveParked) - wanted;
    gf_setStatus(fmt::format("Parking adjustments: {} more live ac than wanted", more), true);
    gf_removeLiveParked(static_cast<std::uint64_t>(more), engine);
    g_liveParked.clear();
    gf_collectLiveParked(engine);
  }
  for (const LiveParkedEntry& entry : g_liveParked) {
    if (ParkingPosition* stand = gf_standBySid(entry.sid)) gf_markStandAndNeighbours(*stand);
  }
  const std::int64_t occupied = std::ssize(g_liveParked);
  if (wanted != occupied) lf_searchByModes(now, wanted, occupied, engine);

  lf_reviewStaticAircraft(now, engine);
  lf_replaceLeavingStatics(now);
  lf_dropExcess(wanted, engine);

  std::ranges::sort(g_staticCandidates, std::ranges::greater{}, &StaticCandidate::offset);
  gf_setStatus(fmt::format("Parking adjustments: {} to be removed, {} to be added\n", g_staticRemovals.size(),
                           g_staticCandidates.size()),
               true);
  lf_removeStatics(engine);
}

void gf_clearParkAirport(TrafficEngine& engine) {
  g_staticCandidates.clear();
  engine.maxParkRemoved.clear();
  gf_removeAllStatic(engine);
  bool erase = false;
  for (LiveAc& aircraft : engine.liveAcs) {
    if (!lf_parkedOrLeavingStand(aircraft.flightState)) continue;
    if (aircraft.simState == SimState::active || aircraft.simState == SimState::adding2sim)
      removeAircraftFromSim(aircraft, engine);
    aircraft.standLat = 0.0;
    aircraft.standLon = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.sid = 0;
    aircraft.standFlag = 0;
    erase = erase || aircraft.eraseFromBuffer != 0 || aircraft.eraseWithdrawn != 0;
  }
  if (erase) std::erase_if(engine.liveAcs, [](const LiveAc& a) { return a.eraseFromBuffer != 0 || a.eraseWithdrawn != 0; });
  lf_leaveParkAirport();
}

void lf_leaveParkAirport() {
  AirportsState& a = g_airportsState;
  SettingsState& settings = g_settings;
  if (a.fileLoaded) {
    gf_saveLearnedFile();
    gf_restoreAirportSettings();
  }
  a.handmadeFile = false;
  a.fileLoaded = false;

  if (!settings.INITIAL_LOAD_ONLY.value) settings.nowButton.disable();
  settings.flushStaticButton.disable();
  MainWindowState& w = g_mainWindowState;
  w.stands = 0;
  w.trafficWeek = 0;
  w.updatesCount = 0;
  w.handmade = false;
  gf_invalidateMainWindow(g_parkRect, true);

  a.parkAirport = AirportData{};
  a.parkAirportId = IcaoCode();
  a.parkAirportSet = false;
  w.parkAirportSet = false;
  w.updateTexts([](ShownTexts& t) { t.parkAirportName.clear(); });
  g_trafficReceiver.setParkAirportElevation(std::nullopt);
  g_trafficReceiver.setParkAirport(std::nullopt);

  if (w.staticCount != 0) w.staticCount = 0;
  g_staticRemovals.clear();
  g_staticCandidates.clear();
  gf_clearStands();
  a.reservedStand.clear();
  a.fileOk = false;
  w.parkAirportValid = false;
  w.reservedStandValid = false;
  w.updateTexts([](ShownTexts& t) {
    t.parkAirportPublisher.clear();
    t.qualityFactor.clear();
    t.parkAirportLine.clear();
    t.reservedStand.clear();
  });
  g_airportFileUpdates = 0;
  lf_repaintPark(true);
}

void gf_resetParkAirportForRestart() {
  AirportsState& a = g_airportsState;
  a.parkAirport = AirportData{};
  a.parkAirportId = IcaoCode();
  a.parkAirportSet = false;
  a.fileLoaded = false;
  a.fileOk = false;
  a.handmadeFile = false;
  a.reservedStand.clear();
  a.lastSortPosition.reset();
  gf_clearStands();
  g_trafficReceiver.setParkAirportElevation(std::nullopt);
  g_trafficReceiver.setParkAirport(std::nullopt);
  gf_resetStaticParkingState();
  g_airportFileUpdates = 0;
  MainWindowState& w = g_mainWindowState;
  w.parkAirportSet = false;
  w.parkAirportValid = false;
  w.stands = 0;
  w.staticCount = 0;
  lf_repaintPark(true);
}

}  // namespace vexo
