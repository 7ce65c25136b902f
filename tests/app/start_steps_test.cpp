// The start-up steps that prepare controls, folders and the simulator version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "app/start_traffic.h"
#include "app/start_up.h"
#include "app/window_requests.h"
#include "foundation/error.h"
#include "foundation/install_query.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "platform/controls.h"
#include "platform/registry.h"
#include "run_flags.h"
#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

TEST(StartSteps, ControlsTakeTheirStartState) {
  platform::HeadlessControls controls;
  platform::ScopedControls scoped(controls);
  auto& s = g_settings;
  s.parking_percentage.value = 55;
  controls.setEnabled(cmd::now, true);
  lf_enableControls();  // AUTO_RANGE on, no blocked callsign
  EXPECT_TRUE(controls.isEnabled(cmd::scanLiveries));
  EXPECT_FALSE(controls.isEnabled(cmd::range));
  EXPECT_TRUE(controls.isEnabled(cmd::arAboveHeight));
  for (auto id : {cmd::tbloZip, cmd::unblock, cmd::now, cmd::destination, cmd::reread, cmd::parkingPercentage})
    EXPECT_FALSE(controls.isEnabled(id)) << id;
  EXPECT_EQ(s.parking_percentage.value.load(), 30);
  EXPECT_EQ(controls.state(cmd::parkingPercentage)->items.size(), s.parking_percentage.choices.size());
  EXPECT_TRUE(g_nowAllowed);

  s.AUTO_RANGE.value = false;
  s.BLOCK_CALLSIGN.setValue("DLH1");
  s.INITIAL_LOAD_ONLY.value = true;
  controls.setEnabled(cmd::now, true);
  lf_enableControls();
  EXPECT_TRUE(controls.isEnabled(cmd::range));
  EXPECT_FALSE(controls.isEnabled(cmd::arAboveHeight));
  EXPECT_TRUE(controls.isEnabled(cmd::unblock));
  EXPECT_TRUE(controls.isEnabled(cmd::now));  // left as it was
  s.AUTO_RANGE.value = true;
  s.BLOCK_CALLSIGN.setValue("");
  s.INITIAL_LOAD_ONLY.value = false;
}

// Every control the start-up prepares, each first set to the other state: enabled or not
// by its row, and every combo box refilled with its current value selected.
TEST(StartSteps, EveryControlTakesTheStartStateOfItsRow) {
  platform::HeadlessControls controls;
  platform::ScopedControls scoped(controls);
  auto& s = g_settings;
  s.AUTO_RANGE.value = true;
  s.BLOCK_CALLSIGN.setValue("");
  s.INITIAL_LOAD_ONLY.value = false;
  const std::vector<const SettingControl*> enabled = {&s.ALWAYS_ON_TOP,
                                                      &s.NAV_LIGHTS_WHILE_PARKED,
                                                      &s.GUID_CHANGES,
                                                      &s.SCAN_LIVERIES,
                                                      &s.LIG_PRIORITIZE,
                                                      &s.SCAN_AIRPORTS,
                                                      &s.MATCHING_DEPTH,
                                                      &s.LIGHT_AIRCRAFT,
                                                      &s.HELICOPTERS,
                                                      &s.HIGH_PERF_AIRCRAFT,
                                                      &s.AUTO_RANGE,
                                                      &s.AR_ABOVE_HEIGHT,
                                                      &s.AIRBORNE_ONLY,
                                                      &s.COLLISION_USER_GND,
                                                      &s.COLLISION_USER_AIR,
                                                      &s.COLLISION_LIVE_PARKED_GND,
                                                      &s.BLOCK_CALLSIGN,
                                                      &s.MAX_PARK_SEL,
                                                      &s.MAX_LIVE_SEL,
                                                      &s.STRAIGHT_PBS_ONLY,
                                                      &s.AIRP_RANGE,
                                                      &s.AIRP_HEIGHT,
                                                      &s.WEEK,
                                                      &s.PARK_SOFT,
                                                      &s.INITIAL_LOAD_ONLY};
  const std::vector<const SettingControl*> disabled = {&s.tbloZipButton,       &s.RANGE,       &s.blockButton,
                                                       &s.unblockButton,       &s.nowButton,   &s.csToOidButton,
                                                       &s.CALLSIGN_2_OBJECTID, &s.DESTINATION, &s.rereadButton,
                                                       &s.parking_percentage,  &s.MAX_FIT_FL,  &s.flushStaticButton};
  for (const auto* c : enabled) controls.setEnabled(c->commandId, false);
  for (const auto* c : disabled) controls.setEnabled(c->commandId, true);
  lf_enableControls();
  for (const auto* c : enabled) EXPECT_TRUE(controls.isEnabled(c->commandId)) << c->commandId;
  for (const auto* c : disabled) EXPECT_FALSE(controls.isEnabled(c->commandId)) << c->commandId;

  for (const ComboSetting* combo : {&s.MATCHING_DEPTH, &s.RANGE, &s.AR_ABOVE_HEIGHT, &s.MAX_PARK_SEL, &s.MAX_LIVE_SEL,
                                    &s.AIRP_RANGE, &s.AIRP_HEIGHT, &s.parking_percentage}) {
    SCOPED_TRACE(combo->key);
    const auto state = controls.state(combo->commandId);
    ASSERT_TRUE(state.has_value());
    ASSERT_EQ(state->items.size(), combo->choices.size());
    EXPECT_EQ(state->items.front(), std::to_string(combo->choices.front()));
    const auto at = std::ranges::find(combo->choices, combo->value.load());
    ASSERT_NE(at, combo->choices.end());
    EXPECT_EQ(state->selected, at - combo->choices.begin());
  }
  // The hours of MAX_FIT, one decimal each, the current one selected.
  const auto hours = controls.state(s.MAX_FIT_FL.commandId);
  ASSERT_TRUE(hours.has_value());
  ASSERT_EQ(hours->items.size(), s.MAX_FIT_FL.choices.size());
  EXPECT_EQ(hours->items.front(), "0.5");
  ASSERT_GE(hours->selected, 0);
  EXPECT_FLOAT_EQ(s.MAX_FIT_FL.choices[static_cast<std::size_t>(hours->selected)], s.MAX_FIT_FL.value.load());
}

TEST(StartSteps, FoldersAreCreatedAndTheOldObjectIdListRemoved) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  fs::create_directories("output/info");
  test::writeFile("output/info/ObjectIdList.txt", "1 2 3");
  lf_ensureFolders();
  for (const char* f : {"output/errors", "airports/learned/thirdparty", "airports/my_ORBX", "input/my_regcodes"})
    EXPECT_TRUE(fs::is_directory(f)) << f;
  EXPECT_FALSE(fs::exists("output/info/ObjectIdList.txt"));
  fs::remove_all("output");
  test::writeFile("output", "not a folder");
  EXPECT_THROW(lf_ensureFolders(), fs::filesystem_error);
}

TEST(StartSteps, SimulatorMajorVersionFromPathThenSetting) {
  auto& s = g_settings;
  s.SIM_INSTALL_PATH.setValue("C:/Sims/Prepar3D V6 and v5");
  EXPECT_EQ(gf_getP3dMajorVersion(), "5");
  s.SIM_INSTALL_PATH.setValue("D:/P3Dv6");
  EXPECT_EQ(gf_getP3dMajorVersion(), "6");
  s.SIM_INSTALL_PATH.setValue("D:/Sim");
  s.P3D_VERSION.value = 6;
  EXPECT_EQ(gf_getP3dMajorVersion(), "6");
  s.P3D_VERSION.value = 4;
  EXPECT_THROW(gf_getP3dMajorVersion(), UserErrorException);
  s.P3D_VERSION.value = 5;
  s.SIM_INSTALL_PATH.setValue("");
}

TEST(StartSteps, MissingStockAirportsFolderIsShown) {
  test::LogCapture log;
  test::TempDir dir;
  g_settings.SIM_INSTALL_PATH.setValue(dir.path().string());
  lf_stockAirportsPath();
  EXPECT_EQ(g_startUpState.stockAirportsPath, dir / "Scenery");
  EXPECT_TRUE(log.contains("Stock airports path does not exist: " + (dir / "Scenery").string()));
  g_settings.SIM_INSTALL_PATH.setValue("");
}

TEST(RealTrafficVersion, EditionAndVersionFromTheReply) {
  test::LogCapture log;
  struct Case {
    const char* reply;
    bool professional;
    const char* shown;
  };
  const Case cases[] = {{R"({"level":2,"version":"10.0.1"})", true, "RT prof edition: 10.0.1"},
                        {R"({"level":1,"version":"9"})", false, "RT stnd edition: 9"},
                        {R"({"version":"9"})", false, "RT stnd edition: 9"},
                        {"[1,2]", false, ""},
                        {"level=2", false, ""},
                        {R"({"level":"two"})", false, ""},  // wrong type: same as a parse failure
                        {"", false, "old"}};  // nothing received: the edition stays
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    g_rtProfessional = !c.professional;
    g_mainWindowState.updateTexts([](ShownTexts& t) { t.rtEdition = "old"; });
    lf_processRTVersion(c.reply);
    EXPECT_EQ(g_rtProfessional.load(), c.professional);
    EXPECT_EQ(g_mainWindowState.texts().rtEdition, c.shown);
  }
  g_rtProfessional = false;
  EXPECT_TRUE(log.contains("lf_processRTVersion: JSON parse failed: "));
  EXPECT_TRUE(log.contains("No RealTraffic version received?"));

  // The parser's message quotes the peer's bytes: the log gets them escaped.
  lf_processRTVersion("\xFF\xFE{");
  EXPECT_EQ(log.text().find('\xFF'), std::string::npos);
  EXPECT_TRUE(log.contains("\\xFF"));
}

namespace {

// A registry stand-in with the given simulator keys, and a per-user folder for the save.
class DetectP3dTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("VDRK_APPDATA", (dir_ / "appdata").c_str(), 1);
    gf_resetUserPaths();
    fs::create_directories(gf_appFolder());
  }
  void TearDown() override {
    platform::gf_setRegistryFile(std::nullopt);
    gf_resetSimInstallFlags();
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
    g_settings.SIM_INSTALL_PATH.setValue("");
    g_settings.ALL_INSTALL_PATH.setValue("");
    g_settings.lfolder[3].setValue("");
  }
  void registry(const std::string& text) {
    test::writeFile(dir_ / "registry.reg", text);
    platform::gf_setRegistryFile(dir_ / "registry.reg");
    gf_resetSimInstallFlags();
  }
  test::TempDir dir_;
  test::LogCapture log_;
  platform::HeadlessControls controls_;
  platform::ScopedControls scoped_{controls_};
};

int userErrorCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const UserErrorException& e) {
    return std::stoi(e.what());
  }
  return 0;
}

}  // namespace

TEST_F(DetectP3dTest, BothVersionsInstalledNeedsAPathFromTheUser) {
  registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n\"SetupPath\"=\"C:\\\\P5\\\\\"\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v6]\n\"SetupPath\"=\"C:\\\\P6\\\\\"\n");
  EXPECT_EQ(userErrorCode(lf_detectP3d), 153);
}

TEST_F(DetectP3dTest, NoneInstalledGoesOnWhenLiveryFoldersAreSet) {
  registry("");
  g_settings.lfolder[3].setValue("D:/liveries");
  EXPECT_EQ(userErrorCode(lf_detectP3d), 0);
  EXPECT_TRUE(log_.contains("P3D not detected?"));
  g_settings.lfolder[3].setValue("");
  g_settings.ALL_INSTALL_PATH.setValue("x");
  EXPECT_EQ(userErrorCode(lf_detectP3d), 151);
  EXPECT_EQ(g_settings.ALL_INSTALL_PATH.value(), "");
}

TEST_F(DetectP3dTest, OneVersionGivesTheInstallPathAndSavesIt) {
  registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v6]\n\"SetupPath\"=\"/sims/p3d v6/\"\n");
  lf_detectP3d();
  EXPECT_TRUE(log_.contains("P3Dv6 detected"));
  EXPECT_EQ(g_settings.SIM_INSTALL_PATH.value(), "/sims/p3d v6/");
  EXPECT_EQ(g_settings.ALL_INSTALL_PATH.value(), "/sims/p3d v6/");
  EXPECT_NE(test::readFile(gf_parametersPath()).find("/sims/p3d v6/"), std::string::npos);
  registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n");
  EXPECT_EQ(userErrorCode(lf_detectP3d), 151);  // no SetupPath
}

TEST(StartSteps, ReaderPortsFromTheEnvironmentOnlyWhenValid) {
  test::LogCapture log;
  ::unsetenv("VDRK_TEST_PORT");
  EXPECT_EQ(gf_readerPort("VDRK_TEST_PORT", 49005), 49005);
  for (const char* bad : {"0", "65536", "12x", "-1", " 80"}) {
    ::setenv("VDRK_TEST_PORT", bad, 1);
    EXPECT_EQ(gf_readerPort("VDRK_TEST_PORT", 49005), 49005) << bad;
  }
  EXPECT_TRUE(log.contains("VDRK_TEST_PORT='12x' is no port; 49005 is used"));
  ::setenv("VDRK_TEST_PORT", "50123", 1);
  EXPECT_EQ(gf_readerPort("VDRK_TEST_PORT", 49005), 50123);
  ::unsetenv("VDRK_TEST_PORT");
}
