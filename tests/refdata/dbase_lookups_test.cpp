#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "data_files.h"
#include "dbase_fixture.h"
#include "foundation/random.h"
#include "fresh_refdata.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_reader.h"
#include "test_support.h"

namespace vexo {
namespace {

using Strings = std::vector<std::string>;

class DbaseLookups : public test::FreshRefData {
protected:
  void SetUp() override {
    FreshRefData::SetUp();
    test::writeDataFile(dir / "dbase.enc", test::dbaseXml());
    ASSERT_TRUE(gf_readDbaseFrom(dir / "dbase.enc", dir / "dbase.xml"));
  }
  void TearDown() override {
    gf_setRandomEnabled(true);
    FreshRefData::TearDown();
  }
  test::TempDir dir;
  test::LogCapture log;
};

// Hyphenated spellings are tried only for long non-US registrations without a hyphen.
TEST_F(DbaseLookups, RegistrationLookupTriesSpellingsCaseSensitively) {
  EXPECT_EQ(gf_registrationVariants("DABCD"), (Strings{"DA-BCD", "D-ABCD", "DABCD"}));
  EXPECT_EQ(gf_registrationVariants("N12345"), (Strings{"N12345"}));
  EXPECT_EQ(gf_registrationVariants("G-ABCD"), (Strings{"G-ABCD"}));
  EXPECT_EQ(gf_registrationVariants("HBXY"), (Strings{"HBXY"}));
  std::optional<AcCodes> found = gf_dbaseLookup("DABCD");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(g_airlinePool.text(found->airlineId), "DLH");
  EXPECT_EQ(g_modelPool.text(found->modelId), "A320");
  EXPECT_EQ(gf_dbaseLookup("D-ABCD"), found);
  EXPECT_FALSE(gf_dbaseLookup("dabcd").has_value());
  EXPECT_FALSE(gf_dbaseLookup("").has_value());
  EXPECT_FALSE(gf_dbaseLookup("D-ABCE").has_value());
  EXPECT_TRUE(gf_dbaseLookup("N12345").has_value());  // one of its two records survives
}

TEST_F(DbaseLookups, ShortRegistrationsAndKnownCodesCompareExactly) {
  EXPECT_EQ(gf_shortRegInText("Sample C172 HBX club"), "HBX");
  EXPECT_FALSE(gf_shortRegInText("Sample C172 hbx club").has_value());
  EXPECT_FALSE(gf_shortRegInText("D-ABCD is six long").has_value());
  EXPECT_TRUE(gf_isKnownModel("B738"));
  EXPECT_FALSE(gf_isKnownModel("b738"));
  EXPECT_FALSE(gf_isKnownModel("B77L"));  // cargo codes are pooled, not known models
  EXPECT_TRUE(gf_isKnownAirline("DLH"));
  EXPECT_FALSE(gf_isKnownAirline("FDX"));
  EXPECT_FALSE(gf_isKnownAirline(""));
}

TEST_F(DbaseLookups, HalfWingspanOfUnknownModelsIsZeroAndLoggedOncePerId) {
  EXPECT_EQ(gf_halfWingspan(gf_modelCode2Id("B788")), 0.0);
  std::uint16_t late = gf_modelCode2Id("ZZ99");  // met after the dbase: beyond the table
  std::uint16_t later = gf_modelCode2Id("ZZ98");
  for (const std::uint16_t id : {late, late, later}) EXPECT_EQ(gf_halfWingspan(id), 0.0);
  std::string text = log.text();
  std::string line = fmt::format("hwsp: {} what:", late);
  EXPECT_NE(text.find(line), std::string::npos);
  EXPECT_EQ(text.find(line), text.rfind(line));
  EXPECT_NE(text.find(fmt::format("hwsp: {} what:", later)), std::string::npos);
}

TEST_F(DbaseLookups, PrefixAlternatives) {
  gf_setRandomEnabled(false);
  EXPECT_EQ(gf_prefixAlternatives("UAL"), (Strings{"ASH", "GJS"}));
  // ASH is in two groups: the text that sorts first ("ASH,GJS,UAL" < "ASH,SKW") wins.
  EXPECT_EQ(gf_prefixAlternatives("ASH"), (Strings{"GJS", "UAL"}));
  EXPECT_EQ(gf_prefixAlternatives("DAL"), (Strings{"EDV"}));
  EXPECT_TRUE(gf_prefixAlternatives("KLM").empty());
  gf_setRandomEnabled(true);  // then the order is shuffled
  gf_seedThreadRandom(7);
  std::set<Strings> orders;
  for (int i = 0; i < 20; ++i) orders.insert(gf_prefixAlternatives("UAL"));
  EXPECT_EQ(orders, (std::set<Strings>{{"ASH", "GJS"}, {"GJS", "ASH"}}));
}

TEST_F(DbaseLookups, PathsAndPublishers) {
  EXPECT_TRUE(gf_pathContainsNoCase("/sim/Addons/NORTHWIND scenery/KLAX", "Northwind Scenery"));
  EXPECT_TRUE(gf_pathContainsNoCase("/sim", ""));
  EXPECT_FALSE(gf_pathContainsNoCase("/sim/harbour", "Harbour Sims"));
  EXPECT_EQ(gf_publisherOfPath("/sim/nws_klax/scenery"), "Northwind Scenery");
  EXPECT_EQ(gf_publisherOfPath("/sim/Harbour Sims EDDF"), "Harbour Sims");
  EXPECT_FALSE(gf_publisherOfPath("/sim/other").has_value());
  g_dbase.publisherGroups.push_back({"Catch All", ""});
  EXPECT_EQ(gf_publisherOfPath("/sim/other"), "Catch All");
  EXPECT_EQ(gf_publisherOfPath("/sim/NWS"), "Northwind Scenery");
}

TEST_F(DbaseLookups, NumberAfterCode) {
  int value = 5;
  EXPECT_FALSE(gf_parseCodeNumber("stands", IcaoCode("EDDF"), "EDDM12", value));
  EXPECT_TRUE(gf_parseCodeNumber("stands", IcaoCode("EDDF"), "EDDF-12x", value));
  EXPECT_EQ(value, -12);
  EXPECT_TRUE(gf_parseCodeNumber("stands", IcaoCode("EDDF"), "EDDF", value));
  EXPECT_TRUE(gf_parseCodeNumber("stands", IcaoCode("EDDF"), "EDDF99999999999", value));
  EXPECT_TRUE(gf_parseCodeNumber("stands", IcaoCode("EDDF"), "EDDF+1", value));
  EXPECT_EQ(value, -12);
  EXPECT_TRUE(log.contains("==> stands EDDF EDDF invalid number"));
  EXPECT_TRUE(log.contains("==> stands EDDF EDDF99999999999 invalid number"));
}

TEST_F(DbaseLookups, SimilarModelsFollowInstalledLiveries) {
  const std::uint16_t b788 = gf_modelCode2Id("B788");
  const std::uint16_t b77w = gf_modelCode2Id("B77W");
  const std::uint16_t a388 = gf_modelCode2Id("A388");
  const std::uint16_t dlh = gf_airlineCode2Id("DLH");
  const std::uint16_t ual = gf_airlineCode2Id("UAL");
  // Only the B77W has liveries: DLH and UAL fly it, UAL also the A388.
  LiveryPresence liveries{
      [&](std::uint16_t model) { return model == b77w || model == a388; },
      {ual, dlh},
      [&](std::uint16_t airline, std::uint16_t model) {
        return model == b77w || (airline == ual && model == a388);
      }};
  gf_buildSimilarModels(liveries);
  const auto& similar = g_dbase.similarModelsWithLiveries;
  EXPECT_EQ(similar.at(b788), (std::vector<std::uint16_t>{a388, b77w}));
  EXPECT_EQ(similar.at(b77w), (std::vector<std::uint16_t>{a388}));
  EXPECT_EQ(similar.at(a388), (std::vector<std::uint16_t>{b77w}));
  EXPECT_FALSE(similar.contains(gf_modelCode2Id("A320")));
  const auto& lufthansa = g_dbase.similarModelsByAirline.at(dlh);
  EXPECT_EQ(lufthansa.at(b788), (std::vector<std::uint16_t>{b77w}));
  EXPECT_EQ(lufthansa.at(a388), (std::vector<std::uint16_t>{b77w}));
  EXPECT_FALSE(lufthansa.contains(b77w));
  EXPECT_EQ(g_dbase.similarModelsByAirline.at(ual).at(b788), (std::vector<std::uint16_t>{a388, b77w}));
  EXPECT_TRUE(log.contains("    3 similar model definitions"));
}

}  // namespace
}  // namespace vexo
