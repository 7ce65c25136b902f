#include "simlink/flight_plans.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/aircraft.h"
#include "foundation/paths.h"
#include "test_support.h"

using namespace vexo;

namespace {

// The per-user folder points into a temporary folder while a test runs.
class FlightPlanFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("VDRK_APPDATA", dir_.path().c_str(), 1);
    gf_resetUserPaths();
  }
  void TearDown() override {
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }
  test::TempDir dir_;
  test::LogCapture log_;
  SimLink link_;
};

}  // namespace

TEST(FlightPlanText, RulesFollowTheCategoryAndAMissingCodeIsBlank) {
  EXPECT_EQ(gf_flightPlanText(AcCategory::Heavy, IataCode("FRA"), IataCode()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
            "<FlightPlan.FlightPlan>\n"
            "<FPType>IFR</FPType>\n"
            "<DepartureID>FRA</DepartureID>\n"
            "<DestinationID>   </DestinationID>\n"
            "</FlightPlan.FlightPlan>\n"
            "</SimBase.Document>\n\n");
  for (const auto& [category, rules] : {std::pair{AcCategory::Buzjets, "IFR"}, {AcCategory::Large, "IFR"},
                                        {AcCategory::Light, "VFR"}, {AcCategory::HighPerf, "VFR"},
                                        {AcCategory::Rotorcraft, "VFR"}}) {
    const std::string text = gf_flightPlanText(category, IataCode("JFK"), IataCode("LHR"));
    EXPECT_EQ(text.substr(text.find("<FPType>") + 8, 3), rules) << static_cast<int>(category);
  }
}

TEST_F(FlightPlanFolderTest, PlansLiveInTheFolderAndGoWithIt) {
  ASSERT_TRUE(gf_createFlightPlanFolder(link_));
  EXPECT_EQ(link_.flightPlanFolder, dir_.path() / "Vendrake_P3D" / "orig_dest");
  const auto path = gf_flightPlanPath(4711, link_);
  EXPECT_EQ(path, link_.flightPlanFolder / "4711.pln");

  test::writeFile(path, "an older plan that is much longer than the new one ...............................");
  ASSERT_TRUE(gf_writeFlightPlan(path, AcCategory::Rotorcraft, IataCode(), IataCode()));
  const std::string text = test::readFile(path);
  EXPECT_EQ(text, gf_flightPlanText(AcCategory::Rotorcraft, IataCode(), IataCode()));
  EXPECT_EQ(text.find('\r'), std::string::npos);

  gf_removeFlightPlanFolder(link_);
  EXPECT_FALSE(std::filesystem::exists(link_.flightPlanFolder));
  gf_removeFlightPlanFolder(link_);  // nothing left to remove: no error
  EXPECT_FALSE(log_.contains("gf_removeFlightPlanFolder"));
}

TEST_F(FlightPlanFolderTest, AFolderThatCannotBeMadeIsLoggedAndReported) {
  test::writeFile(dir_.path() / "Vendrake_P3D", "a file where the folder should be");
  EXPECT_FALSE(gf_createFlightPlanFolder(link_));
  EXPECT_TRUE(log_.contains("gf_createFlightPlanFolder: "));
  EXPECT_FALSE(gf_writeFlightPlan(gf_flightPlanPath(1, link_), AcCategory::Large, IataCode("ABC"), IataCode("DEF")));
}

TEST_F(FlightPlanFolderTest, APathTooLongForTheSimulatorIsNeverWritten) {
  const auto path = dir_.path() / std::string(259 - dir_.path().string().size() - 1, 'p');
  ASSERT_EQ(path.string().size(), 259u);
  EXPECT_TRUE(gf_writeFlightPlan(path, AcCategory::Large, IataCode("ABC"), IataCode("DEF")));
  const auto tooLong = path.string() + "q";
  EXPECT_FALSE(gf_writeFlightPlan(tooLong, AcCategory::Large, IataCode("ABC"), IataCode("DEF")));
  EXPECT_FALSE(std::filesystem::exists(tooLong));
  EXPECT_TRUE(log_.contains("Flight plan not written"));
}

TEST_F(FlightPlanFolderTest, AnAircraftRecordGivesItsCategoryAndRoute) {
  AcData aircraft;
  aircraft.category = AcCategory::Buzjets;
  aircraft.origin = IataCode("ZRH");
  aircraft.destination = IataCode("NCE");
  const auto path = dir_.path() / "7.pln";
  ASSERT_TRUE(gf_writeFlightPlan(path, aircraft));
  EXPECT_EQ(test::readFile(path), gf_flightPlanText(AcCategory::Buzjets, IataCode("ZRH"), IataCode("NCE")));
}
