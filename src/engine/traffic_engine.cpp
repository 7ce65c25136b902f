#include "engine/traffic_engine.h"
#include "liveries/livery_index.h"
#include "liveries/livery_matching.h"

#include <algorithm>
#include <chrono>

#include "airports/airports_services.h"
#include "engine/engine_hooks.h"
#include "foundation/random.h"
#include "liveries/liveries_services.h"
#include "refdata/airports_db.h"
#include "realtraffic/traffic_receiver.h"
#include "simlink/sim_vocabulary.h"
#include "simlink/user_aircraft.h"

namespace vexo {

TrafficEngine g_trafficEngine;

ReportHandOver& g_liveReportHandOver = g_trafficEngine.reports;
std::mutex& g_liveReportMutex = g_trafficEngine.reports.mutex;
std::deque<LiveReport>& g_liveReportQueue = g_trafficEngine.reports.queue;
bool& g_trafficIntake = g_trafficEngine.reports.intake;
std::atomic<std::int32_t>& g_trafficTick = g_trafficEngine.trafficTick;
SimResponseList& g_simResponseList = g_trafficEngine.responses;

namespace {

// 100 ns units of the steady clock: only differences of it are ever used.
std::int64_t lf_clock100ns() {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
  return std::chrono::duration_cast<Ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool lf_requestAcInRange(SimLink& link, std::uint32_t radiusMetres) {
  std::lock_guard lock(link.simConnectMutex);
  constexpr std::uint32_t aircraftType = 2;
  return gf_succeeded(SimConnect_RequestDataOnSimObjectType(link.hSimConnect, RequestId::aircraftInRange,
                                                            DataDefinitionId::aircraftInRange, radiusMetres,
                                                            aircraftType));
}

bool lf_sendAiControls(SimLink& link, std::uint32_t objectid, double spoilers, double throttle) {
  const double block[3] = {spoilers, throttle, throttle};
  std::lock_guard lock(link.simConnectMutex);
  return gf_succeeded(SimConnect_SetDataOnSimObject(link.hSimConnect, DataDefinitionId::aiControls, objectid, 0, 0,
                                                    sizeof block, block));
}

bool lf_requestStaticCg(SimLink& link, std::uint32_t objectid) {
  std::lock_guard lock(link.simConnectMutex);
  return gf_succeeded(SimConnect_RequestDataOnSimObject(link.hSimConnect, RequestId::staticCg,
                                                        DataDefinitionId::staticCg, objectid, SimConnectPeriod::ONCE));
}

bool lf_assignFlightPlan(SimLink& link, std::uint32_t objectid, const std::string& path) {
  std::lock_guard lock(link.simConnectMutex);
  return gf_succeeded(
      SimConnect_AISetAircraftFlightPlan(link.hSimConnect, objectid, path.c_str(), RequestId::aiFlightPlan));
}

UserAcData lf_getUserAcPosition(SimLink& link) { return gf_getUserAcPosition(link); }

std::optional<double> lf_parkAirportElevation() { return g_trafficReceiver.parkAirportElevation(); }

std::optional<LatLon> lf_parkAirportPosition() {
  if (!g_parkAirportSet.load()) return std::nullopt;
  const IcaoCode icao = g_parkAirportId.load();
  const auto& table = g_airportsDb.airports;
  const auto it = std::lower_bound(table.begin(), table.end(), icao,
                                   [](const AirportData& a, const IcaoCode& code) { return a.icao < code; });
  if (it == table.end() || it->icao != icao) return std::nullopt;
  return it->latLon();
}

template <class Record>
Record* lf_find(std::vector<Record>& table, std::uint32_t Record::*key, std::uint32_t value) {
  const auto it = std::find_if(table.begin(), table.end(), [&](const Record& r) { return r.*key == value; });
  return it == table.end() ? nullptr : &*it;
}

}  // namespace

TrafficEngine::TrafficEngine(SimLink& simLink) : link(simLink) {
  hooks.clock100ns = lf_clock100ns;
  hooks.randomIndex = gf_randomIndex;
  hooks.spreadUpward = gf_spreadUpward;
  hooks.requestAcInRange = lf_requestAcInRange;
  hooks.sendAiControls = lf_sendAiControls;
  hooks.getUserAcPosition = lf_getUserAcPosition;
  hooks.requestStaticCg = lf_requestStaticCg;
  hooks.assignFlightPlan = lf_assignFlightPlan;
  hooks.parkAirportElevation = lf_parkAirportElevation;
  hooks.parkAirportPosition = lf_parkAirportPosition;
  hooks.matchLivery = [](LiveAc& aircraft, const std::unordered_set<std::string>& refused) {
    gf_matchLivery(aircraft, refused);
  };
  hooks.regcodeTitle = [](std::string_view registration) {
    const auto& titles = g_liveryIndex.regcodeTitles;
    const auto found = titles.find(registration);
    return found == titles.end() ? std::string_view{} : found->second;
  };
  hooks.matchStaticLivery = [](StaticAc& aircraft, const ParkingPosition& stand,
                               const std::unordered_set<std::string>& refused) {
    return gf_matchStaticLivery(aircraft, stand, refused);
  };
}

void gf_setWeekSlotNow(WeekSlot slot, TrafficEngine& engine) {
  if (slot.weekday < 1 || slot.halfHour < 0) return;
  engine.weekSlotNow.store(slot);
}

void gf_addTouchdown(std::uint32_t hexid, TrafficEngine& engine) {
  auto& list = engine.touchdownList;
  if (std::find(list.begin(), list.end(), hexid) == list.end()) list.push_back(hexid);
}

LiveAc* gf_findLiveAc(TrafficEngine& engine, std::uint32_t hexid) {
  return lf_find<LiveAc>(engine.liveAcs, &LiveAc::hexid, hexid);
}

LiveAc* gf_findLiveAcByObjectId(TrafficEngine& engine, std::uint32_t objectid) {
  if (objectid == 0) return nullptr;
  return lf_find<LiveAc>(engine.liveAcs, &LiveAc::objectid, objectid);
}

StaticAc* gf_findStaticAc(TrafficEngine& engine, std::uint32_t hexid) {
  return lf_find<StaticAc>(engine.staticAcs, &StaticAc::hexid, hexid);
}

StaticAc* gf_findStaticAcByObjectId(TrafficEngine& engine, std::uint32_t objectid) {
  if (objectid == 0) return nullptr;
  return lf_find<StaticAc>(engine.staticAcs, &StaticAc::objectid, objectid);
}

void gf_reserveTrafficTables(TrafficEngine& engine) {
  if (engine.tablesReserved) return;
  engine.tablesReserved = true;
  engine.liveAcs.reserve(512);
  engine.cycleEvents.reserve(2048);
  engine.staticAcs.reserve(256);
  engine.responses.responses.reserve(256);
  engine.responses.taken.reserve(256);
  engine.createdObjects.reserve(128);
  engine.addingStack.reserve(64);
  engine.ghostCallsigns.reserve(64);
  engine.link.simPositionQueue.reserve(512);
}

void gf_resetTraffic(TrafficEngine& engine) {
  gf_clearSimResponses(engine.responses);
  engine.createdObjects.clear();
  engine.ghostCallsigns.clear();
  engine.hexidLiveries.clear();
  engine.addingStack.clear();
  engine.removalQueue = {};
  engine.liveAddQueue = {};
  engine.staticAddQueue = {};
  engine.staticAcs.clear();
  {
    std::lock_guard lock(engine.reports.mutex);
    engine.reports.queue.clear();
    engine.reports.dropped = 0;
  }
  engine.landingInProgress = false;
  engine.compactPending = false;
  engine.liveAcs.clear();
  engine.touchdownList.clear();
  engine.badReportHexids.clear();
  engine.maxParkRemoved.clear();
  engine.meanParkedHours = 0.0F;
  engine.lastStaticCheckUser.reset();
  g_qnh.store(g_standardQnh);
  engine.weekSlotNow.store(WeekSlot{});
  g_missingLiveries.clear();
  // The airports' part of the run: the park airport, its stands and the static parking.
  gf_resetParkAirportForRestart();
}

}  // namespace vexo
