// A whole start-up before traffic, in a fresh program folder with the sample data files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "foundation/datafile_decrypt.h"
#include "foundation/download.h"
#include "foundation/run_state.h"
#include "app/start_up.h"
#include "airports/airports_services.h"
#include "foundation/status_line.h"
#include "foundation/install_query.h"
#include "foundation/main_window_state.h"
#include "liveries/livery_index.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "platform/controls.h"
#include "platform/registry.h"
#include "livery_folder.h"
#include "run_flags.h"
#include "test_support.h"
#include "updatestandin/update_standin.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

class StartUpRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir_ / "docs");
    fs::create_directories(dir_ / "input");
    for (const char* name : {"dbase.enc", "airports.enc", "AIG-regcodes.enc"})
      fs::copy_file(fs::path(VDRK_BUILD_INPUT_DIR) / name, dir_ / "input" / name);
    ::setenv("VDRK_APPDATA", (dir_ / "appdata").c_str(), 1);
    gf_resetUserPaths();
    fs::create_directories(gf_appFolder());
    test::writeLiveryFolder(dir_ / "liveries");
    fs::create_directories(dir_ / "scenery");  // add-on scenery without airports
    test::writeFile(gf_parametersPath(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n" +
                                             test::lfolder0Parameter(dir_ / "liveries") +
                                             "    <parameter name=\"afolder0\" value=\"" + (dir_ / "scenery").string() +
                                             "\" />\n  </parameters>\n</root>\n");
    // The simulator as the registry reports it, for start-ups that find no install path.
    test::writeFile(dir_ / "registry.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n\"SetupPath\"=\"" +
                                               (dir_ / "sim").string() + "\"\n");
    platform::gf_setRegistryFile(dir_ / "registry.reg");
    gf_resetSimInstallFlags();
    test::resetAppRunFlags();
    g_isRestart = true;  // no update check
  }
  void TearDown() override {
    g_settings.afolder[0].setValue("");
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
    platform::gf_setRegistryFile(std::nullopt);
    gf_resetSimInstallFlags();
    test::resetAppRunFlags();
  }

  test::TempDir dir_;
  test::ScopedCwd cwd_{dir_.path()};
  test::LogCapture log_;
  platform::HeadlessControls controls_;
  platform::ScopedControls scoped_{controls_};
};

}  // namespace

TEST_F(StartUpRunTest, FreshFolderIsPreparedAndTheDataFilesRead) {
  fs::create_directories(dir_ / "appdata" / "InsideSystems");
  test::writeFile(dir_ / "appdata" / "InsideSystems" / "RealTraffic.jar", "jar");
  ASSERT_TRUE(lf_prepareRun()) << log_.text();
  EXPECT_TRUE(fs::exists(gf_parametersPath()));
  EXPECT_TRUE(fs::is_directory("airports/learned/simaddon"));
  for (const char* decrypted : {"input/dbase.xml", "input/airports.xml", "input/AIG-regcodes.xml"})
    EXPECT_FALSE(fs::exists(decrypted)) << decrypted;
  EXPECT_TRUE(g_rtAtThisPc);
  EXPECT_TRUE(log_.contains("RealTraffic detected at this PC"));
  g_rtAtThisPc = false;
  EXPECT_TRUE(g_startUpState.dbaseRead);
  EXPECT_TRUE(controls_.isEnabled(cmd::reread));
  EXPECT_FALSE(g_closing);
}

TEST_F(StartUpRunTest, ClosedWindowAndProductionModeTakeTheStopPath) {
  g_productionMode = true;
  g_exitCode = 7;
  EXPECT_FALSE(lf_prepareRun());
  g_productionMode = false;
  EXPECT_EQ(g_exitCode.load(), 0);
  EXPECT_EQ(g_exitReason.load(), ExitReason::userClosedSim);
  EXPECT_TRUE(log_.contains("production"));
  EXPECT_FALSE(log_.contains("RealTraffic not detected"));  // stopped after the data files

  test::resetAppRunFlags();
  g_isRestart = true;
  g_windowClosed = true;
  EXPECT_FALSE(lf_prepareRun());
  EXPECT_EQ(g_exitReason.load(), ExitReason::userClosedSim);
}

// LiveriesScanned.xml cannot be saved (a folder stands in its place): the start goes on
// to the traffic with the liveries the scan found, and the next start scans again.
TEST_F(StartUpRunTest, UnsavableScanResultStillStartsWithTheLiveriesFound) {
  lf_forgetLiveries();
  fs::create_directories(g_liveriesScannedPath / "blocker");
  ASSERT_TRUE(lf_prepareRun()) << log_.text();
  EXPECT_EQ(g_mainWindowState.liveriesCount, 1U);
  EXPECT_FALSE(lf_indexedTitle("Sample AAL A320").empty());
  EXPECT_TRUE(g_liveryIndex.liveriesProcessed);
  EXPECT_TRUE(g_settings.SCAN_LIVERIES.value);
  EXPECT_TRUE(log_.contains("liveries taken from the scan itself"));
  EXPECT_FALSE(log_.contains("LiveriesScanned.xml not found"));
  lf_forgetLiveries();
}

// A kept destination is applied again, known or not; a malformed one ends the start-up.
TEST_F(StartUpRunTest, KeptDestination) {
  ASSERT_TRUE(lf_prepareRun());  // writes parameters.xml
  for (const char* destination : {"klax", "ZZZZ"}) {
    g_settings.DESTINATION.setAndSave(destination);
    EXPECT_TRUE(lf_prepareRun()) << destination << log_.text();
  }
  for (const char* bad : {"KLA", "K-AX"}) {
    g_settings.DESTINATION.setAndSave(bad);
    test::resetAppRunFlags();
    g_isRestart = true;
    lf_guardStartUp([] { lf_prepareRun(); });
    EXPECT_EQ(g_statusLine.texts().error, "FixedCode: invalid string (length/charset)") << bad;
    EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  }
  g_settings.DESTINATION.setAndSave("");
}

// At a fresh start the update check cannot stop the start: without a server, with one
// that never answers (given up after the downloader's limits, shortened here) and with a
// page that is not JSON, the data files are read and the start goes on with one warning.
TEST_F(StartUpRunTest, UpdateCheckWithoutUsableServerOnlyWarns) {
  using Kind = updatestandin::Reply::Kind;
  const std::string previousBase = gf_downloadBase();
  DownloadLimits quick;
  quick.lowSpeedBytesPerSecond = 1000;
  quick.lowSpeedTime = std::chrono::seconds(1);
  gf_setDefaultDownloadLimits(quick);
  updatestandin::UpdateStandIn server;
  const auto countWarnings = [this] {
    const std::string text = log_.text();
    int count = 0;
    for (auto at = text.find("==> "); at != std::string::npos; at = text.find("==> ", at + 1)) ++count;
    return count;
  };
  ASSERT_TRUE(lf_prepareRun());  // a restart: no check
  int warnings = countWarnings();
  const std::pair<std::string, updatestandin::Reply> servers[] = {
      {"http://127.0.0.1:1/", {200, ""}},
      {server.base(), {200, "{}", Kind::stallBeforeReply}},
      {server.base(), {200, "<html><body>Sign in to the network</body></html>"}},
  };
  for (const auto& [base, reply] : servers) {
    SCOPED_TRACE(base);
    gf_setDownloadBase(base);
    server.route("/versions.json", reply);
    test::resetAppRunFlags();
    g_isRestart = false;
    EXPECT_TRUE(lf_prepareRun()) << log_.text();
    EXPECT_FALSE(g_closing);
    EXPECT_EQ(countWarnings(), warnings + 1);
    warnings = countWarnings();
  }
  EXPECT_EQ(server.requests().size(), 2U);
  gf_setDownloadBase(previousBase);
  gf_setDefaultDownloadLimits({});
}

// A 200 answer that is not a data file (a portal's page, a data file cut short by a server
// that sends no length) leaves every data file byte for byte and its version as they
// were: this start reads them, and so does the next, which tries the update again.
TEST_F(StartUpRunTest, AnswersThatAreNotDataFilesLeaveTheDataFilesReadable) {
  using Kind = updatestandin::Reply::Kind;
  const std::string previousBase = gf_downloadBase();
  DownloadLimits quick;
  quick.lowSpeedBytesPerSecond = 1000;
  quick.lowSpeedTime = std::chrono::seconds(1);
  gf_setDefaultDownloadLimits(quick);
  updatestandin::UpdateStandIn server;
  gf_setDownloadBase(server.base());
  const char* const names[] = {"dbase.enc", "airports.enc", "AIG-regcodes.enc"};
  std::map<std::string, std::string> before;
  for (const char* name : names) before[name] = test::readFile(fs::path("input") / name);
  server.route("/versions.json", {200, R"({"airports": {"major": 99, "minor": 0, "patch": 0},
                                           "aig": {"major": 99, "minor": 0, "patch": 0},
                                           "dbase": {"major": 99, "minor": 0, "patch": 0}})"});
  const std::string page = "<!DOCTYPE html><html><body>Sign in to the network</body></html>";
  for (const bool cut : {false, true, false}) {
    SCOPED_TRACE(cut ? "cut without length" : "page");
    for (const char* name : names) {
      const std::string& whole = before[name];
      server.route(std::string("/12/") + name,
                   cut ? updatestandin::Reply{200, whole.substr(0, whole.size() * 2 / 3), Kind::noLength}
                       : updatestandin::Reply{200, page});
    }
    test::resetAppRunFlags();
    g_isRestart = false;
    EXPECT_TRUE(lf_prepareRun()) << log_.text();
    EXPECT_FALSE(g_closing);
    for (const char* name : names) {
      EXPECT_EQ(test::readFile(fs::path("input") / name), before[name]) << name;
      EXPECT_TRUE(gf_dataFileDecrypts(fs::path("input") / name, nullptr)) << name;
    }
    for (const auto& entry : fs::directory_iterator("input")) {
      const std::string file = entry.path().filename().string();
      EXPECT_EQ(file.find(".new"), std::string::npos) << file;  // no download left behind
      EXPECT_EQ(file.find(".download"), std::string::npos) << file;
    }
    for (const StringSetting* version : {&g_settings.AIRPORTS_VERSION, &g_settings.AIG_VERSION, &g_settings.DBASE_VERSION})
      EXPECT_NE(version->value(), "99.0.0");
  }
  EXPECT_TRUE(g_startUpState.dbaseRead);
  EXPECT_FALSE(log_.contains("stream decrypt failed"));
  EXPECT_FALSE(log_.contains("dbase updated to"));
  gf_setDownloadBase(previousBase);
  gf_setDefaultDownloadLimits({});
}
