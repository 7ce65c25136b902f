#include <gtest/gtest.h>

#include <string>

#include "foundation/log.h"
#include "liveries/liveries_services.h"
#include "liveries/livery_index.h"
#include "simlink/sim_link_state.h"
#include "test_support.h"

namespace vexo {
namespace {

class MatchingSummaryTest : public ::testing::Test {
protected:
  void TearDown() override {
    g_liveryIndex = LiveryIndex{};
    g_refusedLiveryKeys.clear();
    g_missingLiveries.clear();
  }
  test::LogCapture log_;
};

const std::string g_stars31(31, '*');
const std::string g_banner = "\n" + g_stars31 + " live traffic livery matching summary " + g_stars31 + "\n";
const std::string g_steps = "Matches at step: \n  0: 0\n  1: 0\n  2: 3\n  3: 0\n  4: 0\n  5: 0\n  6: 0\n";
const std::string g_closing = std::string(100, '*') + "\n\n";

TEST_F(MatchingSummaryTest, NothingBeforeTheFirstLiveMatchEvenWithRefusedLiveries) {
  const std::string before = log_.text();
  g_refusedLiveryKeys.insert("B738 DAL");
  gf_writeMatchingSummary();
  EXPECT_EQ(log_.text(), before);
}

TEST_F(MatchingSummaryTest, AllSevenStepsThenTheRefusedLiveries) {
  g_liveryIndex.matchStepCounts[2] = 3;
  const std::string before = log_.text();
  gf_writeMatchingSummary();
  EXPECT_EQ(log_.text(), before + g_banner + g_steps + g_closing);
  g_refusedLiveryKeys.insert("B738 DAL");
  gf_writeMatchingSummary();
  EXPECT_EQ(log_.text(), before + g_banner + g_steps + g_closing + g_banner + g_steps +
                             "\nCould not be created\n  B738 DAL\n" + g_closing);
}

TEST_F(MatchingSummaryTest, MissingLiveriesAreListedOnceEachBetweenBlankLines) {
  const std::string before = log_.text();
  gf_logMissingLiveries();
  EXPECT_EQ(log_.text(), before);
  g_missingLiveries = {"UAL B738  N1", "UAL B738  N1", "DAL A320  N2"};
  gf_logMissingLiveries();
  const std::string added = log_.text().substr(before.size());
  EXPECT_TRUE(added == "\nNo match found for:\nUAL B738  N1\nDAL A320  N2\n\n" ||
              added == "\nNo match found for:\nDAL A320  N2\nUAL B738  N1\n\n")
      << added;
}

}  // namespace
}  // namespace vexo
