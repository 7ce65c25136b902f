#include "liveries/cfg_keys.h"

#include <gtest/gtest.h>

namespace vexo {
namespace {

TEST(CfgKeys, KeyLines) {
  struct Case {
    std::string line;
    std::string key;
    std::string value;  // empty: no match
  };
  const Case cases[] = {
      {"title=My Livery", "title", "My Livery"},
      {"Title = My Livery   ", "title", "My Livery"},
      {"  TITLE\t=\tA ; comment", "title", "A ; comment"},
      {"title=", "title", ""},
      {"title=   ", "title", ""},
      {"title_x=A", "title", ""},
      {"xtitle=A", "title", ""},
      {"title A", "title", ""},
      {"title=a\rb", "title", ""},
      {"title=ab\r", "title", "ab"},
      {"atc_id=PH-BXA", "atc_id", "PH-BXA"},
      {"atc_id_color=0xffffff", "atc_id", ""},
      {"ATC_PARKING_CODES = KLM ,BAW", "atc_parking_codes", "KLM ,BAW"},
  };
  for (const auto& c : cases) EXPECT_EQ(lf_keyValue(c.line, c.key), c.value) << c.line;
}

TEST(CfgKeys, MatchersSetOnlyOnAMatch) {
  std::string value = "kept";
  EXPECT_FALSE(lf_matchTitle("title=", value));
  EXPECT_EQ(value, "kept");
  EXPECT_TRUE(lf_matchTexture("texture = KLM", value));
  EXPECT_EQ(value, "KLM");
  EXPECT_EQ(lf_matchAtcModel(" atc_model=B738 "), "B738");
  EXPECT_TRUE(lf_hasAtcIdKey("x atc_id=1"));
  EXPECT_FALSE(lf_hasAtcIdKey("ATC_ID=1"));
  EXPECT_FALSE(lf_hasAtcIdKey("atc_id = 1"));
}

// A line of any length is matched in one pass (a backtracking matcher ran out of stack).
TEST(CfgKeys, LongLinesAreMatched) {
  const std::string value(100000, 'x');
  EXPECT_EQ(lf_keyValue("title=" + value + "   ", "title").size(), value.size());
  EXPECT_EQ(lf_fltsimNumber("[fltsim." + std::string(100000, '7') + "]").size(), 100000U);
}

TEST(CfgKeys, SectionHeads) {
  const std::pair<std::string, std::string> cases[] = {
      {"[fltsim.3]", "3"},
      {" [FltSim.12]  ", "12"},
      {"[fltsim.3] // old", "10000"},
      {"x [FLTSIM.2", "10000"},
      {"[fltsim.]", "10000"},
      {"[Fltsim.x]", ""},
      {"//[fltsim.1]", ""},
      {"/[fltsim.1]", "10000"},
      {"[fltsim.-1]", "10000"},
      {"[General]", ""},
  };
  for (const auto& [line, number] : cases) EXPECT_EQ(lf_fltsimNumber(line), number) << line;
}

TEST(CfgKeys, IvaoTitleAirline) {
  EXPECT_EQ(lf_ivaoTitleAirline("B738KLM", "B738"), "KLM");
  EXPECT_EQ(lf_ivaoTitleAirline("b738  klm 2", "B738"), "klm");
  EXPECT_EQ(lf_ivaoTitleAirline("B738 K_1x", "B738"), "K_1");
  EXPECT_EQ(lf_ivaoTitleAirline("B738 KL", "B738"), "");
  EXPECT_EQ(lf_ivaoTitleAirline("B738 K-LM", "B738"), "");
  EXPECT_EQ(lf_ivaoTitleAirline("A320 KLM", "B738"), "");
}

}  // namespace
}  // namespace vexo
