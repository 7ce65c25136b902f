#include <gtest/gtest.h>

#include <random>

#include "data_files.h"
#include "foundation/error.h"
#include "refdata/airports_db.h"
#include "airports/closest_airport.h"
#include "test_support.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;
using test::LogCapture;
using test::TempDir;

std::string airportsXml(const std::string& elements) {
  return "<?xml version=\"1.0\"?>\n<root><airports>\n" + elements + "</airports></root>\n";
}

class AirportsRead : public ::testing::Test {
protected:
  bool read(const std::string& xml) {
    test::writeDataFile(dir / "airports.enc", xml);
    return db.read(dir / "airports.enc", dir / "airports.xml");
  }
  const AirportData* find(const char* icao) const {
    for (const AirportData& ap : db.airports) {
      if (ap.icao == IcaoCode(icao)) {
        return &ap;
      }
    }
    return nullptr;
  }
  TempDir dir;
  LogCapture log;
  AirportsDb db;
};

TEST_F(AirportsRead, ReadsCodesAndSkipsWhatItCannotUse) {
  ASSERT_TRUE(read(airportsXml(R"(
    <ap c="eddm" la="48.35" lo="11.78" a="1487" s="120"/>
    <ap c="EDDF" i="fra" la="50.03" lo="8.57" a="364" s="300"/>
    <ap c="EDDB" i="" la="52.36" lo="13.5" a="157" s="10"/>
    <ap c="EDDH" i="HAMX" la="53.63" lo="9.98" a="53" s="10"/>
    <ap c="EDDK" i="CGN" la="50.86" lo="7.14" a="302"/>
    <ap c="EDDL" i="DUS" lo="6.76" a="147" s="5"/>
    <ap c="EDDN" i="NUE" la="49.49" lo="11.07" s="5"/>
    <ap c="EDDS" i="STR" la="nan" lo="9.2" a="1276" s="5"/>
    <ap c="EDDV" i="HAJ" la="95" lo="9.68" a="183" s="5"/>
  )")));
  EXPECT_EQ(db.airports.size(), 3u);
  ASSERT_NE(find("EDDM"), nullptr);
  EXPECT_EQ(gf_airportText(*find("EDDM")), "EDDM");
  EXPECT_EQ(gf_airportText(*find("EDDF")), "EDDF (FRA)");
  EXPECT_EQ(find("EDDF")->stands, 300);
  EXPECT_EQ(find("EDDK")->stands, 0);
  for (const char* line : {"Error storing airport 'EDDB' '': FixedCode: invalid string (length/charset)",
                           "Error storing airport 'EDDH' 'HAMX': ", "==> Missing stands for airport 'EDDK'",
                           "==> Missing latLons for airport 'EDDL'", "==> Missing alt for airport 'EDDN'",
                           "Error storing airport 'EDDS' 'STR'", "Error storing airport 'EDDV' 'HAJ'",
                           "    3 airports read"}) {
    EXPECT_TRUE(log.contains(line)) << line;
  }
  EXPECT_TRUE(std::is_sorted(db.airports.begin(), db.airports.end(),
                             [](const AirportData& a, const AirportData& b) { return a.icao < b.icao; }));
  EXPECT_TRUE(db.isKnown(IcaoCode("EDDK")));
  EXPECT_FALSE(db.isKnown(IcaoCode("EDDL")));
  EXPECT_FALSE(fs::exists(dir / "airports.xml"));
  // A second read answers without touching the files.
  fs::remove(dir / "airports.enc");
  EXPECT_TRUE(db.read(dir / "airports.enc", dir / "airports.xml"));
  EXPECT_EQ(db.airports.size(), 3u);
}

TEST_F(AirportsRead, BadFilesEndTheReadWithCode88AndLeaveNoXml) {
  struct Case {
    std::string xml;
    std::string what;
  };
  const Case cases[] = {
      {airportsXml(R"(<ap c="EDDF" la="50" lo="8" a="1"/><ap c="ED-F" la="1" lo="1" a="1"/>)"),
       "88: FixedCode: invalid string (length/charset)"},
      {airportsXml(R"(<ap la="50" lo="8" a="1"/>)"), "88: FixedCode: invalid string (length/charset)"},
      {"<root><other/></root>", "88: Missing <airports> root in: " + (dir / "airports.xml").string()},
      {"<root><airports><ap c=", "88: " + (dir / "airports.xml").string() + " not loaded: "},
  };
  for (const Case& c : cases) {
    AirportsDb fresh;
    test::writeDataFile(dir / "airports.enc", c.xml);
    try {
      fresh.read(dir / "airports.enc", dir / "airports.xml");
      ADD_FAILURE() << "no exception for " << c.xml;
    } catch (const UserErrorException& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.what.size()), c.what);
    }
    EXPECT_FALSE(fresh.loaded);
    EXPECT_TRUE(fresh.airports.empty());
    EXPECT_FALSE(fs::exists(dir / "airports.xml"));
  }
}

TEST_F(AirportsRead, UndecryptableFileIsALoadFailure) {
  test::writeFile(dir / "airports.enc", "not a data file");
  EXPECT_THROW(db.read(dir / "airports.enc", dir / "airports.xml"), UserErrorException);
  EXPECT_FALSE(fs::exists(dir / "airports.xml"));
}

// Stand distances by airport for the neighbour check.
struct FakeStands {
  std::map<std::string, double> nm = {};
  int calls = 0;
  double operator()(const IcaoCode& icao, LatLon, std::string& name) {
    ++calls;
    name = "S" + icao.str();
    auto it = nm.find(icao.str());
    return it == nm.end() ? 100.0 : it->second;
  }
};

// Airports due north of (0, 0) at the given distances in nm, with the stands the neighbour
// check finds: the closest within 5 nm wins unless a stand at the airport it replaced is nearer.
TEST_F(AirportsRead, ClosestAirportCases) {
  struct Case {
    std::vector<std::pair<const char*, double>> airports;
    std::map<std::string, double> stands;
    const char* closest;  // nullptr: none
    int standChecks;
    const char* logLine;
  };
  const Case cases[] = {
      {{{"AAAA", 5.0}}, {}, "AAAA", 0, ""},  // the radius is inclusive
      {{{"AAAA", 5.01}}, {}, nullptr, 0, ""},
      {{{"AAAA", 3.0}, {"BBBB", 1.0}, {"CCCC", 2.0}, {"DDDD", 7.0}}, {}, "BBBB", 2,
       "Airport BBBB is closest, neighbour is AAAA"},  // the neighbour is the one replaced first
      {{{"AAAA", 3.0}, {"BBBB", 1.0}}, {{"BBBB", 0.5}, {"AAAA", 0.25}}, "AAAA", 2,
       "Airport BBBB is closest, but stand SAAAA at neighbouring airport AAAA is closer at 463 meters ..."},
      {{{"AAAA", 3.0}, {"BBBB", 1.0}}, {{"BBBB", 0.25}, {"AAAA", 0.25}}, "BBBB", 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::string xml;
    for (auto [icao, nm] : c.airports) xml += fmt::format(R"(<ap c="{}" la="{:.17g}" lo="0" a="0" s="1"/>)", icao, nm / 60.0);
    db = AirportsDb{};
    ASSERT_TRUE(read(airportsXml(xml)));
    ASSERT_NEAR(gf_greatCircleNm({0, 0}, find(c.airports.front().first)->latLon()), c.airports.front().second, 1e-9);
    FakeStands stands{c.stands};
    const AirportData* found = db.closestAirport({0, 0}, std::ref(stands));
    EXPECT_EQ(found ? found->icao.str() : "none", c.closest ? c.closest : "none");
    EXPECT_EQ(stands.calls, c.standChecks);
    EXPECT_TRUE(log.contains(c.logLine));
    if (c.standChecks == 2 && c.stands.empty()) {
      std::swap(g_airportsDb, db);  // the production search asks the airport files for stands
      found = gf_closestAirport({0, 0});
      std::swap(g_airportsDb, db);
      EXPECT_EQ(found ? found->icao.str() : "none", "BBBB");  // no airport file: both "100 nm" away
    }
  }
  // Equal distances keep the earlier airport.
  db = AirportsDb{};
  ASSERT_TRUE(read(airportsXml(R"(<ap c="ZZZZ" la="0" lo="0.05" a="0" s="1"/><ap c="MMMM" la="0" lo="-0.05" a="0" s="1"/>)")));
  FakeStands stands;
  EXPECT_EQ(db.closestAirport({0, 0}, std::ref(stands))->icao, IcaoCode("MMMM"));
}

// The latitude band must not change any answer of the plain walk over the whole table.
TEST(ClosestAirportSample, BandSearchAgreesWithTheFullWalk) {
  LogCapture log;
  TempDir dir;
  AirportsDb db;
  ASSERT_TRUE(db.read(test::sampleInputDir() / "airports.enc", dir / "airports.xml"));
  EXPECT_GT(db.airports.size(), 5000u);
  EXPECT_TRUE(log.contains(fmt::format("{:5} airports read", db.airports.size())));
  auto noStands = [](const IcaoCode&, LatLon, std::string&) { return 100.0; };
  std::mt19937 random(42);
  std::uniform_int_distribution<std::size_t> pick(0, db.airports.size() - 1);
  std::uniform_real_distribution<double> offset(-0.1, 0.1);
  int found = 0;
  for (int i = 0; i < 600; ++i) {
    const AirportData& near = db.airports[pick(random)];
    LatLon position{std::clamp(near.latitude + offset(random), -90.0, 90.0), near.longitude + offset(random)};
    const AirportData* expected = nullptr;
    double best = 100.0;
    for (const AirportData& ap : db.airports) {
      double d = gf_greatCircleNm(position, ap.latLon());
      if (d <= 5.0 && d < best) {
        best = d;
        expected = &ap;
      }
    }
    ASSERT_EQ(db.closestAirport(position, noStands), expected) << position.lat << " " << position.lon;
    found += expected != nullptr;
  }
  EXPECT_GT(found, 30);
}

}  // namespace
}  // namespace vexo
