// The learned file across visits of the park airport, and what a failing save or an
// unreadable learned file must leave behind.
#include <gtest/gtest.h>

#include "../engine/engine_dbase.h"
#include "airports/airport_locations.h"
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

}  // namespace
}  // namespace vexo::test
