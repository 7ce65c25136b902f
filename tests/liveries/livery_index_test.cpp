#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/log.h"
#include "livery_index_fixture.h"
#include "platform/controls.h"
#include "refdata/dbase_lookups.h"

namespace vexo {
namespace {

using test::LiveryIndexTest;
using test::livery;

std::uint16_t airline(const char* code) { return *g_airlinePool.find(code); }
std::uint16_t model(const char* code) { return *g_modelPool.find(code); }

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Whether a view points into one of the strings that the airline map owns.
bool ownedByIndex(std::string_view view) {
  for (const auto& [key, models] : g_liveryIndex.airlineLiveries)
    for (const auto& [m, list] : models)
      for (const LiveryTitle& t : list)
        if (t.title.data() == view.data() && t.title.size() == view.size()) return true;
  return false;
}

TEST_F(LiveryIndexTest, BuildsKeysSplitsCargoAndCountsRegistrations) {
  test::LogCapture log;
  build(test::sampleLiveries());
  const auto& ix = g_liveryIndex;
  EXPECT_TRUE(gf_hasLivery(airline("DAL"), model("B738")));
  EXPECT_TRUE(gf_hasLivery(airline("DALEDV"), model("B738")));
  EXPECT_FALSE(gf_hasLivery(airline("EDV"), model("A320")));
  EXPECT_EQ(ix.airlineTitles[g_pax].at(airline("UAL")).at(model("B738")),
            (TitleViews{"UAL B738 pax a", "UAL B738 pax b"}));
  EXPECT_EQ(ix.airlineTitles[g_cargo].at(airline("UAL")).at(model("B738")), TitleViews{"UAL B738 freighter"});
  EXPECT_FALSE(ix.airlineTitles[g_pax].contains(airline("FDX")));
  EXPECT_EQ(ix.modelTitles[g_cargo].at(model("B738")), TitleViews{"UAL B738 freighter"});
  EXPECT_EQ(ix.modelTitles[g_pax].at(model("B738")).size(), 8U);
  // The AIG list overrides the in-line N301DV; its special entries reserve their titles.
  EXPECT_EQ(ix.regcodeTitles.at("N301DV"), "EDV B738 plain");
  EXPECT_EQ(ix.titleRegcodes.at(lf_indexedTitle("Delta A320 N301DV")), "N301DV");
  EXPECT_FALSE(ix.regcodeTitles.contains("N9XX"));
  EXPECT_EQ(ix.uniqueRegcodes, (std::set<std::string, std::less<>>{"N1UA"}));
  EXPECT_EQ(ix.reservedTitles, (std::vector<std::string_view>{"UAL B738 pax a", "DAL B738 mainline"}));
  EXPECT_EQ(test::readFile(g_offlineRegcodesPath),
            "Processing file input/AIG-regcodes.xml\n"
            "   regcode N301DV for 'EDV B738 plain', instead of the same for 'Delta A320 N301DV'\n"
            "3 new regcodes added, 1 regcode replaced, 2 regcodes defined as special\n");
  EXPECT_FALSE(std::filesystem::exists(g_aigRegcodesXmlPath));
  for (const char* line : {"    6 registration codes", "    2 special liveries", "    1 unique liveries",
                           "Category Light: 4 pax liveries", "  C172,C182", "Category Large: 9 pax liveries and 1 cargo "
                           "liverie\n", "Category HighPerf: No livery found",
                           "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High Perf aircraft "
                           "installed", "Category Rotorcraft: 1 pax liverie\n", "1 model have a generic livery\n  B738\n"})
    EXPECT_TRUE(log.contains(line)) << line;
  EXPECT_FALSE(g_settings.HIGH_PERF_AIRCRAFT.value);
  EXPECT_EQ(ix.lightModels, (std::vector<std::uint16_t>{model("C172"), model("C182")}));
  EXPECT_EQ(ix.rotorcraftModels, std::vector<std::uint16_t>{model("EC35")});
  EXPECT_TRUE(g_liveryScan.scannedLiveries.empty());
  g_settings.HIGH_PERF_AIRCRAFT.value = true;
}

// A category without liveries disables its checkbox, whether its setting was on (then
// switched off) or off already; a category with liveries enables its checkbox.
TEST_F(LiveryIndexTest, CheckboxesFollowTheCategoriesFound) {
  platform::HeadlessControls controls;
  platform::ScopedControls scoped{controls};
  for (const bool wasOn : {true, false}) {
    g_liveryIndex = LiveryIndex{};
    g_settings.HIGH_PERF_AIRCRAFT.value = wasOn;
    controls.setEnabled(cmd::highPerfAircraft, true);
    controls.setEnabled(cmd::lightAircraft, false);
    controls.setEnabled(cmd::helicopters, false);
    test::LogCapture log;
    build(test::sampleLiveries());
    EXPECT_FALSE(controls.isEnabled(cmd::highPerfAircraft)) << wasOn;
    EXPECT_TRUE(controls.isEnabled(cmd::lightAircraft)) << wasOn;
    EXPECT_TRUE(controls.isEnabled(cmd::helicopters)) << wasOn;
    EXPECT_FALSE(g_settings.HIGH_PERF_AIRCRAFT.value);
    EXPECT_EQ(log.contains("HIGH_PERF_AIRCRAFT temporarily switched off"), wasOn);
  }
  g_settings.HIGH_PERF_AIRCRAFT.value = true;
}

// Short titles sit inside their strings: a view taken before the lists were final would
// point at a moved-from buffer.
TEST_F(LiveryIndexTest, EveryViewPointsIntoTheAirlineMap) {
  build(test::sampleLiveries());
  const auto& ix = g_liveryIndex;
  for (const auto& map : ix.airlineTitles)
    for (const auto& [key, models] : map)
      for (const auto& [m, list] : models)
        for (auto v : list) EXPECT_TRUE(ownedByIndex(v)) << v;
  for (const auto& map : ix.modelTitles)
    for (const auto& [m, list] : map)
      for (auto v : list) EXPECT_TRUE(ownedByIndex(v)) << v;
  for (const auto& [r, v] : ix.regcodeTitles) EXPECT_TRUE(ownedByIndex(v)) << r;
  for (auto v : ix.reservedTitles) EXPECT_TRUE(ownedByIndex(v)) << v;
  EXPECT_TRUE(ownedByIndex(lf_indexedTitle("KLM C182")));
  EXPECT_TRUE(lf_indexedTitle("KLM C18").empty());
}

TEST_F(LiveryIndexTest, InlineClashKeepsTheFirstTitleAndIsReported) {
  build({livery("KLM", "", "C182", "KLM C182 a", "PH-ABC"), livery("KLM", "", "C182", "KLM C182 b", "PH-ABC")},
        nullptr);
  EXPECT_EQ(g_liveryIndex.regcodeTitles.at("PH-ABC"), "KLM C182 a");
  EXPECT_EQ(g_liveryIndex.titleRegcodes.at(lf_indexedTitle("KLM C182 b")), "PH-ABC");
  EXPECT_EQ(test::readFile(g_inlineRegcodesPath), "PH-ABC 'KLM C182 b' => already in use by 'KLM C182 a'\n");
}

// The user's own lists do not depend on the shipped one being readable.
TEST_F(LiveryIndexTest, UserListsAreReadWhenTheAigListCannotBeDecrypted) {
  test::writeFile(g_aigRegcodesEncPath, "not an encrypted file");
  test::LogCapture log;
  build(test::sampleLiveries(), nullptr, "KLM C182;PH-KLM\n");
  EXPECT_EQ(g_liveryIndex.regcodeTitles.at("PH-KLM"), "KLM C182");
  EXPECT_EQ(g_liveryIndex.uniqueRegcodes, (std::set<std::string, std::less<>>{"PH-KLM"}));
  EXPECT_EQ(count(log.text(), "could not be decrypted: only the regcode files"), 1U);
  EXPECT_NE(test::readFile(g_offlineRegcodesPath).find("Processing files in input/my_regcodes"), std::string::npos);
}

TEST_F(LiveryIndexTest, ASecondStartUpSkipsTheBuild) {
  build(test::sampleLiveries());
  test::LogCapture log;
  g_liveryScan.scannedLiveries.push_back(livery("KLM", "", "C182", "left over"));
  gf_processScannedLiveries();
  EXPECT_TRUE(log.contains("Processing scanned liveries skipped; already done in previous start-up"));
  EXPECT_TRUE(g_liveryScan.scannedLiveries.empty());
}

// Forgetting empties every table, the similar models of the reference data included, so
// the next build reflects the new scan only.
TEST_F(LiveryIndexTest, ForgettingEmptiesEveryTableForTheNextBuild) {
  build(test::sampleLiveries());
  g_liveryIndex.matchStepCounts[2] = 5;
  ASSERT_TRUE(g_dbase.similarModelsByAirline.at(airline("KLM")).contains(model("C172")));
  lf_forgetLiveries();
  const auto& ix = g_liveryIndex;
  EXPECT_FALSE(ix.liveriesProcessed);
  EXPECT_TRUE(ix.airlineLiveries.empty() && ix.titleIndex.empty() && ix.regcodeTitles.empty() &&
              ix.titleRegcodes.empty() && ix.uniqueRegcodes.empty() && ix.reservedTitles.empty() &&
              ix.reservedTitleSet.empty() && ix.lightModels.empty() && ix.rotorcraftModels.empty());
  for (std::size_t pc : {g_pax, g_cargo}) EXPECT_TRUE(ix.airlineTitles[pc].empty() && ix.modelTitles[pc].empty());
  EXPECT_TRUE(g_dbase.similarModelsByAirline.empty() && g_dbase.similarModelsWithLiveries.empty());
  EXPECT_EQ(ix.matchStepCounts[2], 5);  // statistics run for the whole program
  build({livery("KLM", "", "C172", "KLM C172"), livery("KLM", "", "C182", "KLM C182")}, nullptr);
  EXPECT_FALSE(g_dbase.similarModelsByAirline.at(airline("KLM")).contains(model("C172")));
  EXPECT_EQ(ix.lightModels.size(), 2U);
  EXPECT_TRUE(ix.reservedTitles.empty());
}

TEST_F(LiveryIndexTest, ModelListsBreakAfterTwentyCodes) {
  std::vector<std::uint16_t> models;
  for (int i = 0; i < 41; ++i) models.push_back(gf_modelCode2Id("M" + std::to_string(100 + i)));
  test::LogCapture log;
  lf_logModelList(nullptr, models);
  const std::string text = log.text();
  EXPECT_EQ(count(text, "  M"), 3U);
  EXPECT_NE(text.find("M119\n  M120,"), std::string::npos);
  EXPECT_NE(text.find("M139\n  M140\n"), std::string::npos);
}

}  // namespace
}  // namespace vexo
