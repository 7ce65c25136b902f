#include "simlink/refused_liveries.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include "engine/aircraft.h"
#include "engine/engine_services.h"
#include "foundation/error.h"
#include "refdata/codes.h"
#include "run_flags_reset.h"
#include "test_support.h"

using namespace vexo;

namespace {

class RefusedLiveriesTest : public ::testing::Test {
protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() { test::resetRunFlags(); }
  test::LogCapture log_;
  SimLink link_;
  TrafficEngine engine_{link_};  // its livery choices and the refusals of its link
};

}  // namespace

TEST_F(RefusedLiveriesTest, ARefusedTitleIsForgottenAndNeverOfferedAgain) {
  engine_.hexidLiveries[20001] = "Airbus A320 Lufthansa";
  engine_.hexidLiveries[20002] = "Boeing 737 Ryanair";
  EXPECT_EQ(gf_getLiveryForHexid(20001, engine_), "Airbus A320 Lufthansa");
  EXPECT_FALSE(gf_getLiveryForHexid(30000, engine_));

  const auto model = gf_modelCode2Id("A320");
  const auto airline = gf_airlineCode2Id("DLH");
  gf_reportLiveryCreateFailure("DLH123", "Airbus A320 Lufthansa", model, airline, link_);
  EXPECT_EQ(g_statusLine.texts().status, "DLH123 'Airbus A320 Lufthansa' could not be created by your Sim!");
  EXPECT_TRUE(link_.refusedLiveryKeys.contains("A320 DLH"));

  EXPECT_FALSE(gf_getLiveryForHexid(20001, engine_));
  EXPECT_FALSE(engine_.hexidLiveries.contains(20001));
  EXPECT_FALSE(gf_getLiveryForHexid(20001, engine_));
  EXPECT_EQ(gf_getLiveryForHexid(20002, engine_), "Boeing 737 Ryanair");
  // Ids outside their pools give empty codes.
  gf_reportLiveryCreateFailure("X1", "Some title", 65000, 65001, link_);
  EXPECT_TRUE(link_.refusedLiveryKeys.contains(" "));
}

TEST_F(RefusedLiveriesTest, WhileClosingARefusalIsRecordedWithoutStatus) {
  g_closing = true;
  gf_reportLiveryCreateFailure("DLH123", "Title", 0, 0, link_);
  EXPECT_TRUE(link_.refusedLiveryTitles.contains("Title"));
  EXPECT_EQ(g_statusLine.texts().status, "");
}

TEST_F(RefusedLiveriesTest, TheTwentiethDistinctTitleEndsTheRunWithError81) {
  for (int i = 0; i < 19; ++i) gf_reportLiveryCreateFailure("CS", fmt::format("Title {}", i), 0, 0, link_);
  // The same title again counts once.
  gf_reportLiveryCreateFailure("CS", "Title 0", 0, 0, link_);
  EXPECT_EQ(link_.refusedLiveryTitles.size(), 19u);
  try {
    gf_reportLiveryCreateFailure("CS", "Title 19", 0, 0, link_);
    FAIL() << "no error 81";
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "81: There are too many liveries that could not be created!, see Log.txt");
  }
  EXPECT_TRUE(log_.contains("\n===> Error 81, There are too many liveries that could not be created!\n"));
}

TEST_F(RefusedLiveriesTest, AnAircraftRecordReportsItsOwnLivery) {
  AcData aircraft;
  aircraft.callsign = "BAW12";
  aircraft.liveryTitle = "Boeing 777 British Airways";
  aircraft.codes.modelId = gf_modelCode2Id("B772");
  aircraft.codes.airlineId = gf_airlineCode2Id("BAW");
  gf_reportLiveryCreateFailure(aircraft, link_);
  EXPECT_TRUE(link_.refusedLiveryTitles.contains("Boeing 777 British Airways"));
  EXPECT_TRUE(link_.refusedLiveryKeys.contains("B772 BAW"));
}
