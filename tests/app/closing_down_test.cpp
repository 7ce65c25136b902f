#include "app/closing_down.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "app/status_line.h"
#include "app/window_messages.h"
#include "foundation/parameters.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "simlink/sim_link_state.h"
#include "app/worker_threads.h"
#include "fake_timer.h"
#include "run_flags.h"
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
    resetFlags();
    platform::gf_setMainWindowPoster([this](std::uint32_t m, std::uintptr_t, std::intptr_t) {
      std::lock_guard lock(mutex_);
      if (m != WM_APP_REPAINT_STATUS && m != WM_APP_INVALIDATE) posted_.push_back(m);
    });
  }
  void TearDown() override {
    platform::gf_setMainWindowPoster({});
    resetFlags();
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }
  std::string parameters() const { return test::readFile(gf_parametersPath()); }
  static void resetFlags() { test::resetAppRunFlags(); }
  std::vector<std::uint32_t> posted() {
    std::lock_guard lock(mutex_);
    return posted_;
  }

  test::TempDir appData_;
  test::LogCapture log_;
  test::FakeTimer fake_;

private:
  std::mutex mutex_;
  std::vector<std::uint32_t> posted_;
};

}  // namespace

TEST(ClosingPlan, EachReasonRestartsOrQuits) {
  for (auto r : {ExitReason::newSettings, ExitReason::simConnectError, ExitReason::readerError})
    EXPECT_TRUE(gf_closingPlan(r).restart) << gf_exitReasonName(r);
  for (auto r : {ExitReason::notYetSet, ExitReason::simWasClosed, ExitReason::newFlight, ExitReason::userClosedSim,
                 ExitReason::systemError, ExitReason::newVersion})
    EXPECT_FALSE(gf_closingPlan(r).restart) << gf_exitReasonName(r);
  EXPECT_FALSE(gf_closingPlan(ExitReason::newSettings).scansOff);
  EXPECT_TRUE(gf_closingPlan(ExitReason::readerError).scansOff);
  EXPECT_TRUE(gf_closingPlan(ExitReason::simConnectError).scansOff);
  EXPECT_TRUE(gf_closingPlan(ExitReason::systemError).waitForWindowClose);
  EXPECT_TRUE(gf_closingPlan(ExitReason::newFlight).newFlightNotice);
}

TEST_F(ClosingDownTest, CountdownOfTwoSecondsShowsEachSecond) {
  g_restartDelay = 2;
  std::vector<std::string> shown;
  fake_.onSleep = [&](SteadyTimer::TimePoint) { shown.push_back(g_statusLine.texts().status); };
  const auto start = fake_.now();
  lf_restartCountdown(fake_.timer());
  EXPECT_EQ(shown, (std::vector<std::string>{"Restarting after 2 seconds", "Restarting after 1 second"}));
  EXPECT_EQ(fake_.now() - start, 2s);
  EXPECT_TRUE(log_.contains("Restarting after 2 seconds\n" + std::string(48, '-') + "\n"));
  EXPECT_TRUE(log_.contains("Restart countdown finished"));
}

TEST_F(ClosingDownTest, CountdownOfZeroDoesNothing) {
  g_restartDelay = 0;
  lf_restartCountdown(fake_.timer());
  EXPECT_TRUE(fake_.sleeps().empty());
  EXPECT_FALSE(log_.contains("Restart"));
}

TEST_F(ClosingDownTest, NewSettingsRestartsAfterTheCountdownWithFreshFlags) {
  gf_requestClosing(ExitReason::newSettings, 2);
  g_windowClosed = true;
  lf_closingDown(fake_.timer());
  EXPECT_EQ(posted(), std::vector<std::uint32_t>{WM_APP_START_UP});
  EXPECT_TRUE(g_isRestart);
  EXPECT_FALSE(g_closing);
  EXPECT_FALSE(g_windowClosed);
  EXPECT_EQ(g_exitReason.load(), ExitReason::notYetSet);
  EXPECT_EQ(g_restartDelay.load(), 2);  // left as it was
  EXPECT_TRUE(log_.contains("Exiting: NEW SETTINGS"));
  EXPECT_TRUE(log_.contains("Prepare for a restart ..."));
  EXPECT_TRUE(log_.contains("Restart countdown finished"));
}

TEST_F(ClosingDownTest, QuitReasonsPostSaveAndQuit) {
  for (auto r : {ExitReason::simWasClosed, ExitReason::userClosedSim, ExitReason::newVersion}) {
    resetFlags();
    g_isRestart = true;
    gf_requestClosing(r, 0);
    lf_closingDown(fake_.timer());
    EXPECT_FALSE(g_isRestart);
    EXPECT_TRUE(g_closing);  // a quit keeps the run ending
  }
  EXPECT_EQ(posted(), std::vector<std::uint32_t>(3, WM_APP_SAVE_AND_QUIT));
  EXPECT_TRUE(log_.contains("Exiting: SIM WAS CLOSED"));
}

TEST_F(ClosingDownTest, NewFlightAsksForAManualRestartAndWaitsTenSeconds) {
  gf_requestClosing(ExitReason::newFlight, 30);
  const auto start = fake_.now();
  lf_closingDown(fake_.timer());
  EXPECT_GE(fake_.now() - start, 10s);
  EXPECT_TRUE(log_.contains("New flight detected, Vendrake_P3D will close, please restart manually ..."));
  EXPECT_EQ(posted(), std::vector<std::uint32_t>{WM_APP_SAVE_AND_QUIT});
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
  EXPECT_TRUE(log_.contains("User closed Vendrake_P3D"));
  EXPECT_EQ(posted(), std::vector<std::uint32_t>{WM_APP_SAVE_AND_QUIT});
}

TEST_F(ClosingDownTest, AFailureWhileClosingStillLetsTheWindowClose) {
  gf_requestClosing(ExitReason::userClosedSim);
  fake_.onSleep = [](SteadyTimer::TimePoint) { throw std::runtime_error("disk gone"); };
  lf_closingDown(fake_.timer());
  EXPECT_TRUE(log_.contains("lf_closingDown exception disk gone"));
  EXPECT_EQ(posted(), std::vector<std::uint32_t>{WM_APP_SAVE_AND_QUIT});
}

TEST_F(ClosingDownTest, RestartJoinsTheSimClientThreadBeforeTheReset) {
  std::atomic<bool> ended{false};
  g_simClientThread.replace([&](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::yield();
    ended = true;
  });
  gf_requestClosing(ExitReason::simConnectError, 0);
  lf_closingDown(fake_.timer());
  EXPECT_TRUE(ended);
  EXPECT_FALSE(g_simClientThread.joinable());
}

TEST_F(ClosingDownTest, RestartWaitsForTheReadersOfTheEndedRun) {
  std::atomic<int> ended{0};
  for (int i = 0; i < 2; ++i)
    g_readerThreads.start([&](std::stop_token stop) {
      while (!stop.stop_requested()) std::this_thread::yield();
      ++ended;
    });
  gf_requestClosing(ExitReason::readerError, 0);
  lf_closingDown(fake_.timer());
  EXPECT_EQ(ended.load(), 2);
  EXPECT_EQ(g_readerThreads.running(), 0);
}

TEST_F(ClosingDownTest, DestinationAndBlockedCallsignAreEmptiedAndSavedWhateverTheReason) {
  for (auto reason : {ExitReason::newSettings, ExitReason::userClosedSim}) {
    resetFlags();
    g_settings.DESTINATION.setAndSave("KLAX");
    g_settings.BLOCK_CALLSIGN.setAndSave("DLH123");
    ASSERT_NE(parameters().find("DLH123"), std::string::npos);
    gf_requestClosing(reason, 0);
    lf_closingDown(fake_.timer());
    EXPECT_EQ(g_settings.DESTINATION.value(), "");
    EXPECT_EQ(parameters().find("KLAX"), std::string::npos) << gf_exitReasonName(reason);
    EXPECT_EQ(parameters().find("DLH123"), std::string::npos) << gf_exitReasonName(reason);
  }
}

TEST_F(ClosingDownTest, ErrorRestartsSwitchTheRescansOffButNewSettingsDoNot) {
  auto& s = g_settings;
  for (auto reason : {ExitReason::newSettings, ExitReason::readerError, ExitReason::simConnectError}) {
    resetFlags();
    s.SCAN_LIVERIES.value = true;
    s.SCAN_AIRPORTS.value = true;
    gf_saveAllParameters(false);
    gf_requestClosing(reason, 0);
    lf_closingDown(fake_.timer());
    const bool off = reason != ExitReason::newSettings;
    EXPECT_EQ(s.SCAN_LIVERIES.value.load(), !off) << gf_exitReasonName(reason);
    EXPECT_EQ(s.SCAN_AIRPORTS.value.load(), !off);
    // The next start-up reads them from the file.
    const auto text = parameters();
    for (const char* key : {"SCAN_LIVERIES", "SCAN_AIRPORTS"}) {
      const std::string stored = fmt::format("name=\"{}\" value=\"{}\"", key, off ? "false" : "true");
      EXPECT_NE(text.find(stored), std::string::npos) << stored << "\n" << text;
    }
  }
  s.SCAN_LIVERIES.value = true;
  s.SCAN_AIRPORTS.value = true;
}

TEST_F(ClosingDownTest, RestartForgetsTheUserObjectAsUnknown) {
  g_userObjectId = 7;
  gf_requestClosing(ExitReason::newSettings, 0);
  lf_closingDown(fake_.timer());
  EXPECT_EQ(g_userObjectId.load(), 0U);
}
