#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "bgl_fixture.h"
#include "test_support.h"

namespace vexo {
namespace {

TEST(BglReader, ParkingEntriesAsTheFormatSays) {
  std::vector<Spot> spots;
  for (float r : {1.0F, 1.1F, 199.9F, 200.0F}) spots.push_back(Spot{.number = 1, .radius = r});
  for (std::uint32_t type = 0; type < 16; ++type) spots.push_back(Spot{.nameCode = 12, .type = type, .number = type});
  spots.push_back(Spot{.nameCode = 2, .number = 1, .heading = 0.0F, .airlines = 3});
  spots.push_back(Spot{.nameCode = 3, .number = 1, .lat = 0.00005, .lon = -0.00005});
  spots.push_back(Spot{.nameCode = 3, .number = 2, .lat = 0.0, .lon = 0.5});
  BglRun run;
  run.run(airportFile({airportRecord("EHAM", -3000, false, {nameRecord("Schiphol"), parkingList(spots, false)})}));
  ASSERT_EQ(run.generated.size(), 1U);
  const BglAirport& a = run.generated[0];
  EXPECT_EQ(a.icao.str(), "EHAM");
  EXPECT_EQ(a.name, "Schiphol");
  EXPECT_EQ(a.altitude, -10);
  EXPECT_EQ(run.ids(), (std::vector<std::string>{"g1", "g1a", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8", "A9",
                                                 "A10", "A11", "A14", "A15", "p1", "np2"}));
  EXPECT_TRUE(run.logged("Skipped position with radius 1.0 m in scenery/test.bgl"));
  EXPECT_TRUE(run.logged("Skipped position with radius 200.0 m in scenery/test.bgl"));
  EXPECT_TRUE(run.logged("LatLon 0.000050,-0.000050 invalid (skipped)"));
  EXPECT_NEAR(a.stands[0].radius, 1.1, 1e-6);
  EXPECT_NEAR(a.stands[0].heading, std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(a.stands[0].type, 8);
  EXPECT_EQ(a.stands[15].heading, 2.0 * std::numbers::pi);  // heading 0 of a parking spot
  EXPECT_NEAR(a.stands[15].latitude, 52.3, 1e-6);
  EXPECT_NEAR(a.stands[15].longitude, 4.76, 1e-6);
  EXPECT_FALSE(a.stands[15].heli);
}

TEST(BglReader, NewAirportRecordUses40ByteEntriesAndItsOwnListId) {
  const std::vector<Spot> spots{Spot{.number = 1, .airlines = 2}, Spot{.nameCode = 4, .number = 2}};
  BglRun run;
  run.run(airportFile({airportRecord("EDDF", 100000, true, {parkingList({Spot{.number = 9}}, false), parkingList(spots, true)})}));
  ASSERT_EQ(run.generated.size(), 1U);
  EXPECT_EQ(run.ids(), (std::vector<std::string>{"g1", "ep2"}));  // the 0x3D list is stepped over
  EXPECT_EQ(run.generated[0].altitude, 328);
}

TEST(BglReader, HelipadsAndTheRecordAfterEach) {
  BglRun run;
  run.run(airportFile({airportRecord(
      "EHAM", 0, false,
      {nameRecord("Heli"), helipadRecord(52.1, 4.1, 20.0F, 0.0F), helipadRecord(52.2, 4.2, 20.0F, 45.0F),
       helipadRecord(52.3, 4.3, 30.0F, 90.0F), test::otherRecord(0x11, 18), helipadRecord(52.1, 4.1, 20.0F, 0.0F),
       test::otherRecord(0x11, 18), helipadRecord(52.4, 4.4, 10.0F, 0.0F), parkingList({Spot{}}, false)})}));
  ASSERT_EQ(run.generated.size(), 1U);
  // The record right after a helipad is only tested for being the parking list: H2 is
  // passed over, the double of H1 is decoded (and dropped), the list after H5 is decoded.
  EXPECT_EQ(run.ids(), (std::vector<std::string>{"helipad1", "helipad2", "helipad3", "g1"}));
  EXPECT_EQ(run.helipads[0], 3);
  const auto& s = run.generated[0].stands;
  EXPECT_EQ(s[0].heading, 0.0);
  EXPECT_NEAR(s[1].heading, std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(s[1].radius, 15.0);
  EXPECT_TRUE(s[1].heli);
  EXPECT_EQ(s[1].type, 0);
  EXPECT_NEAR(s[1].latitude, 52.3, 1e-6);
  EXPECT_TRUE(run.logged("double helipad Heli (skipped) 52.100000,4.100000"));
}

TEST(BglReader, NamesFirstDifferentEmptiesThirdSetsAgain) {
  struct Case {
    std::vector<std::string> names;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{{{"A"}, "A"}, {{"A", "A"}, "A"}, {{"A", "B"}, ""}, {{"A", "B", "C"}, "C"}}) {
    test::Bytes subs;
    for (const auto& n : c.names) subs.append(nameRecord(n));
    BglRun run;
    run.run(airportFile({airportRecord("EHAM", 0, false, {subs, parkingList({Spot{}}, false)})}));
    ASSERT_EQ(run.generated.size(), 1U);
    EXPECT_EQ(run.generated[0].name, c.expected);
  }
  // The name walk runs on past the airport record: a name record after it counts too.
  BglRun run;
  run.run(airportFile({airportRecord("EHAM", 0, false, {nameRecord("A"), parkingList({Spot{}}, false)}), nameRecord("B")}));
  EXPECT_EQ(run.generated.at(0).name, "");
  // At most 45 bytes; trailing zero bytes are not part of the name.
  BglRun longName;
  longName.run(airportFile({airportRecord("EHAM", 0, false, {nameRecord(std::string(50, 'x')), parkingList({Spot{}}, false)})}));
  EXPECT_EQ(longName.generated.at(0).name, std::string(45, 'x'));
}

TEST(BglReader, TwelveSpotsOfOneNameKeepEleven) {
  BglRun run;
  run.run(airportFile({airportRecord("EHAM", 0, false, {parkingList(std::vector<Spot>(12, Spot{.number = 12}), false)})}));
  ASSERT_EQ(run.ids().size(), 11U);
  EXPECT_EQ(run.ids()[10], "g12j");
  EXPECT_TRUE(run.logged("===> Warning: more than 10 duplicate IDs g12 in scenery/test.bgl"));
}

TEST(BglReader, AirportsThatAreNotGenerated) {
  BglRun run;
  run.run(airportFile({airportRecord("LFPG", 0, false, {parkingList({Spot{}}, false)}),
                       airportRecord("LAX", 0, false, {parkingList({Spot{}}, false)}),
                       airportRecord("EHAM", 0, false, {parkingList({Spot{}}, false)})}));
  EXPECT_EQ(run.scanLog.front(), "LFPG is not an airport supported by RealTraffic ");
  ASSERT_EQ(run.generated.size(), 1U);
  EXPECT_EQ(run.generated[0].icao.str(), "EHAM");
  EXPECT_TRUE(run.logged("EHAM has 1 parkpos while archived one has 0"));

  BglRun linked;
  linked.linkAll = true;
  linked.run(airportFile({airportRecord("EHAM", 0, false, {parkingList({Spot{}}, false)})}));
  EXPECT_TRUE(linked.generated.empty());
}

TEST(BglReader, SectionsThatAreNotRead) {
  test::Section other{.type = 0x25, .records = {}};
  other.records = airportRecord("EDDF", 0, false, {parkingList({Spot{}}, false)});
  test::Section wide{.selector = 0x10001, .records = {}};
  wide.records = airportRecord("EDDF", 0, false, {parkingList({Spot{}}, false)});
  test::Section airport;
  airport.records = airportRecord("EHAM", 0, false, {parkingList({Spot{}}, false)});
  BglRun run;
  run.run(test::bglFile({other, wide, airport}));
  ASSERT_EQ(run.generated.size(), 1U);
  EXPECT_EQ(run.generated[0].icao.str(), "EHAM");
}

TEST(BglReader, HeaderChecksYieldNothing) {
  const test::Bytes good = airportFile({airportRecord("EHAM", 0, false, {parkingList({Spot{}}, false)})});
  for (std::size_t size : {0, 7, 56, 57, 59}) {
    BglRun run;
    run.run(std::vector<std::byte>(good.data.begin(), good.data.begin() + static_cast<long>(size)));
    EXPECT_TRUE(run.generated.empty()) << size;
  }
  test::Bytes wrongHeader = good;
  wrongHeader.put32(4, 0x40);
  test::Bytes noSections = good;
  noSections.put32(20, 0);
  test::Bytes tooManySections = good;
  tooManySections.put32(20, 0xFFFFFFFF);
  for (const auto& bad : {wrongHeader, noSections, tooManySections}) {
    BglRun run;
    run.run(bad);
    EXPECT_TRUE(run.generated.empty());
  }
}

TEST(BglReader, WalkCapsEndRunawayWalksWithTheirWarnings) {
  test::LogCapture log;
  test::Section chain;
  for (int i = 0; i < 9001; ++i) chain.records.append(test::otherRecord(0x99, 2));
  chain.records.append(airportRecord("EHAM", 0, false, {parkingList({Spot{}}, false)}));
  BglRun run;
  run.run(test::bglFile({chain}));
  EXPECT_TRUE(run.generated.empty());
  EXPECT_TRUE(log.contains(std::string("Error: Maximum loop iterations reached (2) ") + '\x97' +
                           " possible corrupt BGL or malformed input."));

  test::Bytes subs;
  for (int i = 0; i < 9001; ++i) subs.append(test::otherRecord(0x99, 2));
  BglRun inner;
  inner.run(airportFile({airportRecord("EHAM", 0, false, {subs, parkingList({Spot{}}, false)})}));
  ASSERT_EQ(inner.generated.size(), 1U);
  EXPECT_TRUE(inner.generated[0].stands.empty());
  EXPECT_TRUE(log.contains(std::string("Error: Maximum loop iterations reached (1) ") + '\x97' +
                           " possible corrupt SIA or malformed input"));
  EXPECT_TRUE(log.contains(std::string("Error: Maximum loop iterations reached (3) ") + '\x97'));
}

}  // namespace
}  // namespace vexo
