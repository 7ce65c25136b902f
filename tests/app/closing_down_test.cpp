#include "app/closing_down.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/window_messages.h"
#include "app/window_requests.h"
#include "liveries/livery_index.h"
#include "app/worker_threads.h"
#include "fake_timer.h"
#include "foundation/parameters.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "run_flags.h"
#include "simlink/sim_link_state.h"
#include "test_support.h"

using namespace vexo;
using namespace std::chrono_literals;

namespace {

// Fresh run flags, and the messages posted to the main window.
class ClosingDownTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("VDRK_APPDATA", (appData_ / "appdata").c_str(), 1);
    gf_resetUserPaths();
    std::filesystem::create_directories(gf_appFolder());
    test::resetAppRunFlags();
    platform::gf_setMainWindowPoster([this](std::uint32_t m, std::uintptr_t, std::intptr_t) {
      std::lock_guard lock(mutex_);
      if (m != WM_APP_REPAINT_STATUS && m != WM_APP_INVALIDATE) posted_.push_back(m);
    });
  }
  void TearDown() override {
    platform::gf_setMainWindowPoster({});
    test::resetAppRunFlags();
    g_settings.SCAN_LIVERIES.value = true;
    g_settings.SCAN_AIRPORTS.value = true;
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }
  std::vector<std::uint32_t> takePosted() {
    std::lock_guard lock(mutex_);
    return std::exchange(posted_, {});
  }

  test::TempDir appData_;
  test::LogCapture log_;
  test::FakeTimer fake_;

private:
  std::mutex mutex_;
  std::vector<std::uint32_t> posted_;
};

}  // namespace

TEST_F(ClosingDownTest, EachReasonRestartsOrQuitsAndEmptiesTheRunsSettings) {
  struct Case {
    ExitReason reason;
    bool restart;
    bool scansOff;
  };
  const Case cases[] = {
      {ExitReason::newSettings, true, false},      {ExitReason::simConnectError, true, true},
      {ExitReason::readerError, true, true},       {ExitReason::simWasClosed, false, false},
      {ExitReason::userClosedSim, false, false},   {ExitReason::newVersion, false, false},
  };
  auto& s = g_settings;
  for (const Case& c : cases) {
    SCOPED_TRACE(gf_exitReasonName(c.reason));
    test::resetAppRunFlags();
    g_isRestart = !c.restart;
    s.SCAN_LIVERIES.value = true;
    s.SCAN_AIRPORTS.value = true;
    gf_saveAllParameters(gf_parametersStore(), false);
    s.DESTINATION.setAndSave("KLAX");
    s.BLOCK_CALLSIGN.setAndSave("DLH123");
    g_userObjectId = 7;
    gf_requestClosing(c.reason, 0);
    g_windowClosed = true;
    lf_closingDown(fake_.timer());

    EXPECT_EQ(takePosted(), std::vector<std::uint32_t>{c.restart ? WM_APP_START_UP : WM_APP_SAVE_AND_QUIT});
    EXPECT_EQ(g_isRestart.load(), c.restart);
    // A restart begins with fresh flags; a quit keeps the run ending.
    EXPECT_EQ(g_closing.load(), !c.restart);
    EXPECT_EQ(g_windowClosed.load(), !c.restart);
    EXPECT_EQ(g_exitReason == ExitReason::notYetSet, c.restart);
    EXPECT_EQ(g_userObjectId.load(), c.restart ? 0U : 7U);  // the restarted link knows no user object
    EXPECT_TRUE(log_.contains(fmt::format("Exiting: {}", gf_exitReasonName(c.reason))));
    // The destination and the blocked callsign never outlive a run; rescans after an error
    // are switched off for the next start-up, which reads them from the file.
    const std::string text = test::readFile(gf_parametersPath());
    EXPECT_EQ(s.DESTINATION.value(), "");
    EXPECT_EQ(text.find("KLAX"), std::string::npos);
    EXPECT_EQ(text.find("DLH123"), std::string::npos);
    EXPECT_EQ(s.SCAN_LIVERIES.value.load(), !c.scansOff);
    EXPECT_EQ(s.SCAN_AIRPORTS.value.load(), !c.scansOff);
    for (const char* key : {"SCAN_LIVERIES", "SCAN_AIRPORTS"})
      EXPECT_NE(text.find(fmt::format("name=\"{}\" value=\"{}\"", key, !c.scansOff)), std::string::npos) << key;
  }
}

TEST_F(ClosingDownTest, RestartCountdownShowsEachSecondAndZeroDoesNothing) {
  g_restartDelay = 2;
  std::vector<std::string> shown;
  fake_.onSleep = [&](SteadyTimer::TimePoint) { shown.push_back(g_statusLine.texts().status); };
  const auto start = fake_.now();
  lf_restartCountdown(fake_.timer());
  EXPECT_EQ(shown, (std::vector<std::string>{"Restarting after 2 seconds", "Restarting after 1 second"}));
  EXPECT_EQ(fake_.now() - start, 2s);
  EXPECT_TRUE(log_.contains("Restarting after 2 seconds\n" + std::string(48, '-') + "\n"));
  EXPECT_TRUE(log_.contains("Restart countdown finished"));

  g_restartDelay = 0;
  lf_restartCountdown(fake_.timer());
  EXPECT_EQ(shown.size(), 2U);
}

TEST_F(ClosingDownTest, NewFlightAsksForAManualRestartAndWaitsTenSeconds) {
  gf_requestClosing(ExitReason::newFlight, 30);
  const auto start = fake_.now();
  lf_closingDown(fake_.timer());
  EXPECT_GE(fake_.now() - start, 10s);
  EXPECT_TRUE(log_.contains("New flight detected, Vendrake_P3D will close, please restart manually ..."));
  EXPECT_FALSE(g_isRestart.load());
  EXPECT_EQ(takePosted(), std::vector<std::uint32_t>{WM_APP_SAVE_AND_QUIT});
}

TEST_F(ClosingDownTest, SystemErrorWaitsUntilTheUserClosesTheWindow) {
  g_closing = true;
  g_exitReason = ExitReason::systemError;
  int waits = 0;
  fake_.onSleep = [&](SteadyTimer::TimePoint) {
    if (++waits == 6) g_windowClosed = true;
  };
  // A reader failing meanwhile cannot turn the error into a restart.
  gf_reportReaderError("Traffic Reader", "boom");
  lf_closingDown(fake_.timer());
  EXPECT_GE(waits, 6);
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  EXPECT_FALSE(g_isRestart.load());
  EXPECT_TRUE(log_.contains("User closed Vendrake_P3D"));
  EXPECT_EQ(takePosted(), std::vector<std::uint32_t>{WM_APP_SAVE_AND_QUIT});
}

// The failure is logged also while an error text holds the status line.
TEST_F(ClosingDownTest, AFailureWhileClosingIsLoggedAndStillLetsTheWindowClose) {
  for (const std::string error : {"", "Reader stopped"}) {
    SCOPED_TRACE(error);
    test::resetAppRunFlags();
    if (!error.empty()) gf_setStatusError(error);
    gf_requestClosing(ExitReason::userClosedSim);
    const std::string failure = "disk gone " + error;
    fake_.onSleep = [&](SteadyTimer::TimePoint) { throw std::runtime_error(failure); };
    lf_closingDown(fake_.timer());
    EXPECT_TRUE(log_.contains("lf_closingDown exception " + failure));
    EXPECT_EQ(takePosted(), std::vector<std::uint32_t>{WM_APP_SAVE_AND_QUIT});
  }
}

TEST_F(ClosingDownTest, RestartJoinsTheSimClientThreadAndWaitsForTheReadersOfTheEndedRun) {
  std::atomic<int> ended{0};
  const auto untilStopped = [&](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::yield();
    ++ended;
  };
  g_simClientThread.replace(untilStopped);
  for (int i = 0; i < 2; ++i) g_readerThreads.start(untilStopped);
  gf_requestClosing(ExitReason::simConnectError, 0);
  lf_closingDown(fake_.timer());
  EXPECT_EQ(ended.load(), 3);
  EXPECT_FALSE(g_simClientThread.joinable());
  EXPECT_EQ(g_readerThreads.running(), 0);
}

// The window only asks: the livery index is forgotten on the start-up thread, after the
// traffic reset dropped every title that pointed into it, and only when asked.
TEST_F(ClosingDownTest, ARestartForgetsTheLiveryIndexOnlyWhenTheWindowAskedForIt) {
  for (const bool asked : {false, true}) {
    g_liveryIndex.liveriesProcessed = true;
    g_liveryIndex.reservedTitles.push_back("kept");
    g_forgetLiveriesRequest = asked;
    gf_requestClosing(ExitReason::newSettings, 0);
    lf_closingDown(fake_.timer());
    EXPECT_EQ(takePosted(), std::vector<std::uint32_t>{WM_APP_START_UP});
    EXPECT_EQ(g_liveryIndex.liveriesProcessed, !asked) << asked;
    EXPECT_EQ(g_liveryIndex.reservedTitles.empty(), asked) << asked;
    EXPECT_FALSE(g_forgetLiveriesRequest.load());
    test::resetAppRunFlags();
  }
  g_liveryIndex = LiveryIndex{};
}
