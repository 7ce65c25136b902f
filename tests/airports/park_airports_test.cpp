#include "airports/park_airports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "airports/airport_locations.h"
#include "airports_fixture.h"
#include "foundation/main_window_state.h"
#include "foundation/paths.h"
#include "simlink/sim_link_state.h"

namespace vexo::test {
namespace {

namespace fs = std::filesystem;

class ParkAirportsTest : public AirportsTest {
protected:
  void SetUp() override {
    AirportsTest::SetUp();
    fs::create_directories(g_myThirdpartyFolder);
    g_userOnGround = false;
    g_userOnGroundKnown = false;
  }
  void TearDown() override {
    user(0.0, 0.0, 0.0);
    g_userOnGround = false;
    g_userOnGroundKnown = false;
    AirportsTest::TearDown();
  }
  static void user(double lat, double lon, double altitude) {
    UserAcData data;
    data.latitude = lat;
    data.longitude = lon;
    data.altitude = altitude;
    std::lock_guard lock(g_simLink.userAcMutex);
    g_simLink.userAcData = data;
  }
  static std::vector<std::string> listed() {
    std::lock_guard lock(g_parkAirportsMutex);
    std::vector<std::string> entries;
    for (const auto& e : g_parkAirports) entries.push_back(e.icao.str() + (e.reservedStand.empty() ? "" : "," + e.reservedStand));
    return entries;
  }
  static void installKlax() {
    fs::copy_file(testdataDir() / ".." / ".." / "data" / "airports" / "KLAX.xml", g_myThirdpartyFolder / "KLAX.xml");
  }
};

TEST_F(ParkAirportsTest, TheListComesFromTheFileAndTheFolder) {
  writeFile(g_myParkAirportsPath, "\xEF\xBB\xBF" "EGLL,B32,X\r\negll , 12\r\n\r\nEGLL\nZZZZ\nKSMO\n");
  writeFile(g_myThirdpartyFolder / "KLAX.xml", "");
  writeFile(g_myThirdpartyFolder / "README.txt", "");
  writeFile(g_myThirdpartyFolder / "KSMO.txt", "");
  EXPECT_FALSE(lf_readMyParkAirports()) << "ZZZZ is unknown";
  EXPECT_EQ(listed(), (std::vector<std::string>{"EGLL,12", "KSMO", "KLAX"}));
  EXPECT_TRUE(log_.contains("my_park_airports.txt:EGLL,B32,X\r wrong syntax, skipped") ||
              log_.contains("my_park_airports.txt:EGLL,B32,X wrong syntax, skipped"));
  EXPECT_TRUE(log_.contains("my_park_airports.txt:EGLL double, skipped")) << "codes compare upper-cased";
  writeFile(g_myParkAirportsPath, "KSMO\nEGL\nEHAM\n");
  EXPECT_FALSE(lf_readMyParkAirports());
  EXPECT_EQ(listed(), (std::vector<std::string>{"KSMO"})) << "an invalid code stops the reading there";
  fs::remove(g_myParkAirportsPath);
  EXPECT_TRUE(lf_readMyParkAirports());
  auto folderOnly = listed();
  std::ranges::sort(folderOnly);
  EXPECT_EQ(folderOnly, (std::vector<std::string>{"KLAX", "KSMO"})) << "the file missing, the folder still counts";
}

TEST_F(ParkAirportsTest, WritingAnEntryKeepsTheFileSortedAndItsGeneration) {
  gf_addParkAirport(IcaoCode("KSMO"), {34.0, -118.4});
  EXPECT_EQ(readFile(g_myParkAirportsPath), "KSMO\n");
  EXPECT_TRUE(log_.contains("my_park_airports.txt created with KSMO"));
  writeFile(g_myParkAirportsPath, "egll,B1\nKSMO\n");
  gf_addParkAirport(IcaoCode("EGLL"), {51.4, -0.4});
  EXPECT_EQ(readFile(g_myParkAirportsPath), "EGLL\nKSMO\n") << "the line of egll is EGLL's line";
  {
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports.front().reservedStand = "A5";
  }
  gf_addToMyParkAirports();
  EXPECT_EQ(readFile(g_myParkAirportsPath), "EGLL,A5\nKSMO\n");
  EXPECT_EQ(readFile("airports/my_park_airports0.txt"), "EGLL\nKSMO\n");
  EXPECT_TRUE(log_.contains("my_park_airports.txt:EGLL,A5 updated stand"));
  gf_addParkAirport(IcaoCode("KSMO"), {34.0, -118.4});
  EXPECT_EQ(listed(), (std::vector<std::string>{"KSMO", "EGLL,A5"})) << "moved to the front, file unchanged";
  EXPECT_EQ(readFile(g_myParkAirportsPath), "EGLL,A5\nKSMO\n");
}

TEST_F(ParkAirportsTest, TheListIsOrderedByDistanceUnlessADestinationIsSet) {
  writeFile(g_myParkAirportsPath, "EHAM\nKLAX\nKSMO\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  gf_sortParkAirports({34.0, -118.45});
  EXPECT_EQ(listed(), (std::vector<std::string>{"KSMO", "KLAX", "EHAM"}));
  g_settings.DESTINATION.setValue("EHAM");
  gf_addParkAirport(IcaoCode("EHAM"), {52.3, 4.76});
  gf_sortParkAirports({33.9, -118.4});
  EXPECT_EQ(listed().front(), "EHAM");
}

// Equal distances keep the list's order, and at the same user position the order is not
// computed again.
TEST_F(ParkAirportsTest, TheOrderKeepsEqualDistancesAndStaysAtTheSamePosition) {
  airport("TSTA", 10.0, 0.1, 1);
  airport("TSTB", 10.0, 0.1, 1);
  airport("TSTC", 10.0, 0.2, 1);
  g_airportsDb.sortAndIndex();
  writeFile(g_myParkAirportsPath, "TSTB\nTSTC\nTSTA\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  gf_sortParkAirports({10.0, 0.0});
  EXPECT_EQ(listed(), (std::vector<std::string>{"TSTB", "TSTA", "TSTC"}));
  gf_addParkAirport(IcaoCode("TSTC"), {10.0, 0.2});
  gf_sortParkAirports({10.0, 0.0});
  EXPECT_EQ(listed().front(), "TSTC") << "the same position: the order stays";
  gf_sortParkAirports({10.0, 1e-7});
  EXPECT_EQ(listed(), (std::vector<std::string>{"TSTB", "TSTA", "TSTC"}));
}

TEST_F(ParkAirportsTest, AirborneTheFrontEntryInRangeBecomesTheParkAirport) {
  writeFile(g_myParkAirportsPath, "KSMO\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  const double lat = 34.0158;
  const struct {
    double nm;
    double altitude;
    bool set;
  } cases[] = {{20.1, 3000, false}, {20.0 * (1 - 1e-12), 3000, true}, {10.0, 18001, false}, {10.0, 18000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nm);
    gf_resetAirportsState();
    ASSERT_TRUE(lf_readMyParkAirports());
    const LatLon at{lat + c.nm / 60.0, -118.451};
    user(at.lat, at.lon, c.altitude);
    EXPECT_EQ(lf_findParkAirport(at, false), c.set);
    EXPECT_EQ(g_parkAirport.icao == IcaoCode("KSMO"), c.set);
  }
  // In sight, but another entry in sight is as near: the park airport is left.
  gf_addParkAirport(IcaoCode("KLAX"), {33.9425, -118.408});
  const LatLon nearKlax{33.95, -118.41};
  user(nearKlax.lat, nearKlax.lon, 3000);
  lf_watchParkAirport(nearKlax);
  EXPECT_TRUE(g_parkAirport.icao.empty());
  EXPECT_TRUE(log_.contains("KLAX is in sight"));
}

// An airport exactly AIRP_RANGE away is in sight; the next distance the arithmetic can give
// beyond it is not.
TEST_F(ParkAirportsTest, AirborneAnAirportExactlyAtTheRangeIsInSight) {
  // An airport on the equator and a user due east of it whose distance computes to exactly
  // 20 nm: the rounding of the computation decides which positions do, so one is looked for.
  double airportLon = 0.0;
  double userLon = 0.0;
  for (int k = 0; k < 2000 && gf_greatCircleNm({0.0, userLon}, {0.0, airportLon}) != 20.0; ++k) {
    airportLon = 0.0001 * k;
    userLon = airportLon + 20.0 / 60.0;
  }
  ASSERT_EQ(gf_greatCircleNm({0.0, userLon}, {0.0, airportLon}), 20.0);
  airport("TSTA", 0.0, airportLon, 1);
  g_airportsDb.sortAndIndex();
  ASSERT_EQ(g_settings.AIRP_RANGE.value.load(), 20);
  // The nearest positions that compute to just below and just above 20 nm.
  const auto stepTo = [&](double toward, auto past) {
    double lon = userLon;
    while (!past(gf_greatCircleNm({0.0, lon}, {0.0, airportLon}))) lon = std::nextafter(lon, toward);
    return lon;
  };
  const double below = stepTo(0.0, [](double nm) { return nm < 20.0; });
  const double above = stepTo(1.0, [](double nm) { return nm > 20.0; });
  const struct {
    double lon;
    bool set;
  } cases[] = {{below, true}, {userLon, true}, {above, false}};
  for (const auto& c : cases) {
    const LatLon at{0.0, c.lon};
    SCOPED_TRACE(gf_greatCircleNm(at, {0.0, airportLon}) - 20.0);
    gf_resetAirportsState();
    gf_addParkAirport(IcaoCode("TSTA"), {0.0, airportLon});
    user(at.lat, at.lon, 3000);
    EXPECT_EQ(lf_findParkAirport(at, false), c.set);
    EXPECT_EQ(g_parkAirport.icao == IcaoCode("TSTA"), c.set);
    // Once set, the park airport at that distance stays in sight.
    if (c.set) lf_watchParkAirport(at);
    EXPECT_EQ(g_parkAirport.icao == IcaoCode("TSTA"), c.set);
  }
}

TEST_F(ParkAirportsTest, OnTheGroundTheAirportWithAFileBecomesTheParkAirportWithTheReservedStand) {
  installKlax();
  for (AirportData& a : g_airportsDb.airports) a.stands = 0;  // no archived files
  g_userOnGround = true;
  user(34.5, -118.0, 100);
  EXPECT_FALSE(lf_findParkAirport({34.5, -118.0}, true));
  EXPECT_TRUE(log_.contains("User aircraft on the ground, no RT supported airport in sight"));
  EXPECT_FALSE(lf_findParkAirport({51.4775, -0.4614}, true));
  EXPECT_TRUE(log_.contains("User aircraft on the ground at EGLL, no airport file found"));
  ASSERT_TRUE(lf_findParkAirport({33.9416, -118.4092}, true));
  EXPECT_EQ(g_parkAirport.icao, IcaoCode("KLAX"));
  writeFile(g_myParkAirportsPath, "KLAX,T4-44\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  EXPECT_EQ(lf_readParkedFile(), "");
  EXPECT_EQ(g_stands.size(), 255U);
  // The main window's park band is drawn only with its first line: the airport as shown,
  // then the name and publisher from its file.
  {
    const ShownTexts shown = g_mainWindowState.texts();
    EXPECT_EQ(shown.parkAirportLine, gf_airportText(g_parkAirport));
    EXPECT_EQ(shown.parkAirportName, "Los Angeles International");
    EXPECT_EQ(shown.parkAirportPublisher, "terraGIT");
    EXPECT_TRUE(g_mainWindowState.parkAirportValid);
  }
  EXPECT_EQ(g_reservedStand, "T4-44");
  EXPECT_EQ(g_stands[1].reserved, 1);
  EXPECT_EQ(gf_reservedStandName(), "T4-44");
  // Read again with the user on the ground but at no stand: his reserved stand stays.
  g_userOnGroundKnown = true;
  user(33.0, -118.0, 100);
  EXPECT_EQ(lf_readParkedFile(), "");
  EXPECT_EQ(g_reservedStand, "T4-44");
  EXPECT_EQ(readFile(g_myParkAirportsPath), "KLAX,T4-44\n");
  g_userOnGroundKnown = false;
  // The user chose another stand in the file; re-reading takes it over.
  writeFile(g_myParkAirportsPath, "KLAX,TBIT-105\n");
  g_userOnGroundKnown = true;
  std::string text;
  EXPECT_TRUE(gf_checkParkAirports(true, text));
  EXPECT_EQ(text, "reserved stand changed from 'T4-44' to 'TBIT-105'");
  EXPECT_EQ(g_stands[0].reserved, 1);
  EXPECT_EQ(g_stands[1].reserved, 0);
  text.clear();
  EXPECT_TRUE(gf_checkParkAirports(true, text));
  EXPECT_EQ(text, "park airports and stands are okay");
}

// A broken airport file costs the park airport, not the run; it stays as it is.
TEST_F(ParkAirportsTest, AnUnreadableAirportFileLeavesTheParkAirportWithItsMessage) {
  const std::string broken =
      R"(<root><meta><info name="copyright" value="c"/><info name="sim" value="3"/></meta>)"
      R"(<parameters><parameter name="altitude" value="0"/><parameter name="publisher" value="P"/></parameters>)"
      R"(<parkpositions><parkpos id="A" latitude="1" longitude="1"/><parkpos id="A" latitude="1" longitude="2"/></parkpositions></root>)";
  writeFile(g_myThirdpartyFolder / "EHAM.xml", broken);
  ASSERT_TRUE(gf_setParkAirport(IcaoCode("EHAM")));
  EXPECT_EQ(lf_readParkedFile(), "94: Stand 'A' appears more than once.");
  gf_clearParkAirport();
  EXPECT_EQ(readFile(g_myThirdpartyFolder / "EHAM.xml"), broken);
  EXPECT_FALSE(fs::exists(g_learnedThirdpartyFolder));
}

// Another list entry in sight takes over as soon as it is at least as near: at the same
// distance the park airport is left, a little nearer it stays.
TEST_F(ParkAirportsTest, AnotherAirportInSightAsNearAsTheParkAirportTakesOver) {
  airport("TSTA", 10.0, 0.1, 1);
  airport("TSTB", 10.0, -0.1, 1);
  g_airportsDb.sortAndIndex();
  for (const auto& [userLon, left] : {std::pair{0.0, true}, {0.001, false}}) {
    SCOPED_TRACE(userLon);
    gf_resetAirportsState();
    ASSERT_TRUE(gf_setParkAirport(IcaoCode("TSTA")));
    gf_addParkAirport(IcaoCode("TSTB"), {10.0, -0.1});
    const LatLon at{10.0, userLon};
    user(at.lat, at.lon, 3000);
    lf_watchParkAirport(at);
    EXPECT_EQ(g_parkAirport.icao.empty(), left);
  }
}

// The "SimClient" thread and the tick thread each change the front entry and write it:
// the file ends with the entry as it is, never with an older copy of it.
TEST_F(ParkAirportsTest, TwoThreadsWritingTheFrontEntryLeaveItsLastStateInTheFile) {
  gf_addParkAirport(IcaoCode("KSMO"), {34.0158, -118.451});
  for (int round = 0; round < 150; ++round) {
    std::atomic<int> ready{0};
    const auto writer = [&](const char* stand) {
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      {
        std::lock_guard lock(g_parkAirportsMutex);
        g_parkAirports.front().reservedStand = stand;
      }
      gf_addToMyParkAirports();
    };
    std::thread a(writer, "A1");
    std::thread b(writer, "B2");
    a.join();
    b.join();
    std::string front;
    {
      std::lock_guard lock(g_parkAirportsMutex);
      front = g_parkAirports.front().reservedStand;
    }
    ASSERT_EQ(readFile(g_myParkAirportsPath), "KSMO," + front + "\n") << "round " << round;
  }
}

// The "SimClient" thread writes the user's stand while the tick thread re-reads the list
// and the DESTINATION command moves an airport to the front.
TEST_F(ParkAirportsTest, ThreeThreadsChangeTheListSafely) {
  writeFile(g_myParkAirportsPath, "EHAM\nKSMO\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  std::thread simClient([] {
    for (int n = 0; n < 50; ++n) {
      {
        std::lock_guard lock(g_parkAirportsMutex);
        if (!g_parkAirports.empty()) g_parkAirports.front().reservedStand = "S" + std::to_string(n % 3);
      }
      gf_addToMyParkAirports();
    }
  });
  for (int n = 0; n < 50; ++n) {
    gf_addParkAirport(IcaoCode(n % 2 ? "EGLL" : "KSMO"), {51.0, 0.0});
    gf_sortParkAirports({n * 0.01, 0.0});
    lf_readMyParkAirports();
  }
  simClient.join();
  ASSERT_TRUE(lf_readMyParkAirports());
  auto entries = listed();
  std::ranges::sort(entries);
  EXPECT_EQ(entries.size(), 3U) << "each airport once: EGLL, EHAM, KSMO";
}

}  // namespace
}  // namespace vexo::test
