// The static parking cycle at Los Angeles, driven by the program's own tick loop on a fake
// steady clock: every 10 ms tick is one engine cycle answered by the scripted simulator,
// every hundredth a user-aircraft report (a work second), and the traffic clock moves
// 10 ms a tick from Wednesday 10:20 UTC.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../engine/engine_dbase.h"
#include "../engine/scripted_sim.h"
#include "airports/airport_locations.h"
#include "airports/airports_services.h"
#include "app/closing_down.h"
#include "app/program_hooks.h"
#include "app/tick_loop.h"
#include "app/window_requests.h"
#include "engine/engine_services.h"
#include "engine/learned_flight.h"
#include "fake_timer.h"
#include "foundation/main_window_state.h"
#include "foundation/paths.h"
#include "foundation/run_state.h"
#include "foundation/settings.h"
#include "foundation/status_line.h"
#include "foundation/time_text.h"
#include "platform/controls.h"
#include "realtraffic/traffic_receiver.h"
#include "refdata/airports_db.h"
#include "refdata/codes.h"
#include "run_flags.h"
#include "simlink/sim_link_state.h"
#include "test_support.h"

using namespace vexo;

namespace {

namespace fs = std::filesystem;

constexpr double g_wednesday1020 = 1796811600.0;  // Wed Dec 09 2026 10:20:00 UTC
constexpr LatLon g_klax{33.9425, -118.408};
constexpr std::string_view g_livery = "Airbus A320 Paint1";

std::atomic<double> g_trafficNow{0.0};
double lf_fakeTrafficTime() { return g_trafficNow.load(); }

class StaticParkingCycleTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("VDRK_APPDATA", (dir_.path() / "appdata").c_str(), 1);
    gf_resetUserPaths();
    fs::create_directories(gf_appFolder());
    test::resetAppRunFlags();
    gf_resetTickState();
    gf_clearWindowRequests();
    gf_resetTraffic();
    test::loadEngineDbase();
    AirportData klax;
    klax.icao = IcaoCode("KLAX");
    klax.latitude = g_klax.lat;
    klax.longitude = g_klax.lon;
    g_airportsDb.airports.push_back(klax);
    g_airportsDb.icaoSet.insert(klax.icao);
    g_airportsDb.sortAndIndex();
    fs::create_directories(g_myThirdpartyFolder);
    fs::copy_file(test::testdataDir() / ".." / ".." / "data" / "airports" / "KLAX.xml",
                  g_myThirdpartyFolder / "KLAX.xml");

    SettingsState& s = g_settings;
    s.RANDOM.value = false;
    s.MAX_PARK_SEL.value = 3;
    s.WEEK.value = false;
    s.PARK_SOFT.value = false;
    s.INITIAL_LOAD_ONLY.value = false;
    s.AUTO_RANGE.value = false;
    for (CheckboxSetting* c : {&s.COLLISION_USER_GND, &s.COLLISION_USER_AIR, &s.COLLISION_LIVE_PARKED_GND})
      c->value = false;

    savedHooks_ = g_trafficEngine.hooks;
    EngineHooks& h = g_trafficEngine.hooks;
    h.clock100ns = [] { return static_cast<std::int64_t>(g_trafficNow.load() * 1e7); };
    h.randomIndex = [](std::uint64_t) { return std::uint64_t{0}; };
    h.requestAcInRange = [](SimLink&, std::uint32_t) { return true; };
    h.requestStaticCg = [](SimLink&, std::uint32_t) { return true; };
    h.sendUserPosition = nullptr;
    h.getUserAcPosition = [](SimLink& link) { return link.userAc(); };
    h.matchStaticLivery = [](StaticAc& a, const ParkingPosition&, const std::unordered_set<std::string>&) {
      a.liveryTitle = g_livery;
      return true;
    };
    g_simLink.userObjectId = 1;
    gf_installProgramHooks();  // the park controls follow the static parking
    gf_setTrafficTimeSource(&lf_fakeTrafficTime);
    g_trafficNow = g_wednesday1020;
  }

  void TearDown() override {
    g_trafficEngine.hooks = savedHooks_;
    gf_setTrafficTimeSource(nullptr);
    g_staticParkingState.parkControls = nullptr;
    gf_resetTraffic();
    gf_resetAirportsState();
    g_airportsDb = AirportsDb{};
    test::unloadEngineDbase();
    gf_resetTickState();
    gf_clearWindowRequests();
    test::resetAppRunFlags();
    userAt(LatLon{0.0, 0.0}, true, 0.0);
    g_userOnGroundKnown = false;
    SettingsState& s = g_settings;
    s.RANDOM.value = true;
    s.MAX_PARK_SEL.value = s.MAX_PARK_SEL.defaultValue;
    for (CheckboxSetting* c : {&s.WEEK, &s.PARK_SOFT, &s.INITIAL_LOAD_ONLY, &s.AUTO_RANGE, &s.COLLISION_USER_GND,
                               &s.COLLISION_USER_AIR, &s.COLLISION_LIVE_PARKED_GND})
      c->value = c->defaultValue;
    s.DESTINATION.setValue("");
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }

  static void userAt(LatLon position, bool onGround, double altitude) {
    UserAcData data;
    data.latitude = position.lat;
    data.longitude = position.lon;
    data.altitude = altitude;
    {
      std::lock_guard lock(g_simLink.userAcMutex);
      g_simLink.userAcData = data;
    }
    g_userOnGround = onGround;
  }

  static LearnedFlight flight(const char* callsign, const char* registration, std::initializer_list<int> slots) {
    LearnedFlight f;
    f.codes.airlineId = g_airlinePool.find("DLH").value_or(0);
    f.codes.modelId = g_modelPool.find("A320").value_or(0);
    f.callsign = callsign;
    f.registration = registration;
    f.day = 3;
    f.real = 1;
    f.index = 1;
    for (const int s : slots) f.hh.set(static_cast<std::size_t>(s));
    return f;
  }

  // Flights learned on an earlier visit, in the park airport's learned file: four stands
  // far from each other and from the user.
  void learnOnAnEarlierVisit() {
    ASSERT_TRUE(gf_setParkAirport(IcaoCode("KLAX")));
    ASSERT_EQ(lf_readParkedFile(), "");
    std::vector<ParkingPosition*> picked;
    for (ParkingPosition& stand : g_stands) {
      if (stand.heli != 0 || gf_greatCircleNm(g_klax, {stand.latitude, stand.longitude}) < 0.2) continue;
      const bool apart = std::ranges::none_of(picked, [&](const ParkingPosition* p) {
        return gf_greatCircleNm({p->latitude, p->longitude}, {stand.latitude, stand.longitude}) < 0.3;
      });
      if (apart) picked.push_back(&stand);
      if (picked.size() == 4) break;
    }
    ASSERT_EQ(picked.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i) stands_[i] = picked[i]->sid;
    picked[0]->learnedFlights = {flight("DLH100", "D-AAAA", {20, 21})};  // here now and later
    picked[1]->learnedFlights = {flight("DLH200", "D-BBBB", {20}),        // gone at 10:30 ...
                                 flight("DLH201", "D-BBBC", {21})};       // ... for this one
    picked[2]->learnedFlights = {flight("DLH300", "D-CCCC", {20, 21})};   // flies live at 10:40
    picked[3]->learnedFlights = {flight("DLH400", "D-DDDD", {20})};       // one too many at 10:20
    gf_saveLearnedFile();
    lf_leaveParkAirport();
  }

  // The static aircraft in the simulator by stand: callsign per sid.
  std::map<std::uint32_t, std::string> staticsByStand() const {
    std::map<std::uint32_t, std::string> by;
    for (const StaticAc& s : g_staticAcs)
      if (s.simState == SimState::active) by[s.sid] = s.callsign;
    return by;
  }

  test::TempDir dir_;
  test::ScopedCwd cwd_{dir_.path()};
  test::LogCapture log_;
  test::FakeTimer fake_;
  platform::HeadlessControls controls_;
  platform::ScopedControls scoped_{controls_};
  EngineHooks savedHooks_;
  std::uint32_t stands_[4] = {};
};

}  // namespace

TEST_F(StaticParkingCycleTest, FoundOnTheGroundPlacedRenewedAndClearedOnLeaving) {
  learnOnAnEarlierVisit();
  const std::size_t logStart = log_.text().size();
  const auto logSince = [&] { return log_.text().substr(logStart); };
  userAt(g_klax, true, 120.0);
  g_userOnGroundKnown = true;
  g_flightRunning = true;

  test::ScriptedSim sim(g_trafficEngine);
  std::int64_t ticks = 0;
  std::int32_t lastWork = 0;
  std::string firstStatus;
  std::vector<std::int32_t> staticCreationTicks;
  std::map<std::uint32_t, std::string> afterPlacement;
  std::map<std::uint32_t, std::string> afterRenewal;
  bool unlockedAfterPlacement = false;
  std::function<void(std::int32_t)> onWork = [&](std::int32_t n) {
    if (n == 15) {
      EXPECT_TRUE(g_staticCandidates.empty()) << "nothing calculated before the static-parking tick";
      EXPECT_TRUE(g_parkBusy) << "controls locked from the moment the park airport is found";
    }
    if (n == 16) {
      EXPECT_TRUE(g_parkBusy);
      EXPECT_EQ(g_staticCandidates.size(), 3U) << "the first calculation: wanted 3 of 4 learned";
      EXPECT_EQ(test::readFile(g_myParkAirportsPath), "KLAX\n") << "found on the ground: now one of the user's";
    }
    if (n == 31) afterPlacement = staticsByStand();
    if (n == 33) {
      unlockedAfterPlacement = !g_parkBusy && controls_.isEnabled(cmd::now) && controls_.isEnabled(cmd::flushStatic);
      EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 20);
    }
    if (n == 1199) {
      EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 1);
    }
    if (n == 1201) {
      EXPECT_TRUE(g_parkNowRequest) << "the countdown asks for the renewal at 0";
      EXPECT_TRUE(g_parkBusy);
      EXPECT_EQ(g_statusLine.texts().status, "Vendrake_P3D will update static parking in 15 seconds ...");
    }
    if (n == 1220) {
      EXPECT_TRUE(g_trafficReceiver.collectCallsigns.load()) << "the renewal's collection runs";
      g_trafficReceiver.collectCallsign("DLH300");  // the Traffic Reader sees it live
    }
    if (n == 1229) {
      EXPECT_TRUE(g_tickState.parkSecondHalf);
    }
    if (n == 1245) {
      afterRenewal = staticsByStand();
      EXPECT_FALSE(g_parkBusy) << "unlocked once the renewal's candidates are placed";
    }
    if (n == 1300) userAt({34.9, -118.4}, false, 9000.0);  // teleported away, 58 nm
    if (n == 1313) gf_requestClosing(ExitReason::userClosedSim, 0);
  };
  fake_.onSleep = [&](SteadyTimer::TimePoint) {
    sim.frame();
    ++ticks;
    if (ticks == 1) firstStatus = g_statusLine.texts().status;
    g_trafficNow = g_wednesday1020 + static_cast<double>(ticks) * 0.01;
    if (ticks % 100 == 0) g_userAcReported = true;
    if (const std::int32_t n = g_workTick; n != lastWork) {
      lastWork = n;
      onWork(n);
    }
    for (std::size_t i = staticCreationTicks.size(); i < sim.creations.size(); ++i) {
      EXPECT_TRUE(sim.creations[i].callsign.ends_with("*")) << sim.creations[i].callsign;
      staticCreationTicks.push_back(sim.creationTicks[i]);
    }
  };

  lf_runTickLoop(fake_.timer());
  lf_closingDown(fake_.timer());

  EXPECT_EQ(firstStatus, "Calculating static parked aircraft ...");
  ASSERT_GE(staticCreationTicks.size(), 3U);
  EXPECT_EQ(staticCreationTicks[1] - staticCreationTicks[0], 50) << "one creation per pacing slot";
  EXPECT_EQ(staticCreationTicks[2] - staticCreationTicks[1], 50);
  EXPECT_EQ(afterPlacement, (std::map<std::uint32_t, std::string>{
                                {stands_[0], "DLH100*"}, {stands_[1], "DLH200*"}, {stands_[2], "DLH300*"}}));
  EXPECT_TRUE(unlockedAfterPlacement);
  // 10:40: DLH100 still fits and stays; DLH200 left its stand for DLH201; DLH300 flies
  // live and goes; DLH400 fills the third place.
  EXPECT_EQ(afterRenewal, (std::map<std::uint32_t, std::string>{
                              {stands_[0], "DLH100*"}, {stands_[1], "DLH201*"}, {stands_[3], "DLH400*"}}));
  EXPECT_EQ(sim.creations.size(), 5U) << "the kept aircraft was not created again";

  const std::string logged = logSince();
  EXPECT_NE(logged.find("KLAX"), std::string::npos);
  EXPECT_NE(logged.find("is out of sight"), std::string::npos);
  std::size_t saves = 0;
  for (auto at = logged.find("saved with"); at != std::string::npos; at = logged.find("saved with", at + 1)) ++saves;
  EXPECT_EQ(saves, 1U) << "saved on leaving, not again at closing";
  EXPECT_TRUE(g_staticAcs.empty());
  EXPECT_TRUE(sim.objects.empty()) << sim.objects.size() << " objects left in the simulator";
  for (const std::string& b : sim.breaches) ADD_FAILURE() << b;
  EXPECT_TRUE(g_parkAirport.icao.empty());
}

// The program closes while the user still stands at the park airport: its learned file is
// saved once and its static aircraft leave.
TEST_F(StaticParkingCycleTest, ClosingAtTheParkAirportSavesItsLearnedFileOnce) {
  learnOnAnEarlierVisit();
  const std::size_t logStart = log_.text().size();
  userAt(g_klax, true, 120.0);
  g_flightRunning = true;
  test::ScriptedSim sim(g_trafficEngine);
  std::int64_t ticks = 0;
  std::size_t placed = 0;
  fake_.onSleep = [&](SteadyTimer::TimePoint) {
    sim.frame();
    g_trafficNow = g_wednesday1020 + static_cast<double>(++ticks) * 0.01;
    if (ticks % 100 == 0) g_userAcReported = true;
    if (g_workTick == 40 && placed == 0) {
      placed = staticsByStand().size();
      gf_requestClosing(ExitReason::userClosedSim, 0);
    }
  };
  lf_runTickLoop(fake_.timer());
  lf_closingDown(fake_.timer());
  EXPECT_EQ(placed, 3U);
  const std::string logged = log_.text().substr(logStart);
  const auto saved = logged.find("saved with");
  EXPECT_NE(saved, std::string::npos);
  EXPECT_EQ(logged.find("saved with", saved + 1), std::string::npos);
  EXPECT_EQ(g_trafficEngine.removalQueue.size(), 3U) << "each static aircraft ordered out";
  EXPECT_TRUE(g_parkAirport.icao.empty());
  EXPECT_FALSE(g_airportsState.fileLoaded);
}
