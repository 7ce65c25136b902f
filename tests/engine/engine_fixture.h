// A fresh engine on its own simulator link, driven cycle by cycle against the scripted
// simulator; after every scenario the traffic stops and the invariants are checked.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/engine_services.h"
#include "engine/report_intake.h"
#include "engine_dbase.h"
#include "foundation/settings.h"
#include "liveries/liveries_services.h"
#include "refdata/codes.h"
#include "scripted_sim.h"

namespace vexo::test {

// What the engine's ways out saw and give (plain function pointers: static state).
struct HookState {
  static inline int inRangeRequests = 0;
  static inline bool inRangeFails = false;
  static inline int userPositionsSent = 0;
  static inline std::optional<double> parkElevation;
  static inline UserAcData user;
  static inline int aiControls = 0;
  static void reset() {
    inRangeRequests = 0;
    inRangeFails = false;
    userPositionsSent = 0;
    parkElevation.reset();
    user = UserAcData{};
    aiControls = 0;
  }
};

// The livery every aircraft of an engine test gets, unless the simulator refused it: the
// engine's own tests need no livery index.
inline constexpr std::string_view g_fallbackLiveryTitle = "Boeing 737-800 Paint1";

class EngineTest : public ::testing::Test {
protected:
  EngineTest() : engine(link), sim(engine) {
    HookState::reset();
    EngineHooks& h = engine.hooks;
    h.clock100ns = [] { return std::int64_t{1'000'000}; };
    h.randomIndex = [](std::uint64_t) { return std::uint64_t{0}; };
    h.spreadUpward = [] { return true; };
    h.requestAcInRange = [](SimLink&, std::uint32_t) {
      ++HookState::inRangeRequests;
      return !HookState::inRangeFails;
    };
    h.sendAiControls = [](SimLink&, std::uint32_t, double, double) {
      ++HookState::aiControls;
      return true;
    };
    h.sendUserPosition = [](TrafficEngine&) { ++HookState::userPositionsSent; };
    h.requestStaticCg = [](SimLink&, std::uint32_t) { return true; };
    h.assignFlightPlan = [](SimLink&, std::uint32_t, const std::string&) { return true; };
    h.getUserAcPosition = [](SimLink&) { return HookState::user; };
    h.parkAirportElevation = [] { return HookState::parkElevation; };
    h.matchLivery = [](LiveAc& a, const std::unordered_set<std::string>& refused) {
      if (!refused.contains(std::string(g_fallbackLiveryTitle))) a.liveryTitle = g_fallbackLiveryTitle;
    };
    h.matchStaticLivery = [](StaticAc& a, const ParkingPosition&, const std::unordered_set<std::string>& refused) {
      if (!refused.contains(std::string(g_fallbackLiveryTitle))) a.liveryTitle = g_fallbackLiveryTitle;
      return !a.liveryTitle.empty();
    };
    link.userObjectId = 1;
    gf_reserveTrafficTables(engine);
  }
  void SetUp() override { loadEngineDbase(); }
  void TearDown() override {
    // The program empties it with the traffic reset; a test's refused liveries must not
    // keep the next test's aircraft from spawning.
    g_missingLiveries.clear();
    if (!checkInvariantsAtEnd) return;
    stopTrafficAndDrain();
    EXPECT_TRUE(sim.objects.empty()) << sim.objects.size() << " objects left in the simulator";
    for (const std::string& b : sim.breaches) ADD_FAILURE() << b;
    unloadEngineDbase();
  }

  // One engine cycle and the simulator frame after it.
  void cycle() {
    lf_handleAddingStack(engine);
    sim.frame();
  }
  void cycles(int n) {
    for (int i = 0; i < n; ++i) cycle();
  }
  // Cycles until the engine's tick is a multiple of m (the next cycle runs at it).
  void cyclesUntilTickMultipleOf(int m) {
    while (tick() % m != 0) cycle();
  }
  std::int32_t tick() const { return engine.trafficTick.load(); }

  // A report as the reader hands it over: due 30 s after now.
  LiveReport report(std::uint32_t hexid, std::string callsign, double time, double lat = 34.0, double lon = -118.0,
                    double altitude = 5000.0, double groundSpeed = 200.0, double track = 90.0,
                    std::string model = "B738") {
    LiveReport r;
    r.ident.callsign = std::move(callsign);
    r.ident.codes.modelId = gf_modelCode2Id(model);
    r.hexid = hexid;
    r.reportTime = time;
    r.pos.lat = lat;
    r.pos.lon = lon;
    r.pos.altitude = altitude;
    r.pos.groundSpeed = groundSpeed;
    r.pos.track = track;
    r.pos.speed = groundSpeed;
    r.pos.airborne = altitude > 0.0 ? 1 : 0;
    r.pos.dueTick = gf_addTicks(tick(), g_reportDelayTicks);
    return r;
  }
  // The same, due at once.
  LiveReport dueNow(LiveReport r) {
    r.pos.dueTick = tick();
    return r;
  }
  void handOver(LiveReport r) {
    std::lock_guard lock(engine.reports.mutex);
    gf_queueLiveReport(engine.reports, std::move(r));
  }
  // An aircraft that is active in the simulator: two reports, spawned, created, settled.
  LiveAc& activeAircraft(std::uint32_t hexid, std::string callsign, double altitude = 5000.0) {
    handOver(dueNow(report(hexid, callsign, 1000.0, 34.0, -118.0, altitude, altitude > 0 ? 200.0 : 10.0)));
    handOver(dueNow(report(hexid, callsign, 1010.0, 34.01, -118.0, altitude, altitude > 0 ? 200.0 : 10.0)));
    for (int i = 0; i < 600; ++i) {
      cycle();
      if (LiveAc* a = gf_findLiveAc(engine, hexid); a != nullptr && a->simState == SimState::active) return *a;
    }
    ADD_FAILURE() << "hexid " << hexid << " never became active";
    return *gf_findLiveAc(engine, hexid);
  }
  // Cycles until the simulator holds an object for the hexid (its answer is then on its
  // way: the next cycle takes it); returns the object id.
  std::uint32_t untilCreated(std::uint32_t hexid, std::string callsign, double altitude = 5000.0) {
    handOver(dueNow(report(hexid, callsign, 1000.0, 34.0, -118.0, altitude, altitude > 0 ? 200.0 : 10.0)));
    handOver(dueNow(report(hexid, callsign, 1010.0, 34.01, -118.0, altitude, altitude > 0 ? 200.0 : 10.0)));
    for (int i = 0; i < 200 && sim.objectOf(hexid) == 0; ++i) cycle();
    EXPECT_NE(sim.objectOf(hexid), 0u) << "hexid " << hexid << " was never created";
    return sim.objectOf(hexid);
  }
  LiveAc* find(std::uint32_t hexid) { return gf_findLiveAc(engine, hexid); }
  // The aircraft's positions fall due 10 s later: what follows its settling is the
  // settling's alone, not yet the movement's.
  void postponePositions(std::uint32_t hexid) {
    for (StreamPos& p : find(hexid)->stream) p.dueTick = gf_addTicks(p.dueTick, 1000);
  }

  // Traffic stops: every aircraft leaves the simulator, and the cycles run on until the
  // queues are drained.
  void stopTrafficAndDrain() {
    gf_takeLiveAcsOutOfSim(engine);
    for (StaticAc& s : engine.staticAcs)
      if (s.simState != SimState::removingfromsim) removeAircraftFromSim(s, engine);
    for (int i = 0; i < 20000 && !drained(); ++i) cycle();
    EXPECT_TRUE(drained()) << engine.liveAcs.size() << " live records left";
  }
  bool drained() const {
    return engine.liveAcs.empty() && engine.staticAcs.empty() && engine.addingStack.empty() &&
           engine.liveAddQueue.empty() && engine.staticAddQueue.empty() && engine.removalQueue.empty() &&
           engine.createdObjects.empty() && sim.objects.empty();
  }

  SimLink link;
  TrafficEngine engine;
  ScriptedSim sim;
  bool checkInvariantsAtEnd = true;
};

}  // namespace vexo::test
