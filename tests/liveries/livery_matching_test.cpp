#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "airports/parking_position.h"
#include "engine/aircraft_texts.h"
#include "livery_index_fixture.h"
#include "liveries/livery_matching.h"
#include "refdata/dbase_lookups.h"

namespace vexo {
namespace {

using test::livery;

AcData aircraft(const std::string& airline, const std::string& op, const std::string& model,
                const std::string& registration = "", std::uint8_t cargo = 0) {
  AcData a;
  a.codes = AcCodes{gf_airlineCode2Id(airline), op.empty() ? std::uint16_t{0} : gf_airlineCode2Id(op),
                    gf_modelCode2Id(model), cargo, 0};
  a.registration = registration;
  a.category = gf_modelCategory(a.codes.modelId);
  a.callsign = "TST123";
  return a;
}

class LiveryMatchingTest : public test::LiveryIndexTest {
protected:
  void SetUp() override {
    LiveryIndexTest::SetUp();
    g_dbase.prefixMap["HB-"] = {"OE-"};
    build(test::sampleLiveries());
  }
  // The title gf_matchLivery gives and the step it counted (-1: none counted).
  std::pair<std::string, int> match(AcData a, int depth = 4, const RefusedTitles& refused = {}) {
    g_settings.MATCHING_DEPTH.value = depth;
    const auto before = g_liveryIndex.matchStepCounts;
    gf_matchLivery(a, refused);
    int step = -1;
    for (std::size_t s = 0; s < g_matchSteps; ++s)
      if (g_liveryIndex.matchStepCounts[s] != before[s]) step = static_cast<int>(s);
    return {std::string(a.liveryTitle), step};
  }
};

TEST_F(LiveryMatchingTest, EachStepIsReachedAndChosenAsSpecified) {
  struct Case {
    AcData a;
    std::string title;
    int step;
  };
  const Case cases[] = {
      {aircraft("UAL", "", "B738", "N1UA"), "UAL B738 pax a", 0},  // unique, reserved or not
      {aircraft("DAL", "", "B738", "N2DL"), "DAL B738 mainline", 1},
      {aircraft("KLM", "", "A320", "N301DV"), "EDV B738 plain", 1},
      {aircraft("DAL", "EDV", "B738"), "DAL EDV B738 declared", 2},
      {aircraft("UAL", "", "B738"), "UAL B738 pax b", 2},  // pax a is reserved
      {aircraft("UAL", "", "B738", "", 1), "UAL B738 freighter", 2},
      {aircraft("FDX", "", "B77W", "", 1), "FDX B77W cargo", 2},
      {aircraft("FDX", "", "B77W"), "", -1},  // a pax aircraft never takes a cargo livery
      {aircraft("DAL", "", "B739"), "DAL B738 Endeavor partner", 3},
      {aircraft("KLM", "", "C172"), "KLM C182", 3},
      {aircraft("PVT", "", "B738", "N55"), "ZZZ B738 generic", 4},
      {aircraft("XXX", "", "B738"), "ZZZ B738 generic", 4},
      {aircraft("PVT", "", "C172", "D-EABC"), "PVT C172 D-EXYZ", 2},
      {aircraft("PVT", "", "C172", "HB-ABC"), "PVT C172 OE-KAB", 2},  // alternative prefix
      {aircraft("PVT", "", "C172", "N12AB"), "PVT C172 D-EXYZ", 2},   // any of the model
      {aircraft("XXX", "", "C172", "G-ABCD"), "PVT C172 D-EXYZ", 5},
      {aircraft("XXX", "", "R44", "G-ABCD"), "UAL EC35 heli", 6},     // a random model of the category
      {aircraft("XXX", "", "B739", "G-ABCD"), "", -1},                // Large: no steps 5 and 6
      {aircraft("XXX", "", "C177"), "", -1},                          // 5 and 6 need a registration
  };
  for (const Case& c : cases) {
    const auto [title, step] = match(c.a);
    EXPECT_EQ(title, c.title) << gf_acShortText(c.a);
    EXPECT_EQ(step, c.step) << gf_acShortText(c.a);
  }
  const auto [title, step] = match(aircraft("XXX", "", "C177", "G-ABCD"));
  EXPECT_TRUE(title == "PVT C172 D-EXYZ" || title == "KLM C182") << title;  // a similar model
  EXPECT_EQ(step, 6);
}

// A Buzjets aircraft whose model has no livery and no similar models takes a livery of an
// installed Buzjets model: the first one in model order, or a random one with RANDOM on;
// with no Buzjets livery installed it takes none.
TEST_F(LiveryMatchingTest, ABuzjetWithoutLiveryOrSimilarModelsTakesThatOfAnInstalledBuzjet) {
  for (const char* m : {"C25A", "C56X", "E55P"}) g_dbase.buzjetIds.insert(gf_modelCode2Id(m));
  auto liveries = test::sampleLiveries();
  liveries.push_back(livery("KLM", "", "C56X", "KLM C56X"));
  liveries.push_back(livery("UAL", "", "C25A", "UAL C25A"));
  g_liveryIndex = LiveryIndex{};
  build(liveries);
  EXPECT_EQ(g_liveryIndex.buzjetModels, (std::vector<std::uint16_t>{gf_modelCode2Id("C25A"), gf_modelCode2Id("C56X")}));
  EXPECT_EQ(match(aircraft("XXX", "", "E55P", "G-ABCD")), (std::pair<std::string, int>{"UAL C25A", 6}));
  EXPECT_EQ(match(aircraft("XXX", "", "E55P")), (std::pair<std::string, int>{"", -1}))
      << "the step needs a registration";
  gf_setRandomEnabled(true);
  gf_seedThreadRandom(11);
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) seen.insert(match(aircraft("XXX", "", "E55P", "G-ABCD")).first);
  EXPECT_EQ(seen, (std::set<std::string>{"KLM C56X", "UAL C25A"}));
  gf_setRandomEnabled(false);

  g_liveryIndex = LiveryIndex{};
  build(test::sampleLiveries());
  EXPECT_EQ(lf_randomBuzjetModel(), 0);
  EXPECT_EQ(match(aircraft("XXX", "", "E55P", "G-ABCD")), (std::pair<std::string, int>{"", -1}));
}

TEST_F(LiveryMatchingTest, DepthCutsTheChain) {
  struct Case {
    AcData a;
    int depth;
    std::string title;
  };
  const Case cases[] = {
      {aircraft("DAL", "", "B738", "N2DL"), 1, "DAL B738 mainline"},
      {aircraft("DAL", "EDV", "B738"), 1, ""},
      {aircraft("DAL", "EDV", "B738"), 2, "DAL EDV B738 declared"},
      {aircraft("PVT", "", "B738", "N55"), 2, "ZZZ B738 generic"},
      {aircraft("DAL", "", "B739"), 2, ""},
      {aircraft("DAL", "", "B739"), 3, "DAL B738 Endeavor partner"},
      {aircraft("XXX", "", "B738"), 3, ""},
      {aircraft("XXX", "", "B738"), 4, "ZZZ B738 generic"},
  };
  for (const Case& c : cases) EXPECT_EQ(match(c.a, c.depth).first, c.title) << c.depth << gf_acShortText(c.a);
}

TEST_F(LiveryMatchingTest, RefusedTitlesAreClearedAndTheChainGoesOn) {
  const RefusedTitles refused{"DAL B738 mainline", "DAL EDV B738 declared"};
  EXPECT_EQ(match(aircraft("DAL", "", "B738", "N2DL"), 1, refused), (std::pair<std::string, int>{"", -1}));
  EXPECT_EQ(match(aircraft("DAL", "", "B738", "N2DL"), 4, refused),
            (std::pair<std::string, int>{"DAL B738 Endeavor partner", 2}));
  // The first pick of the operator chain was refused: step 2 is done, the similar models follow.
  EXPECT_EQ(match(aircraft("DAL", "EDV", "B738"), 2, refused).first, "");
}

TEST_F(LiveryMatchingTest, TheOperatorChainTriesItsFiveWaysInOrder) {
  const std::pair<std::list<LiveryData>, std::string> sets[] = {
      {test::sampleLiveries(), "DAL EDV B738 declared"},
      {{livery("EDV", "", "B738", "EDV B738 plain"), livery("EDV", "", "B738", "EDV B738 Delta colours"),
        livery("DAL", "", "B738", "DAL B738 Endeavor partner")},
       "EDV B738 Delta colours"},
      {{livery("EDV", "", "B738", "EDV B738 plain"), livery("DAL", "", "B738", "DAL B738 mainline"),
        livery("DAL", "", "B738", "DAL B738 Endeavor partner")},
       "DAL B738 Endeavor partner"},
      {{livery("EDV", "", "B738", "EDV B738 plain"), livery("DAL", "", "B738", "DAL B738 mainline")},
       "EDV B738 plain"},
      {{livery("DAL", "", "B738", "DAL B738 mainline")}, "DAL B738 mainline"},
  };
  for (const auto& [liveries, expected] : sets) {
    lf_forgetLiveries();
    build(liveries, nullptr);
    EXPECT_EQ(match(aircraft("DAL", "EDV", "B738"), 2), (std::pair<std::string, int>{expected, 2}));
  }
}

// Looking up an airline+operator that no livery declares adds nothing to the airline pool.
TEST_F(LiveryMatchingTest, UnknownOperatorPairsAreNotAddedToThePool) {
  const AcData a = aircraft("UAL", "DAL", "B738");
  const std::size_t pool = g_airlinePool.size();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(match(a).first, "DAL B738 Endeavor partner");  // the operator's own
  EXPECT_EQ(g_airlinePool.size(), pool);
  EXPECT_FALSE(g_airlinePool.find("UALDAL").has_value());
}

TEST_F(LiveryMatchingTest, RandomOffTakesTheFirstAndRandomOnAvoidsReservedTitles) {
  const auto similar = g_dbase.similarModelsWithLiveries;
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(match(aircraft("UAL", "", "B738")).first, "UAL B738 pax b");
    EXPECT_EQ(match(aircraft("XXX", "", "C177", "G-ABCD")).first, match(aircraft("XXX", "", "C177", "G-ABCD")).first);
  }
  EXPECT_EQ(g_dbase.similarModelsWithLiveries, similar);  // never reshuffled
  gf_setRandomEnabled(true);
  gf_seedThreadRandom(7);
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) seen.insert(match(aircraft("DAL", "", "B738")).first);
  EXPECT_EQ(seen, (std::set<std::string>{"DAL B738 Endeavor partner"}));  // mainline is reserved
  seen.clear();
  for (int i = 0; i < 200; ++i) seen.insert(match(aircraft("EDV", "", "B738")).first);
  EXPECT_EQ(seen.size(), 2U);
}

TEST_F(LiveryMatchingTest, StaticAircraftAreLoggedNotCounted) {
  test::LogCapture log;
  const ParkingPosition stand("G12", {}, 33.9, -118.4, 0.0, 20.0, 0, true, false, false);
  const auto counts = g_liveryIndex.matchStepCounts;
  StaticAc pvt;
  static_cast<AcData&>(pvt) = aircraft("PVT", "", "B738", "N55");
  EXPECT_TRUE(gf_matchStaticLivery(pvt, stand));
  EXPECT_EQ(pvt.liveryTitle, "ZZZ B738 generic");
  EXPECT_TRUE(gf_matchStaticLivery(pvt, stand));  // already has its title
  StaticAc none;
  static_cast<AcData&>(none) = aircraft("XXX", "", "B739");
  EXPECT_FALSE(gf_matchStaticLivery(none, stand));
  StaticAc cargo;
  static_cast<AcData&>(cargo) = aircraft("UAL", "", "B738");
  g_settings.MATCHING_DEPTH.value = 2;
  EXPECT_TRUE(gf_matchStaticLivery(cargo, stand));
  EXPECT_EQ(cargo.liveryTitle, "UAL B738 pax b");  // the stand's cargo flag serves only the generic steps
  EXPECT_EQ(g_liveryIndex.matchStepCounts, counts);
  EXPECT_TRUE(log.contains("=4= ZZZ B738 generic\n"));
  EXPECT_TRUE(log.contains("=s= ZZZ B738 generic\n"));
  EXPECT_TRUE(log.contains("\nG12     : TST123    XXX     B739     no livery match ...\n"));
}

// A private static aircraft takes its generic livery by the stand: a cargo stand gives
// the generic freighter, a gate the generic pax livery of the same model.
TEST_F(LiveryMatchingTest, StaticPrivateAircraftTakesTheStandsCargoFlag) {
  g_liveryIndex = LiveryIndex{};
  auto liveries = test::sampleLiveries();
  liveries.push_back(livery("ZZZ", "", "B738", "ZZZ B738 freighter", "", 1));
  build(liveries);
  g_settings.MATCHING_DEPTH.value = 2;
  for (const bool cargo : {true, false}) {
    const ParkingPosition stand("S1", {}, 33.9, -118.4, 0.0, 20.0, 0, cargo, false, false);
    StaticAc pvt;
    static_cast<AcData&>(pvt) = aircraft("PVT", "", "B738", "N55");
    EXPECT_TRUE(gf_matchStaticLivery(pvt, stand));
    EXPECT_EQ(pvt.liveryTitle, cargo ? "ZZZ B738 freighter" : "ZZZ B738 generic");
  }
}

TEST(RegistrationPrefix, HyphenOrFirstCharacter) {
  EXPECT_EQ(lf_registrationPrefix("D-EABC"), "D-");
  EXPECT_EQ(lf_registrationPrefix("HB-ABC"), "HB-");
  EXPECT_EQ(lf_registrationPrefix("N12345"), "N");
  EXPECT_EQ(lf_registrationPrefix("-ABC"), "-");
  EXPECT_EQ(lf_registrationPrefix("X"), "X");
  EXPECT_EQ(lf_registrationPrefix(""), "");
  EXPECT_EQ(lf_airlineWord("DAL"), "Delta");
  EXPECT_EQ(lf_airlineWord("WJA"), "WestJet");
  EXPECT_EQ(lf_airlineWord("KLM"), "");
}

}  // namespace
}  // namespace vexo
