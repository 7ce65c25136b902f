// The learned file across visits of the park airport, and what a failing save or an
// unreadable learned file must leave behind.
#include <gtest/gtest.h>

#include <stdexcept>

#include "../engine/engine_dbase.h"
#include "airports/airport_file.h"
#include "airports/airport_locations.h"
#include "airports/airport_reader.h"
#include "airports/park_airports.h"
#include "airports_fixture.h"
#include "engine/aircraft.h"
#include "engine/traffic_engine.h"
#include "foundation/paths.h"

namespace vexo::test {
namespace {

namespace fs = std::filesystem;

class LearnedFileTest : public AirportsTest {
protected:
  void SetUp() override {
    AirportsTest::SetUp();
    loadEngineDbase();
    fs::create_directories(g_myThirdpartyFolder);
    fs::copy_file(testdataDir() / ".." / ".." / "data" / "airports" / "KLAX.xml", g_myThirdpartyFolder / "KLAX.xml");
  }
  void TearDown() override {
    unloadEngineDbase();
    g_weekSlotNow = WeekSlot{};
    AirportsTest::TearDown();
  }
  static std::string visit() {
    EXPECT_TRUE(gf_setParkAirport(IcaoCode("KLAX")));
    return lf_readParkedFile();
  }
  static void park(std::uint32_t sid, const char* registration, std::int32_t day, std::int32_t slot, std::int32_t event = 0) {
    LiveAc aircraft;
    aircraft.registration = registration;
    aircraft.callsign = "CS" + std::to_string(sid);
    g_weekSlotNow = WeekSlot{day, slot};
    lf_addRealStandOption(sid, aircraft, event, g_trafficEngine);
  }
  static std::vector<std::string> flightsAt(std::uint32_t sid) {
    std::vector<std::string> texts;
    for (const LearnedFlight& f : gf_standBySid(sid)->learnedFlights)
      texts.push_back(fmt::format("{} {} d{} {}{}", f.index, f.registration, f.day, gf_bitset2range(f.hh).value_or("?"),
                                  f.cpl ? " cpl" : ""));
    return texts;
  }
  const fs::path learned_ = g_learnedThirdpartyFolder / "terraGIT" / "KLAX.xml";
};

TEST_F(LearnedFileTest, FlightsLearnedOverAWeekSurviveThreeVisits) {
  ASSERT_EQ(visit(), "");
  park(1, "D-ABCD", 1, 20);
  park(1, "D-ABCD", 1, 21);
  park(1, "D-ABCD", 1, 22);
  park(2, "N12345", 1, 30);
  gf_clearParkAirport();
  ASSERT_TRUE(fs::exists(learned_)) << "saved where it is read from";
  EXPECT_TRUE(log_.contains("saved with 4 updates"));

  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d1 20:22"}));
  park(1, "D-ABCD", 3, 10);
  park(1, "D-ABCD", 3, 12, 3);
  park(2, "N12345", 3, 8);
  gf_standBySid(2)->learnedFlights[0].index = 0;  // left out of a calculation for a while
  gf_clearParkAirport();

  ASSERT_EQ(visit(), "");
  park(3, "D-ABCD", 7, 46);
  park(3, "D-ABCD", 7, 47);
  park(3, "D-ABCD", 1, 0);  // Monday: a flight of its own
  gf_clearParkAirport();

  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d1 20:22", "2 D-ABCD d3 10:12 cpl"}));
  EXPECT_EQ(flightsAt(2), (std::vector<std::string>{"1 N12345 d1 30", "2 N12345 d3 8"}));
  EXPECT_EQ(flightsAt(3), (std::vector<std::string>{"1 D-ABCD d7 46:47", "2 D-ABCD d1 0"}));
  EXPECT_TRUE(fs::exists(g_learnedThirdpartyFolder / "terraGIT" / "KLAX0.xml")) << "the generation before";
}

TEST_F(LearnedFileTest, AnInterruptedSaveLeavesTheFileAndItsGeneration) {
  ASSERT_EQ(visit(), "");
  park(1, "D-ABCD", 2, 5);
  gf_clearParkAirport();
  ASSERT_EQ(visit(), "");
  park(1, "D-ABCD", 2, 9);
  gf_clearParkAirport();
  const std::string file = readFile(learned_);
  const std::string generation = readFile(g_learnedThirdpartyFolder / "terraGIT" / "KLAX0.xml");
  for (const SaveStep step : {SaveStep::writeTemporary, SaveStep::rename}) {
    ASSERT_EQ(visit(), "");
    park(4, "D-ABCD", 2, 20);
    gf_saveLearnedFile([&](SaveStep s) { return s == step; });
    EXPECT_EQ(readFile(learned_), file);
    EXPECT_EQ(readFile(g_learnedThirdpartyFolder / "terraGIT" / "KLAX0.xml"), generation);
    EXPECT_EQ(g_airportFileUpdates, 0U);
    EXPECT_TRUE(log_.contains("did not succeed"));
    gf_resetAirportsState();
  }
}

TEST_F(LearnedFileTest, ALearnedFileThatWasNotReadCompletelyIsNeverReplaced) {
  const std::string broken[] = {
      "<root><meta>",  // does not load
      // handmade, and a stand list error half-way
      R"(<root><meta><info name="copyright" value="c"/><info name="sim" value="3"/><info name="version" value="12.3.0"/></meta>)"
      R"(<parameters><parameter name="handmade" value="true"/></parameters><parkpositions>)"
      R"(<parkpos id="A" latitude="33.9" longitude="-118.4"/><parkpos id="A" latitude="33.9" longitude="-118.4"/>)"
      R"(</parkpositions></root>)"};
  for (const std::string& text : broken) {
    SCOPED_TRACE(text.substr(0, 20));
    fs::create_directories(learned_.parent_path());
    writeFile(learned_, text);
    ASSERT_EQ(visit(), "");
    park(1, "D-ABCD", 2, 5);
    gf_clearParkAirport();
    EXPECT_EQ(readFile(learned_), text);
    EXPECT_TRUE(log_.contains("was not read completely and is kept as it is"));
  }
  EXPECT_EQ(readFile(g_learnedThirdpartyFolder / "terraGIT" / "KLAX0.xml"), "<root><meta>")
      << "an unloadable file is kept as a generation";
}

// A learned file that cannot be written keeps the visit's flights beside it; the next visit
// reads them in its place, and its save writes them where they belong.
TEST_F(LearnedFileTest, AFailedSaveKeepsTheVisitsFlightsForTheNextVisit) {
  const fs::path side = learned_.parent_path() / "KLAX.unsaved.xml";
  for (const SaveStep step : {SaveStep::writeTemporary, SaveStep::rename}) {
    ASSERT_EQ(visit(), "");
    park(1, "D-ABCD", 2, 5);
    gf_saveLearnedFile([&](SaveStep s) { return s == step; });
    EXPECT_FALSE(fs::exists(learned_));
    EXPECT_TRUE(fs::exists(side));
    gf_resetAirportsState();  // the program ends with the flights beside the learned file only
  }
  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d2 5"}));
  park(2, "N12345", 2, 6);
  gf_clearParkAirport();
  EXPECT_FALSE(fs::exists(side)) << "written where it belongs";
  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d2 5"}));
  EXPECT_EQ(flightsAt(2), (std::vector<std::string>{"1 N12345 d2 6"}));
}

TEST_F(LearnedFileTest, WithoutAFolderForTheLearnedFileTheFlightsWaitForTheNextVisit) {
  ASSERT_EQ(visit(), "");
  park(1, "D-ABCD", 2, 5);
  fs::create_directories(learned_.parent_path().parent_path());
  writeFile(learned_.parent_path(), "a file where the publisher's folder belongs");
  gf_clearParkAirport();
  EXPECT_TRUE(log_.contains("did not succeed"));
  EXPECT_TRUE(log_.contains("could not be kept"));
  fs::remove(learned_.parent_path());
  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d2 5"}));
  gf_clearParkAirport();
  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d2 5"}));
}

TEST_F(LearnedFileTest, AnExceptionWhileSavingLeavesEveryStandWhole) {
  ASSERT_EQ(visit(), "");
  park(1, "D-ABCD", 2, 5);
  EXPECT_NO_THROW(gf_saveLearnedFile([](SaveStep) -> bool { throw std::runtime_error("the disk went away"); }));
  EXPECT_TRUE(log_.contains("the disk went away"));
  EXPECT_EQ(gf_standBySid(1)->id, "TBIT-105");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d2 5"}));
  gf_clearParkAirport();
  ASSERT_EQ(visit(), "");
  EXPECT_EQ(flightsAt(1), (std::vector<std::string>{"1 D-ABCD d2 5"}));
}

// A flight of the learned file is the same as one the stand has when it overlaps it in
// time on the same day; on another day or at other hours it is a flight of its own.
TEST_F(LearnedFileTest, TheMergeAddsFlightsThatDoNotOverlapThoseOfTheStand) {
  const auto known = parse(R"(<parkpos id="B7"><opt reg="D-ABCD" day="2" hh="5"/></parkpos>)");
  FlightLookups reading;
  ParkingPosition stand("B7", lf_readOpts(known.child("parkpos"), 0, reading), 33.9, -118.4, 0.0, 30.0, 0, false, false,
                        false);
  const auto learned = parse(
      R"(<parkpos id="B7"><opt reg="D-ABCD" day="2" hh="9"/><opt reg="D-ABCD" day="2" hh="5:6"/>)"
      R"(<opt reg="D-ABCD" day="3" hh="5"/></parkpos>)");
  FlightLookups lookups;
  SameFlightIndex index;
  ASSERT_TRUE(lf_mergeLearnedStand(learned.child("parkpos"), stand, false, lookups, index));
  std::vector<std::string> texts;
  for (const LearnedFlight& f : stand.learnedFlights)
    texts.push_back(fmt::format("{} d{} {}", f.index, f.day, gf_bitset2range(f.hh).value_or("?")));
  EXPECT_EQ(texts, (std::vector<std::string>{"1 d2 5", "2 d2 9", "3 d3 5"}));
  EXPECT_TRUE(log_.contains("already in airport file"));
}

// A stand with many flights: the duplicate check still finds the twin of each known flight
// and of each flight added earlier in the same merge, however many keys it holds.
TEST_F(LearnedFileTest, TheMergeFindsTwinsAmongManyFlights) {
  std::string known = R"(<parkpos id="B7">)";
  std::string learned = R"(<parkpos id="B7">)";
  for (int n = 0; n < 300; ++n) known += fmt::format(R"(<opt reg="D-K{}" day="{}" hh="5:6"/>)", n, 1 + n % 7);
  for (int n = 0; n < 300; ++n) {
    learned += fmt::format(R"(<opt reg="D-N{}" day="3" hh="10"/>)", n);                   // new
    learned += fmt::format(R"(<opt reg="D-K{}" day="{}" hh="6:9"/>)", n, 1 + n % 7);      // twin of a known one
    learned += fmt::format(R"(<opt reg="D-K{}" day="{}" hh="7"/>)", n, 1 + (n + 1) % 7);  // another day: new
  }
  for (int n = 0; n < 300; n += 3)
    learned += fmt::format(R"(<opt reg="D-N{}" day="3" hh="9:10"/>)", n);  // twin of an added one
  const auto knownDocument = parse(known + "</parkpos>");
  const auto learnedDocument = parse(learned + "</parkpos>");
  FlightLookups reading;
  ParkingPosition stand("B7", lf_readOpts(knownDocument.child("parkpos"), 0, reading), 33.9, -118.4, 0.0, 30.0, 0,
                        false, false, false);
  FlightLookups lookups;
  SameFlightIndex index;
  ASSERT_TRUE(lf_mergeLearnedStand(learnedDocument.child("parkpos"), stand, false, lookups, index));
  const auto& flights = stand.learnedFlights;
  ASSERT_EQ(flights.size(), 900U);
  for (std::size_t n = 0; n < flights.size(); ++n) EXPECT_EQ(flights[n].index, n + 1);
  for (int n = 0; n < 300; ++n) {
    EXPECT_EQ(flights[300 + 2 * n].registration, fmt::format("D-N{}", n));
    EXPECT_EQ(flights[301 + 2 * n].registration, fmt::format("D-K{}", n));
    EXPECT_EQ(flights[301 + 2 * n].day, static_cast<std::uint32_t>(1 + (n + 1) % 7));
  }
}

}  // namespace
}  // namespace vexo::test
