#include "airports/airport_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "airports/airport_file.h"
#include "airports/park_airports.h"
#include "airports_fixture.h"
#include "foundation/download.h"
#include "foundation/error.h"
#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "foundation/settings_startup.h"
#include "updatestandin/update_standin.h"

namespace vexo::test {
namespace {

namespace fs = std::filesystem;

// An airport file as another tool or a hand would write it.
std::string apf(const std::string& version, const std::string& parameters, const std::string& stands) {
  std::string meta = R"(<info name="copyright" value="c"/><info name="sim" value="3"/>)";
  if (!version.empty()) meta += R"(<info name="version" value=")" + version + R"("/>)";
  return "<root><meta>" + meta + "</meta><parameters>" + parameters + "</parameters><parkpositions>" + stands +
         "</parkpositions></root>";
}
std::string param(const char* name, const std::string& value) {
  return std::string(R"(<parameter name=")") + name + R"(" value=")" + value + R"("/>)";
}
const std::string g_archived =
    apf("12.3.0", param("airport_name", "Schiphol") + param("altitude", "-11") + param("publisher", ""),
        R"(<parkpos id="A1" latitude="52.30" longitude="4.76" radius="20"><opt reg="PH-A" day="1" hh="4" airl="KLM" type="B738"/></parkpos>)"
        R"(<parkpos id="A2" latitude="52.31" longitude="4.76" radius="20"/>)");

class AirportReaderTest : public AirportsTest {
protected:
  void SetUp() override {
    AirportsTest::SetUp();
    ASSERT_TRUE(gf_setParkAirport(IcaoCode("EHAM")));
    fs::create_directories(g_myOrbxFolder);
    writeFile(g_myOrbxFolder / "EHAM.xml", g_archived);
  }
  std::string read() {
    gf_clearStands();
    return gf_readApf("airports/my_ORBX/EHAM.xml", header_);
  }
  void learned(const std::string& text) {
    fs::create_directories(g_learnedFolder);
    writeFile(g_learnedFolder / "EHAM.xml", text);
  }
  ParkAirportHeader header_;
};

TEST_F(AirportReaderTest, ALearnedFileIsMergedIntoTheArchivedStands) {
  learned(apf("12.3.0", param("airport_name", "Schiphol") + param("MAX_FIT", "11"),
              R"(<parkpos id="A1" radius_change="true" radius="40.0"><opt reg="PH-B" day="2" hh="5:6" cs="K1:K2"/>)"
              R"(<opt reg="PH-A" day="1" hh="3:4" airl="KLM" type="B738"/><opt reg="PH-A" day="2" hh="4"/></parkpos>)"
              R"(<parkpos id="M1" manual="true" latitude="52.32" longitude="4.76" radius="15"><opt reg="PH-C" day="3" hh="1"/></parkpos>)"
              R"(<parkpos id="M2" manual="true" latitude="0" longitude="0" radius="15"/><parkpos id="ZZ"/>)"));
  EXPECT_EQ(read(), "");
  EXPECT_EQ(header_.airportName, "Schiphol");
  EXPECT_EQ(header_.altitude, -11);
  ASSERT_EQ(g_stands.size(), 3U);
  const ParkingPosition& a1 = g_stands[0];
  EXPECT_NEAR(a1.radius * 1852.0, 40.0, 1e-9);
  EXPECT_EQ(a1.radius_change, 1);
  ASSERT_EQ(a1.learnedFlights.size(), 3U) << "the flight overlapping the archived one is not added";
  EXPECT_EQ(a1.learnedFlights[1].index, 2U);
  EXPECT_EQ(a1.learnedFlights[1].callsign2, "K2");
  EXPECT_EQ(a1.learnedFlights[2].day, 2U) << "the same aircraft on another day is";
  EXPECT_EQ(a1.learnedFlights[0].archived, 1U);
  EXPECT_EQ(a1.learnedFlights[1].archived, 0U);
  EXPECT_EQ(g_stands[2].id, "M1");
  EXPECT_EQ(g_stands[2].manual, 1);
  EXPECT_EQ(g_stands[2].sid, 3U);
  EXPECT_EQ(g_settings.MAX_FIT.value, 11);
  EXPECT_TRUE(log_.contains("already in airport file"));
  EXPECT_TRUE(log_.contains("manually created standid M2 misses correct attributes"));
  EXPECT_TRUE(log_.contains("learned stand ZZ in"));
}

// The duplicate rule looks at one stand's flights only: the flights of the stand merged
// before, or of another stand of the archived file, never make a flight a duplicate.
TEST_F(AirportReaderTest, EachStandOfALearnedFileIsCheckedAgainstItsOwnFlights) {
  learned(apf("12.3.0", param("airport_name", "Schiphol"),
              R"(<parkpos id="A1"><opt reg="PH-Z" day="3" hh="7" airl="KLM" type="B738"/></parkpos>)"
              R"(<parkpos id="A2"><opt reg="PH-Z" day="3" hh="7" airl="KLM" type="B738"/>)"
              R"(<opt reg="PH-A" day="1" hh="4" airl="KLM" type="B738"/>)"
              R"(<opt reg="PH-Z" day="3" hh="6:7" airl="KLM" type="B738"/></parkpos>)"));
  EXPECT_EQ(read(), "");
  ASSERT_EQ(g_stands.size(), 2U);
  ASSERT_EQ(g_stands[0].learnedFlights.size(), 2U);
  EXPECT_EQ(g_stands[0].learnedFlights[1].registration, "PH-Z");
  ASSERT_EQ(g_stands[1].learnedFlights.size(), 2U) << "its third flight is a twin of its first";
  EXPECT_EQ(g_stands[1].learnedFlights[0].registration, "PH-Z");
  EXPECT_EQ(g_stands[1].learnedFlights[1].registration, "PH-A");
  EXPECT_EQ(g_stands[1].learnedFlights[1].index, 2U);
}

// The duplicate rule of the merge: a learned flight is left out only when a flight of the
// stand with the same day, kind, registration and codes shares a half hour with it; the
// flights added by the same merge count too, and each registration and code is looked up
// once per file, whatever flight it came with first.
TEST_F(AirportReaderTest, TheMergeLeavesOutExactlyTheFlightsThatOverlapTheirTwin) {
  pugi::xml_document archived;
  ASSERT_TRUE(archived.load_string(
      R"(<parkpos id="S"><opt reg="PH-A" day="1" hh="4" airl="KLM" type="B738"/>)"
      R"(<opt reg="PH-A" day="1" hh="10" airl="KLM" type="B738"/></parkpos>)"));
  std::vector<ParkingPosition> stands;
  lf_readStands(archived, stands, 1);
  ASSERT_EQ(stands.size(), 0U) << "no position: the stand is dropped";
  FlightLookups reading;
  stands.emplace_back("S", lf_readOpts(archived.child("parkpos"), 1, reading), 52.3, 4.7, 0.0, 20.0, 0, false, false,
                      false);
  ASSERT_EQ(stands[0].learnedFlights.size(), 2U);

  const struct {
    const char* opt;
    bool added;
  } cases[] = {
      {R"(reg="PH-A" day="1" hh="3:4" airl="KLM" type="B738")", false},  // meets 4
      {R"(reg="PH-A" day="1" hh="5:9" airl="KLM" type="B738")", true},   // between 4 and 10
      {R"(reg="PH-A" day="1" hh="7" airl="KLM" type="B738")", false},    // meets the one just added
      {R"(reg="PH-A" day="1" hh="10:12" airl="KLM" type="B738")", false},
      {R"(reg="PH-A" day="2" hh="4" airl="KLM" type="B738")", true},     // another day
      {R"(reg="PH-A" day="1" hh="4" airl="KLM" type="B738" soft="true")", true},  // another kind
      {R"(reg="PH-B" day="1" hh="4" airl="KLM" type="B738")", true},     // another aircraft
      {R"(reg="PH-A" day="1" hh="4" airl="TRA" type="B738")", true},     // other codes
      {R"(reg="PH-A" day="1" hh="4" airl="TRA" type="B738")", false},    // ... now present
      {R"(reg="PH-A" day="1" hh="4" airl="KLM" type="A320")", true},
      {R"(reg="PH-A" day="1" hh="11" airl="KLM" type="B738")", true},    // 10:12 was left out
  };
  std::string learnedStand = R"(<parkpos id="S">)";
  for (const auto& c : cases) learnedStand += std::string("<opt ") + c.opt + "/>";
  learnedStand += "</parkpos>";
  pugi::xml_document learnedDoc;
  ASSERT_TRUE(learnedDoc.load_string(learnedStand.c_str()));
  FlightLookups lookups;
  SameFlightIndex index;
  ASSERT_TRUE(lf_mergeLearnedStand(learnedDoc.child("parkpos"), stands[0], false, lookups, index));

  std::size_t expected = 2;
  for (const auto& c : cases) expected += c.added ? 1 : 0;
  const auto& flights = stands[0].learnedFlights;
  ASSERT_EQ(flights.size(), expected);
  std::size_t n = 2;
  for (const auto& c : cases) {
    if (!c.added) continue;
    SCOPED_TRACE(c.opt);
    EXPECT_EQ(flights[n].index, n + 1) << "numbered on from the stand's last flight";
    ++n;
  }
  EXPECT_EQ(flights[2].hh.count(), 5U);
  EXPECT_EQ(flights[4].real, 0U);
  EXPECT_EQ(gf_codesLabel(flights[6].codes), "TRA B738");
  EXPECT_EQ(gf_codesLabel(flights[7].codes), "KLM A320") << "the registration's codes are not taken from its first flight";
}

TEST_F(AirportReaderTest, LearnedFlightsCountFromVersion11_10_0) {
  const std::string stands = R"(<parkpos id="A2" radius_change="true" radius="30.0"><opt reg="PH-Z" day="5" hh="9"/></parkpos>)";
  const struct {
    const char* version;
    std::size_t flights;
  } cases[] = {{"11.9.9", 0}, {"", 0}, {"11.10.0", 1}, {"12.0.0", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    learned(apf(c.version, param("airport_name", "Schiphol"), stands));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(g_stands[1].radius_change, 1) << "run-time changes are kept whatever the version";
    EXPECT_EQ(g_stands[1].learnedFlights.size(), c.flights);
  }
  learned(apf("11.9.9", param("handmade", "true"),
              R"(<parkpos id="H1" latitude="52.3" longitude="4.7"><opt reg="PH-Z" day="5" hh="9"/></parkpos>)"));
  EXPECT_EQ(read(), "");
  ASSERT_EQ(g_stands.size(), 1U) << "a handmade file replaces the stands";
  EXPECT_EQ(g_stands[0].learnedFlights.size(), 1U) << "with its flights, old or not";
  EXPECT_TRUE(g_handmadeFile);
  EXPECT_TRUE(log_.contains("Warning: learned file airport name: '' differs"));
}

// Quality factors of one airport must not stay for the next one, whose file has none.
TEST_F(AirportReaderTest, QualityFactorsChooseTheParkingKindAndAreReadAfresh) {
  writeFile(g_myOrbxFolder / "EHAM.xml",
            apf("", param("altitude", "0") + param("Qf_real", "2") + param("Qf_soft", "5"),
                R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
  g_settings.MAX_FIT.value = 5;
  EXPECT_EQ(read(), "");
  EXPECT_EQ(g_qualityFactors, std::make_pair(2, 5));
  EXPECT_TRUE(g_settings.PARK_SOFT.value);
  EXPECT_TRUE(g_settings.WEEK.value);
  EXPECT_EQ(g_settings.MAX_FIT_FL.value, 24.0F);
  EXPECT_EQ(g_settings.parking_percentage.value, 30) << "EHAM has 3 stands in the database";
  writeFile(g_myOrbxFolder / "EHAM.xml", apf("", param("altitude", "0") + param("Qf_real", "46") + param("Qf_soft", "0"),
                                              R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
  EXPECT_EQ(read(), "");
  EXPECT_FALSE(g_settings.PARK_SOFT.value);
  EXPECT_FALSE(g_settings.WEEK.value);
  writeFile(g_myOrbxFolder / "EHAM.xml", apf("", param("altitude", "0"), R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
  EXPECT_EQ(read(), "");
  EXPECT_EQ(g_qualityFactors, std::make_pair(-1, -1));
  EXPECT_EQ(gf_qualityText(g_qualityFactors), "  ");
}

// Without a learned file the quality factors choose the parking kind: soft parking and the
// whole week below a real factor of 3 with any soft flight, neither from 46 on.
TEST_F(AirportReaderTest, QualityFactorsChooseTheParkingKindAtTheirEdges) {
  const struct {
    const char* real;
    const char* soft;
    bool parkSoft, week;
    float hours;
  } cases[] = {
      {"2", "1", true, true, 24.0F},  {"2", "0", true, false, 3.0F},   {"3", "5", true, false, 3.0F},
      {"45", "0", true, false, 3.0F}, {"46", "0", false, false, 3.0F}, {"100", "100", false, false, 3.0F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.real) + "/" + c.soft);
    g_settings.PARK_SOFT.value = true;
    g_settings.WEEK.value = false;
    g_settings.MAX_FIT.value = 5;
    gf_setMaxFitFl();
    writeFile(g_myOrbxFolder / "EHAM.xml",
              apf("", param("altitude", "0") + param("Qf_real", c.real) + param("Qf_soft", c.soft),
                  R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(g_settings.PARK_SOFT.value, c.parkSoft);
    EXPECT_EQ(g_settings.WEEK.value, c.week);
    EXPECT_EQ(g_settings.MAX_FIT_FL.value, c.hours);
  }
  // The shown text: both factors below 45, the real one alone from 45 on.
  EXPECT_EQ(gf_qualityText({45, 7}), "45");
  EXPECT_EQ(gf_qualityText({44, -1}), "44/-1");
  EXPECT_EQ(gf_qualityText({-1, 0}), "-1/ 0");
  EXPECT_EQ(gf_qualityText({-1, -1}), "  ");
}

// RT_traffic_week is read and logged; a file without it gives week 0, not the last one's.
TEST_F(AirportReaderTest, TheTrafficWeekIsReadFromEachFileOrIsZero) {
  writeFile(g_myOrbxFolder / "EHAM.xml", apf("", param("altitude", "0") + param("RT_traffic_week", "37"),
                                             R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
  EXPECT_EQ(read(), "");
  EXPECT_EQ(g_rtTrafficWeek, 37);
  EXPECT_TRUE(log_.contains(fmt::format("{:24}: {}", "RT traffic week", 37)));
  writeFile(g_myOrbxFolder / "EHAM.xml",
            apf("", param("altitude", "0"), R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
  EXPECT_EQ(read(), "");
  EXPECT_EQ(g_rtTrafficWeek, 0);
}

TEST_F(AirportReaderTest, TheDatabasesStandCountGivesTheParkingPercentage) {
  for (const auto& [icao, percentage] :
       {std::pair{"KSMO", 100}, std::pair{"EGLL", 50}, std::pair{"EHAM", 30}, std::pair{"KLAX", 30}}) {
    ASSERT_TRUE(gf_setParkAirport(IcaoCode(icao)));
    g_settings.parking_percentage.value = 55;
    EXPECT_EQ(read(), "");
    EXPECT_EQ(g_settings.parking_percentage.value, percentage) << icao;
  }
}

TEST_F(AirportReaderTest, FailuresGiveTheirText) {
  EXPECT_EQ(gf_readApf("", header_), "gf_readApf: xml is empty");
  writeFile(g_myOrbxFolder / "EHAM.xml", "<root><parameters/>");
  EXPECT_EQ(read(), "airports/my_ORBX/EHAM.xml: could not load file: airports/my_ORBX/EHAM.xml");
  writeFile(g_myOrbxFolder / "EHAM.xml", "<root><parameters/></root>");
  EXPECT_EQ(read(), "airports/my_ORBX/EHAM.xml: refused to load");
  writeFile(g_myOrbxFolder / "EHAM.xml", apf("", "", R"(<parkpos id="A" latitude="1" longitude="1"/>)"));
  EXPECT_THROW(read(), UserErrorException) << "65: no altitude";
  writeFile(g_myOrbxFolder / "EHAM.xml", apf("", param("altitude", "0"), ""));
  EXPECT_EQ(read(), "no stands found");
  gf_resetAirportsState();
  EXPECT_EQ(gf_readApf("airports/my_ORBX/EHAM.xml", header_), "gf_readApf: no park airport set");
}

TEST_F(AirportReaderTest, QualityFactorsWeighStandsAndFlights) {
  std::vector<ParkingPosition> stands;
  stands.emplace_back("H", std::vector<LearnedFlight>{}, 1.0, 1.0, 0.0, 20.0, 0, false, false, true);
  EXPECT_EQ(gf_qualityFactors(stands), std::make_pair(-1, -1));
  LearnedFlight f;
  f.index = 1;
  f.day = 1;
  f.hh.set(3);
  stands[0].learnedFlights.push_back(f);
  EXPECT_EQ(gf_qualityFactors(stands), std::make_pair(0, 0)) << "helicopter stands only";
  stands.emplace_back("A", std::vector<LearnedFlight>{f}, 1.0, 1.0, 0.0, 20.0, 0, false, false, false);
  // One real flight: (20 + 10000 + 100 + 2) x 0.3 / 0.3 x 0.00625 = 63.26
  EXPECT_EQ(gf_qualityFactors(stands), std::make_pair(63, 0));
  EXPECT_EQ(gf_qualityText({63, 0}), "63");
  EXPECT_EQ(gf_qualityText({44, 7}), "44/ 7");
}

// A stand's score counts 20 a flight up to 4000 (200 flights) and 2 a half hour up to 600
// half hours. The rows lie a sixteenth or less of a point from where the rounding turns,
// so one flight or one half hour beyond a cap would show.
TEST_F(AirportReaderTest, QualityFactorsCapFlightsAt4000AndHalfHoursAt600) {
  // n real flights on weekdays 1..days in turn, b half hours among them (at most 48 each).
  const auto standWith = [](std::uint32_t n, std::uint32_t days, std::uint32_t b, double radiusNm) {
    ParkingPosition stand("S", {}, 1.0, 1.0, 0.0, 20.0, 0, false, false, false);
    stand.radius = radiusNm;
    for (std::uint32_t i = 0; i < n; ++i) {
      LearnedFlight f;
      f.index = i + 1;
      f.day = 1 + i % days;
      for (std::uint32_t bit = 0; bit < b / n + (i < b % n ? 1 : 0); ++bit) f.hh.set(bit);
      stand.learnedFlights.push_back(f);
    }
    return stand;
  };
  struct Stand {
    std::uint32_t flights, days, halfHours;
    double radius;  // nm: weight 0.3 up to 7, 1.5 up to 10
  };
  const struct {
    std::vector<Stand> stands;
    std::int32_t real;
  } cases[] = {
      {{{199, 7, 295, 0.02}}, 95},  // 95.4375
      {{{200, 7, 295, 0.02}}, 96},  // 95.5625
      {{{200, 7, 285, 0.02}}, 95},  // 95.4375
      {{{201, 7, 285, 0.02}}, 95},  // capped: one more flight would give 95.5625
      {{{400, 7, 285, 0.02}}, 95},
      {{{15, 1, 599, 8.0}, {5, 1, 222, 0.02}}, 71},  // 71.49375
      {{{15, 1, 600, 8.0}, {5, 1, 222, 0.02}}, 72},  // 71.50417
      {{{15, 1, 601, 8.0}, {5, 1, 222, 0.02}}, 72},
      {{{15, 1, 700, 8.0}, {5, 1, 222, 0.02}}, 72},
      {{{15, 1, 599, 8.0}, {5, 1, 218, 0.02}}, 71},  // 71.48542
      {{{15, 1, 600, 8.0}, {5, 1, 218, 0.02}}, 71},  // 71.49583
      {{{15, 1, 601, 8.0}, {5, 1, 218, 0.02}}, 71},  // capped: one more half hour would give 71.50625
      {{{15, 1, 700, 8.0}, {5, 1, 218, 0.02}}, 71},
  };
  for (const auto& c : cases) {
    std::vector<ParkingPosition> stands;
    std::string trace;
    for (const Stand& s : c.stands) {
      stands.push_back(standWith(s.flights, s.days, s.halfHours, s.radius));
      trace += fmt::format("[{} flights, {} days, {} half hours, {} nm] ", s.flights, s.days, s.halfHours, s.radius);
    }
    SCOPED_TRACE(trace);
    EXPECT_EQ(gf_qualityFactors(stands), std::make_pair(c.real, 0));
    for (ParkingPosition& s : stands)
      for (LearnedFlight& f : s.learnedFlights) f.real = 0;
    EXPECT_EQ(gf_qualityFactors(stands), std::make_pair(0, c.real)) << "the soft flights alike";
  }
}

// Every stand but a helicopter stand weighs, with or without flights: 0.3 up to a radius of
// 7.0 nm, 1.5 up to 10.0 nm, 1.0 beyond.
TEST_F(AirportReaderTest, QualityFactorsWeighStandsByRadiusUpTo7And10Nm) {
  LearnedFlight f;
  f.index = 1;
  f.day = 1;
  f.hh.set(3);  // a score of 20 + 10000 + 100 + 2 = 10122
  const struct {
    double radius;
    std::int32_t real;
  } cases[] = {
      {7.0, 32},                       // 10122 x 0.3 / 0.6 x 0.00625 = 31.63
      {std::nextafter(7.0, 8.0), 11},  // x 0.3 / 1.8 = 10.54
      {10.0, 11},
      {std::nextafter(10.0, 11.0), 15},  // x 0.3 / 1.3 = 14.60
  };
  for (const auto& c : cases) {
    std::vector<ParkingPosition> stands;
    stands.emplace_back("A", std::vector<LearnedFlight>{f}, 1.0, 1.0, 0.0, 20.0, 0, false, false, false);
    stands.emplace_back("B", std::vector<LearnedFlight>{}, 1.0, 1.0, 0.0, 20.0, 0, false, false, false);
    stands[1].radius = c.radius;
    EXPECT_EQ(gf_qualityFactors(stands), std::make_pair(c.real, 0)) << c.radius;
  }
}

TEST_F(AirportReaderTest, StandsOverlapWhenTheirRadiiExceed1_1TimesTheirDistance) {
  const double r = 0.01;  // nm
  const struct {
    double distance;  // nm
    bool adjacent;
  } cases[] = {{0.018, true}, {0.0182, false}, {2 * r / 1.1 * (1 - 1e-9), true}, {2 * r / 1.1 * (1 + 1e-9), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.distance);
    std::vector<ParkingPosition> stands;
    for (double lat : {33.0, 33.0 + c.distance / 60.0, 34.0})
      stands.emplace_back("S" + std::to_string(lat), std::vector<LearnedFlight>{}, lat, -118.0, 0.0, r * 1852.0, 0,
                          false, false, false);
    gf_numberStands(stands);
    gf_findAdjacentStands(stands);
    EXPECT_EQ(stands[0].adjacent, c.adjacent ? std::vector<std::uint32_t>{2} : std::vector<std::uint32_t>{});
    EXPECT_EQ(stands[1].adjacent, c.adjacent ? std::vector<std::uint32_t>{1} : std::vector<std::uint32_t>{});
    EXPECT_TRUE(stands[2].adjacent.empty());
  }
}

// Leaving the park airport gives back every setting the learned file took over, each in
// memory, in its shown form and in parameters.xml.
TEST_F(AirportReaderTest, LeavingGivesBackEachOfTheEightSettingsTheLearnedFileChanged) {
  SettingsState& s = g_settings;
  s.MAX_LIVE_SEL.value = 100;
  s.MAX_FIT.value = 20;
  gf_setMaxFitFl();
  gf_setRange(30);
  s.parking_percentage.value = 45;
  s.AUTO_RANGE.value = false;
  s.INITIAL_LOAD_ONLY.value = true;
  s.PARK_SOFT.value = true;
  s.WEEK.value = false;
  learned(apf("12.3.0",
              param("airport_name", "Schiphol") + param("MAX_LIVE_SEL", "25") + param("MAX_FIT", "11") +
                  param("RANGE", "12") + param("parking_percentage", "70") + param("AUTO_RANGE", "true") +
                  param("INITIAL_LOAD_ONLY", "false") + param("PARK_SOFT", "false") + param("WEEK", "true"),
              ""));
  EXPECT_EQ(read(), "");
  const auto current = [] {
    const SettingsState& s = g_settings;
    return std::make_tuple(s.MAX_LIVE_SEL.value.load(), s.MAX_FIT.value.load(), s.MAX_FIT_FL.value.load(),
                           s.RANGE.value.load(), s.parking_percentage.value.load(), s.AUTO_RANGE.value.load(),
                           s.INITIAL_LOAD_ONLY.value.load(), s.PARK_SOFT.value.load(), s.WEEK.value.load());
  };
  ASSERT_EQ(current(), std::make_tuple(25, 11, 6.0F, 12, 70, true, false, false, true)) << "the learned file's";
  // What the settings were stored as while the airport was the park airport.
  fs::create_directories(gf_parametersPath().parent_path());
  for (NumericSetting* n :
       {static_cast<NumericSetting*>(&s.MAX_LIVE_SEL), &s.MAX_FIT, static_cast<NumericSetting*>(&s.RANGE),
        static_cast<NumericSetting*>(&s.parking_percentage)})
    gf_saveIntParameter(*n);
  for (CheckboxSetting* c : {&s.AUTO_RANGE, &s.INITIAL_LOAD_ONLY, &s.PARK_SOFT, &s.WEEK}) gf_saveBoolParameter(*c);

  gf_restoreAirportSettings();
  EXPECT_EQ(current(), std::make_tuple(100, 20, 11.0F, 30, 45, false, true, true, false));
  pugi::xml_document stored;
  ASSERT_TRUE(stored.load_file(gf_parametersPath().c_str()));
  const struct {
    const char* key;
    const char* value;
  } saved[] = {{"MAX_LIVE_SEL", "100"},      {"MAX_FIT", "20"},       {"RANGE", "30"},
               {"parking_percentage", "45"}, {"AUTO_RANGE", "false"}, {"INITIAL_LOAD_ONLY", "true"},
               {"PARK_SOFT", "true"},        {"WEEK", "false"}};
  for (const auto& [key, value] : saved) EXPECT_EQ(gf_readStringParameter(stored, key), value) << key;
}

// The program writes its stands under root: the destination reader must find them there.
TEST_F(AirportReaderTest, TheDestinationReaderFindsTheNearestStandOfAProgramWrittenFile) {
  std::string name = "none";
  EXPECT_NEAR(gf_readDestApfForClosestStand(IcaoCode("EHAM"), {52.3101, 4.76}, name), 0.006, 1e-6);
  EXPECT_EQ(name, "A2");
  name = "none";
  EXPECT_EQ(gf_readDestApfForClosestStand(IcaoCode("KLAX"), {52.3, 4.76}, name), 100.0);
  EXPECT_EQ(name, "none");
}

// An archived file comes from the update server into the airports folder and is read
// from there; a body beyond the airport-file limit is refused and leaves nothing behind.
TEST_F(AirportReaderTest, ArchivedFilesAreFetchedWithinTheAirportFileLimit) {
  updatestandin::UpdateStandIn server;
  const std::string earlierBase = gf_downloadBase();
  gf_setDownloadBase(server.url("/downloads/"));
  server.route("/downloads/P3D/archive/stock/EHAM.xml", {200, g_archived});
  gf_clearStands();
  EXPECT_EQ(gf_readApf("archive/stock/EHAM.xml", header_), "");
  EXPECT_EQ(g_stands.size(), 2U);
  EXPECT_EQ(header_.airportName, "Schiphol");

  const fs::path target = g_airportsFolder / "fetched.xml";
  const struct {
    std::uint64_t size;
    bool fetched;
  } cases[] = {{g_airportFileMaxBytes, true}, {g_airportFileMaxBytes + 1, false}};
  for (const auto& c : cases) {
    writeFile(target, "earlier");
    server.route("/downloads/P3D/archive/big.xml", {200, std::string(c.size, 'x')});
    const std::string failure = lf_downloadAirportFile("archive/big.xml", target);
    EXPECT_EQ(failure.empty(), c.fetched) << c.size << ": " << failure;
    if (c.fetched) {
      EXPECT_EQ(fs::file_size(target), c.size);
    } else {
      EXPECT_EQ(failure, "failed to download: '" + server.url("/downloads/P3D/archive/big.xml") + "'");
      EXPECT_FALSE(fs::exists(target));
    }
  }
  gf_setDownloadBase(earlierBase);
}

}  // namespace
}  // namespace vexo::test
