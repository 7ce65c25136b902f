#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "airports/static_cycle.h"
#include "engine_fixture.h"
#include "park_airport_fixture.h"
#include "realtraffic/traffic_receiver.h"
#include "recording.h"
#include "test_support.h"

namespace vexo {
namespace {

using test::HookState;

class ReportIntake : public test::EngineTest {
protected:
  struct Pos {
    double dt, groundSpeed, track;
    bool airborne;
  };
  // Whether the second report reaches the stream of the aircraft the first one made.
  bool taken(Pos first, Pos second, std::int32_t stepsLeft = -1) {
    engine.liveAcs.clear();
    lf_takeLiveReport(at(first, 1000.0), engine);
    if (engine.liveAcs.size() != 1) return false;
    engine.liveAcs[0].stepsLeft = stepsLeft;
    lf_takeLiveReport(at(second, 1000.0 + second.dt), engine);
    return engine.liveAcs[0].stream.size() == 2;
  }
  LiveReport at(Pos p, double time) {
    // Each report a little further east: a report on the last position is one the stream never takes.
    return report(20001, "DLH1", time, 34.0, -118.0 + (time - 1000.0) * 0.001, p.airborne ? 5000.0 : 0.0,
                  p.groundSpeed, p.track);
  }
  void TearDown() override {
    engine.liveAcs.clear();
    test::EngineTest::TearDown();
  }
};

// The traffic reader passes on aircraft on the ground only within 5 nm of the park
// airport: reading the park airport's file hands the reader its position and elevation,
// leaving it takes them back.
TEST_F(ReportIntake, TheParkAirportsFileLetsItsGroundTrafficThroughTheReader) {
  test::ParkAirportFiles park{"KLAX"};
  park.read();
  RecordContext context = g_trafficReceiver.currentContext();
  ASSERT_TRUE(context.parkAirport.has_value());
  EXPECT_NEAR(context.parkAirport->position.lat, test::ParkAirportFiles::position().lat, 1e-9);
  EXPECT_NEAR(context.parkAirport->position.lon, test::ParkAirportFiles::position().lon, 1e-9);
  EXPECT_EQ(context.parkAirport->elevation, 125.0);
  context.refPosition = test::ParkAirportFiles::position();
  context.rangeNm = 40.0;
  {
    std::lock_guard lock(g_liveReportMutex);
    g_liveReportQueue.clear();
    g_trafficIntake = true;
  }
  // Standing at a gate of Los Angeles, taxiing there, and standing at Long Beach (15 nm away).
  struct Case {
    const char* record;
    RecordOutcome outcome;
  };
  const Case cases[] = {
      {"AITFC,854930,33.9404,-118.3844,0,0,1,81,0,VIV511,A20N,XA-VIQ,LAX,GDL,1592423552", RecordOutcome::accepted},
      {"AITFC,854931,33.9440,-118.4100,125,0,1,81,15,VIV512,A20N,XA-VIR,LAX,GDL,1592423552", RecordOutcome::accepted},
      {"AITFC,854932,33.8177,-118.1516,0,0,1,81,0,VIV513,A20N,XA-VIS,LGB,GDL,1592423552",
       RecordOutcome::groundAwayFromPark},
  };
  TrafficReceiver receiver;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    EXPECT_EQ(receiver.processDatagram(standin::gf_toTrafficRecord(c.record, 0.0), context), c.outcome);
  }
  gf_clearParkAirport(engine);
  EXPECT_FALSE(g_trafficReceiver.currentContext().parkAirport.has_value());
  std::lock_guard lock(g_liveReportMutex);
  g_liveReportQueue.clear();
  g_trafficIntake = false;
}

TEST_F(ReportIntake, ThinningRulesAtTheirBoundaries) {
  const struct {
    const char* what;
    Pos first, second;
    bool taken;
  } cases[] = {
      {"0.8 s later", {0, 200, 90, true}, {0.8, 200, 95, true}, false},
      {"1.0 s later", {0, 200, 90, true}, {1.0, 200, 95, true}, false},
      {"1.01 s later, turning", {0, 200, 90, true}, {1.01, 200, 95, true}, true},
      {"ten times faster", {0, 10, 90, true}, {5, 100, 95, true}, false},
      {"a little less", {0, 10, 90, true}, {5, 99.9, 95, true}, true},
      {"ten times slower", {0, 100, 90, true}, {5, 10, 95, true}, false},
      {"4 kt to 90 kt", {0, 4, 90, false}, {5, 90, 95, false}, false},
      {"5 kt to 80 kt", {0, 5, 90, false}, {5, 80, 95, false}, false},
      {"80 kt to 5 kt", {0, 80, 90, true}, {5, 5, 95, true}, false},
      {"cruise 200 kt, 4.37 s", {0, 200, 90, true}, {4.37, 200, 90, true}, false},
      {"cruise 200 kt, 4.38 s", {0, 200, 90, true}, {4.38, 200, 90, true}, true},
      {"cruise, track 1.0 off", {0, 200, 90, true}, {4.0, 200, 91, true}, false},
      {"cruise, track 1.01 off", {0, 200, 90, true}, {4.0, 200, 91.01, true}, true},
      {"120 kt is no cruise", {0, 120, 90, true}, {4.0, 120, 90, true}, true},
      {"taxi 10 kt, 3.88 s", {0, 10, 90, false}, {3.88, 10, 90, false}, false},
      {"taxi 10 kt, 3.89 s", {0, 10, 90, false}, {3.89, 10, 90, false}, true},
      {"standing, 15 s", {0, 0, 90, false}, {15.0, 0, 90, false}, false},
      {"standing, 15.01 s", {0, 0, 90, false}, {15.01, 0, 90, false}, true},
      {"taxi, track 2.0 off", {0, 10, 90, false}, {3.0, 10, 92, false}, false},
      {"taxi, track 2.01 off", {0, 10, 90, false}, {3.0, 10, 92.01, false}, true},
      {"30 kt, 1.29 s", {0, 30, 90, false}, {1.29, 30, 90, false}, false},
      {"30 kt, 1.3 s", {0, 30, 90, false}, {1.3, 30, 90, false}, true},
  };
  for (const auto& c : cases) EXPECT_EQ(taken(c.first, c.second), c.taken) << c.what;
  // While extrapolating, the straight cruise and taxi rules do not thin.
  EXPECT_TRUE(taken({0, 200, 90, true}, {2.0, 200, 90, true}, 1));
  EXPECT_TRUE(taken({0, 10, 90, false}, {2.0, 10, 90, false}, 1));
  EXPECT_FALSE(taken({0, 10, 90, false}, {2.0, 10, 90, false}, 0));
}

TEST_F(ReportIntake, ANewHexidUnderAKnownCallsignAndModelIsTheSameAircraft) {
  lf_takeLiveReport(report(20001, "DLH1", 1000.0), engine);
  lf_takeLiveReport(report(20002, "DLH1", 1005.0), engine);
  EXPECT_EQ(engine.liveAcs.size(), 1u);
  lf_takeLiveReport(report(20003, "DLH1", 1005.0, 34.0, -118.0, 5000.0, 200.0, 90.0, "A320"), engine);
  EXPECT_EQ(engine.liveAcs.size(), 2u);
  lf_takeLiveReport(report(20004, "", 1005.0), engine);  // no callsign: never a twin
  EXPECT_EQ(engine.liveAcs.size(), 3u);
}

TEST_F(ReportIntake, NearTheParkAirportsElevationNoAircraftIsMade) {
  HookState::parkElevation = 1200.0;
  const struct {
    double altitude;
    bool made;
  } cases[] = {{1250.0, false}, {1308.0, false}, {1092.0, false}, {1308.5, true}, {1400.0, true}, {0.0, true}};
  for (const auto& c : cases) {
    engine.liveAcs.clear();
    lf_takeLiveReport(report(20001, "DLH1", 1000.0, 34.0, -118.0, c.altitude, 150.0), engine);
    EXPECT_EQ(engine.liveAcs.size(), c.made ? 1u : 0u) << c.altitude;
  }
  // A buffered aircraft's report there is dropped too.
  lf_takeLiveReport(report(20001, "DLH1", 1010.0, 34.0, -118.0, 1250.0, 150.0, 95.0), engine);
  EXPECT_EQ(engine.liveAcs[0].stream.size(), 1u);
  HookState::parkElevation.reset();  // none: -1000 ft, so 1250 ft is far from it
  lf_takeLiveReport(report(20001, "DLH1", 1020.0, 34.0, -117.99, 1250.0, 150.0, 100.0), engine);
  EXPECT_EQ(engine.liveAcs[0].stream.size(), 2u);
}

TEST_F(ReportIntake, CategoriesModelsAndTheDbase) {
  auto& s = g_settings;
  s.HELICOPTERS.value = false;
  s.LIGHT_AIRCRAFT.value = false;
  lf_takeLiveReport(report(20001, "HEL1", 1000.0, 34.0, -118.0, 900.0, 90.0, 0.0, "EC35"), engine);
  lf_takeLiveReport(report(20002, "CES1", 1000.0, 34.0, -118.0, 900.0, 90.0, 0.0, "C172"), engine);
  lf_takeLiveReport(report(20003, "XXX1", 1000.0, 34.0, -118.0, 900.0, 90.0, 0.0, "ZZZZ"), engine);
  EXPECT_TRUE(engine.liveAcs.empty());
  s.HELICOPTERS.value = true;
  s.LIGHT_AIRCRAFT.value = true;
  lf_takeLiveReport(report(20001, "HEL1", 1000.0, 34.0, -118.0, 900.0, 90.0, 0.0, "EC35"), engine);
  EXPECT_EQ(engine.liveAcs.size(), 1u);

  LiveReport byRegistration = report(20004, "UAL12", 1000.0, 34.0, -118.0, 5000.0, 200.0, 90.0, "A320");
  byRegistration.ident.registration = "N12345";
  byRegistration.ident.auxName = "stale";
  lf_takeLiveReport(byRegistration, engine);
  const LiveAc& a = engine.liveAcs.back();
  EXPECT_EQ(a.codes.airlineId, gf_airlineCode2Id("UAL"));
  EXPECT_EQ(a.codes.operatorId, gf_airlineCode2Id("SKW"));
  EXPECT_EQ(a.codes.modelId, gf_modelCode2Id("B738"));
  EXPECT_EQ(a.previousCallsign, "UAL12");
  EXPECT_TRUE(a.auxName.empty());
  EXPECT_EQ(a.hexid, 20004u);
  EXPECT_EQ(a.maxClimbPerTick, 0.6);
}

TEST_F(ReportIntake, ReportsOfAircraftLeavingTheSimulatorAreDropped) {
  lf_takeLiveReport(report(20001, "DLH1", 1000.0), engine);
  for (const SimState state : {SimState::liveryrespawn, SimState::removingfromsim}) {
    engine.liveAcs[0].simState = state;
    lf_takeLiveReport(report(20001, "DLH1", 1100.0, 34.0, -118.0, 5000.0, 200.0, 120.0), engine);
    EXPECT_EQ(engine.liveAcs[0].stream.size(), 1u);
  }
  engine.liveAcs.clear();
}

TEST_F(ReportIntake, AReportWithAValueNotFiniteOrANegativeSpeedIsDroppedAndLoggedOncePerHexid) {
  test::LogCapture log;
  lf_takeLiveReport(report(20001, "DLH1", 1000.0), engine);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  LiveReport bad = report(20001, "DLH1", 1010.0, nan);
  lf_takeLiveReport(bad, engine);
  bad.pos.lat = 34.0;
  bad.pos.groundSpeed = -1.0;
  lf_takeLiveReport(bad, engine);
  bad.pos.groundSpeed = 200.0;
  bad.pos.roll = std::numeric_limits<double>::infinity();
  bad.pos.rollValid = 1;
  lf_takeLiveReport(bad, engine);
  LiveReport other = report(20002, "DLH2", nan);
  lf_takeLiveReport(other, engine);
  EXPECT_EQ(engine.liveAcs.size(), 1u);
  EXPECT_EQ(engine.liveAcs[0].stream.size(), 1u);
  EXPECT_EQ(engine.liveAcs[0].lastReportTime, 1000.0);
  const std::string text = log.text();
  std::size_t lines = 0;
  for (std::size_t at = text.find("dropped: a value is not finite"); at != std::string::npos;
       at = text.find("dropped: a value is not finite", at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u);  // once for each of the two hexids
  // A good report afterwards is taken.
  lf_takeLiveReport(report(20001, "DLH1", 1020.0, 34.0, -117.99, 5000.0, 200.0, 120.0), engine);
  EXPECT_EQ(engine.liveAcs[0].stream.size(), 2u);
}

TEST_F(ReportIntake, TheHandOverKeepsItsNewestReportsAndTheCycleLogsTheLoss) {
  test::LogCapture log;
  for (std::uint32_t i = 0; i < g_maxQueuedReports + 3; ++i) handOver(report(20001 + i, "", 1000.0));
  EXPECT_EQ(engine.reports.queue.size(), g_maxQueuedReports);
  EXPECT_EQ(engine.reports.queue.front().hexid, 20004u);
  cyclesUntilTickMultipleOf(100);
  cycle();
  EXPECT_TRUE(log.contains("    3 traffic reports dropped: more than 4000 were waiting"));
  std::lock_guard lock(engine.reports.mutex);
  engine.reports.queue.clear();
}

}  // namespace
}  // namespace vexo
