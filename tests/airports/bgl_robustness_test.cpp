#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

#include <pugixml.hpp>

#include "bgl_fixture.h"
#include "test_support.h"

namespace vexo {
namespace {

// The real scenery file against the XML it was compiled from.
TEST(BglRealFile, TestAirportDecodesToItsSource) {
  const auto dir = test::testdataDir() / "bgl";
  BglRun run;
  lf_processBGLfile(dir / "KTST_TestAirport_v5.BGL", run.hooks());
  ASSERT_EQ(run.generated.size(), 1U);
  const BglAirport& a = run.generated[0];
  EXPECT_EQ(a.icao.str(), "KTST");
  EXPECT_EQ(run.helipads[0], 1);
  EXPECT_EQ(run.scanLog, std::vector<std::string>{"KTST has 3 parkpos while archived one has 0"});

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file((dir / "KTST_TestAirport_v5.xml").c_str()));
  const pugi::xml_node airport = doc.child("FSData").child("Airport");
  EXPECT_EQ(a.name, airport.attribute("name").as_string());
  EXPECT_EQ(a.altitude, std::lround(airport.attribute("alt").as_double() * 3.2808399));

  // The compiler's name and type codes of the two spots: GATE 10 ("g"), PARKING 1 ("r");
  // GATE_SMALL 8, RAMP_GA_SMALL 2.
  const std::map<std::string, std::string> prefix{{"GATE", "g"}, {"PARKING", "r"}};
  const std::map<std::string, int> type{{"GATE_SMALL", 8}, {"RAMP_GA_SMALL", 2}};
  struct Expected {
    std::string id;
    double latitude, longitude, heading, radius;
    std::uint16_t type;
    bool heli;
  };
  std::vector<Expected> expected;
  const pugi::xml_node heli = airport.child("Helipad");
  expected.push_back(Expected{"helipad1", heli.attribute("lat").as_double(), heli.attribute("lon").as_double(),
                              heli.attribute("heading").as_double() * 0.017453292519943295,
                              heli.attribute("width").as_double() * 0.3048 * 0.5, 0, true});
  for (const pugi::xml_node p : airport.children("TaxiwayParking")) {
    expected.push_back(Expected{prefix.at(p.attribute("name").as_string()) + p.attribute("number").as_string(),
                                p.attribute("lat").as_double(), p.attribute("lon").as_double(),
                                p.attribute("heading").as_double() * 0.017453292519943295,
                                p.attribute("radius").as_double(),
                                static_cast<std::uint16_t>(type.at(p.attribute("type").as_string())), false});
  }
  ASSERT_EQ(a.stands.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const BglStand& got = a.stands[i];
    SCOPED_TRACE(expected[i].id);
    EXPECT_EQ(got.id(), expected[i].id);
    EXPECT_NEAR(got.latitude, expected[i].latitude, 1e-6);
    EXPECT_NEAR(got.longitude, expected[i].longitude, 1e-6);
    EXPECT_NEAR(got.heading, expected[i].heading, 1e-6);
    EXPECT_NEAR(got.radius, expected[i].radius, 1e-3);
    EXPECT_EQ(got.type, expected[i].type);
    EXPECT_EQ(got.heli, expected[i].heli);
  }
}

TEST(BglQuickTest, ReadsOnlyTheHeaderAndSectionTable) {
  test::TempDir dir;
  const auto airport = airportFile({airportRecord("EHAM", 0, false, {parkingList({Spot{}}, false)})});
  test::writeBytes(dir / "a.bgl", airport.data);
  EXPECT_TRUE(lf_isAirportBgl(dir / "a.bgl"));
  EXPECT_TRUE(lf_isAirportBgl(test::testdataDir() / "bgl" / "KTST_TestAirport_v5.BGL"));

  test::Section objects{.type = 0x25, .records = {}};
  objects.records = test::otherRecord(0x99, 50);
  test::writeBytes(dir / "n.bgl", test::bglFile({objects, objects}).data);
  EXPECT_FALSE(lf_isAirportBgl(dir / "n.bgl"));

  // 76 bytes hold exactly one section entry; a count of 2 does not fit.
  test::Bytes one = test::bglFile({test::Section{}});
  one.data.resize(76);
  test::writeBytes(dir / "one.bgl", one.data);
  EXPECT_TRUE(lf_isAirportBgl(dir / "one.bgl"));
  one.put32(20, 2);
  test::writeBytes(dir / "two.bgl", one.data);
  EXPECT_FALSE(lf_isAirportBgl(dir / "two.bgl"));
  one.data.resize(56);
  test::writeBytes(dir / "short.bgl", one.data);
  EXPECT_FALSE(lf_isAirportBgl(dir / "short.bgl"));
  EXPECT_FALSE(lf_isAirportBgl(dir / "missing.bgl"));

  EXPECT_EQ(gf_readFileBytes(dir / "a.bgl"), airport.data);
  EXPECT_EQ(gf_readFileBytes(dir / "missing.bgl"), std::nullopt);
}

// A task reads its file whole, padded to whole words; what cannot be read yields nothing.
TEST(BglWords, FileReadWholePaddedToWords) {
  test::TempDir dir;
  test::Bytes odd = test::bglFile({test::Section{}});
  odd.data.resize(57);
  odd.data[56] = std::byte{0x7F};
  test::writeBytes(dir / "odd.bgl", odd.data);
  const auto words = lf_readBglWords(dir / "odd.bgl", "odd.bgl");
  ASSERT_TRUE(words);
  EXPECT_EQ(words->byteCount(), 60U);
  EXPECT_EQ(words->wordCount(), 15U);
  EXPECT_EQ(words->u32(56), 0x7FU);
  EXPECT_EQ(words->u32(20), 1U);
  EXPECT_THROW(words->u32(57), BglRangeError);
  test::writeBytes(dir / "empty.bgl", {});
  ASSERT_TRUE(lf_readBglWords(dir / "empty.bgl", "empty.bgl"));
  EXPECT_EQ(lf_readBglWords(dir / "empty.bgl", "empty.bgl")->wordCount(), 0U);
  EXPECT_FALSE(lf_readBglWords(dir / "missing.bgl", "missing.bgl"));
  EXPECT_FALSE(lf_readBglWords(dir.path(), "folder"));
}

// Reads that the file's own sizes and counts would take past their record or the data end
// that walk with a scan-log line, keeping what was decoded.
TEST(BglCorrupt, ListsAndWalksStopAtTheirBounds) {
  const std::vector<Spot> two{Spot{.number = 1}, Spot{.number = 2}};
  BglRun count;
  count.run(airportFile({airportRecord("EHAM", 0, false, {parkingList(two, false, 65535)})}));
  EXPECT_EQ(count.ids(), (std::vector<std::string>{"g1", "g2"}));
  EXPECT_TRUE(count.logged("===> Warning: parking entry at offset"));

  // The list's own size ends after the first entry although the data go on.
  test::Bytes shortList = parkingList(two, false);
  shortList.put32(2, 8 + 36);
  BglRun inList;
  inList.run(airportFile({airportRecord("EHAM", 0, false, {shortList, test::otherRecord(0x11, 30)})}));
  EXPECT_EQ(inList.ids(), (std::vector<std::string>{"g1"}));

  // A helipad whose size is too small for its fields is not read beyond it.
  test::Bytes shortHeli = helipadRecord(52.1, 4.1, 20.0F, 0.0F);
  shortHeli.put32(2, 12);
  BglRun heli;
  heli.run(airportFile({airportRecord("EHAM", 0, false, {shortHeli, parkingList(two, false)})}));
  EXPECT_TRUE(heli.generated.at(0).stands.empty());
  EXPECT_TRUE(heli.logged("===> Warning: helipad at offset"));

  // Sub-record sizes 0 to 5 end the walk (0 to 3 would never advance); what came before stays.
  for (std::uint32_t size = 0; size <= 5; ++size) {
    test::Bytes odd = test::otherRecord(0x11, 10);
    odd.put32(2, size);
    BglRun run;
    run.run(airportFile({airportRecord("EHAM", 0, false,
                                       {helipadRecord(52.1, 4.1, 20.0F, 0.0F), nameRecord("x"), odd, parkingList(two, false)})}));
    ASSERT_EQ(run.generated.size(), 1U) << size;
    EXPECT_EQ(run.ids().front(), "helipad1");
  }

  // An airport whose record header starts in the last word of the data.
  test::Bytes lastWord = airportFile({airportRecord("EHAM", 0, false, {parkingList(two, false)})});
  lastWord.append(test::Bytes().u16(0x3C).u16(0));
  BglRun tail;
  EXPECT_NO_THROW(tail.run(lastWord));
}

TEST(BglCorrupt, NonFiniteValuesNeverReachTheStands) {
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float inf = std::numeric_limits<float>::infinity();
  BglRun run;
  run.run(airportFile({airportRecord(
      "EHAM", 0, false,
      {helipadRecord(52.1, 4.1, nan, 0.0F), test::otherRecord(0x11, 2), helipadRecord(52.2, 4.2, 20.0F, inf),
       test::otherRecord(0x11, 2), helipadRecord(52.3, 4.3, 20.0F, 10.0F),
       parkingList({Spot{.number = 1, .radius = nan}, Spot{.number = 2, .radius = inf}, Spot{.number = 3, .heading = nan},
                    Spot{.number = 4, .heading = -inf}, Spot{.number = 5}},
                   false)})}));
  EXPECT_EQ(run.ids(), (std::vector<std::string>{"helipad1", "g5"}));
  EXPECT_TRUE(run.logged("Skipped position with radius NAN m in scenery/test.bgl"));
  EXPECT_TRUE(run.logged("Skipped position g3 with heading NAN in scenery/test.bgl"));
  EXPECT_TRUE(run.logged("Skipped helipad with width NAN m and heading 0.0 in scenery/test.bgl"));
}

// Truncations, bit flips and overwritten sizes, counts and offsets: never a crash, a hang, an
// escaped exception or a non-finite value (run under ASan/UBSan in CI).
TEST(BglCorrupt, SeededMutationsAreHarmless) {
  const test::Bytes base = test::bglFile(
      {test::Section{.type = 0x25, .records = test::otherRecord(0x99, 30)},
       test::Section{.records = [] {
          test::Bytes r = airportRecord("EHAM", 1000, false,
                                        {nameRecord("Schiphol"), helipadRecord(52.1, 4.1, 20.0F, 0.0F),
                                         parkingList({Spot{.airlines = 2}, Spot{.nameCode = 14, .number = 5}}, false)});
          r.append(airportRecord("EDDF", 1000, true,
                                 {nameRecord("Frankfurt"), parkingList({Spot{.airlines = 1}, Spot{.number = 2}}, true)}));
          return r;
        }()}});
  std::mt19937 rng(20261207);
  const std::uint32_t specials[] = {0, 1, 2, 3, 4, 5, 6, 0xFFFF, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF};
  for (int i = 0; i < 4000; ++i) {
    std::vector<std::byte> data = base.data;
    const int mutations = 1 + static_cast<int>(rng() % 3);
    for (int m = 0; m < mutations; ++m) {
      const std::size_t at = rng() % data.size();
      switch (rng() % 4) {
        case 0: data.resize(at); break;
        case 1: data[at] ^= static_cast<std::byte>(1U << (rng() % 8)); break;
        default: {
          const std::uint32_t v = (rng() % 2) != 0U ? specials[rng() % std::size(specials)] : static_cast<std::uint32_t>(rng());
          for (std::size_t b = 0; b < 4 && at + b < data.size(); ++b) data[at + b] = static_cast<std::byte>(v >> (8 * b));
        }
      }
      if (data.empty()) break;
    }
    BglRun run;
    ASSERT_NO_THROW(run.run(data)) << "iteration " << i;
    for (const auto& a : run.generated) {
      for (const auto& s : a.stands) {
        ASSERT_TRUE(std::isfinite(s.heading) && std::isfinite(s.radius) && std::isfinite(s.latitude)) << i;
      }
    }
  }
}

}  // namespace
}  // namespace vexo
