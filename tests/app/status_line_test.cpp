#include "foundation/status_line.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "foundation/run_state.h"
#include "test_support.h"

using namespace vexo;

namespace {
// Counts the repaint messages posted while it lives and leaves the status line clean.
class StatusLineTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_statusLine.reset();
    platform::gf_setMainWindowPoster([this](std::uint32_t message, std::uintptr_t, std::intptr_t) {
      if (message == WM_APP_REPAINT_STATUS) ++repaints;
    });
  }
  void TearDown() override {
    platform::gf_setMainWindowPoster({});
    g_statusLine.reset();
  }
  void workTicks(int n) {
    for (int i = 0; i < n; ++i) gf_statusLineWorkTick();
  }
  std::atomic<int> repaints{0};
  test::LogCapture log;
};
}  // namespace

TEST_F(StatusLineTest, AnErrorHoldsTheLineAgainstSetAndClear) {
  gf_setStatus("first", false);
  gf_setStatusError("broken");
  EXPECT_TRUE(log.contains("Error broken\n"));
  EXPECT_EQ(g_statusLine.texts().status, "");  // the pending status text is cleared
  const int before = repaints;
  gf_setStatus("hidden", true);
  gf_clearStatus();
  EXPECT_EQ(repaints, before);  // nothing posted while the error holds the line
  EXPECT_FALSE(log.contains("hidden"));
  EXPECT_EQ(g_statusLine.texts().error, "broken");
  workTicks(100);
  EXPECT_EQ(g_statusLine.texts().error, "broken");  // an error never times out
  gf_clearStatusError();
  EXPECT_EQ(g_statusLine.texts().error, "");
  gf_setStatus("visible", true);
  EXPECT_EQ(g_statusLine.texts().status, "visible");
  EXPECT_TRUE(log.contains("visible\n"));
}

TEST_F(StatusLineTest, TimeOutCountsWorkTicksFromWhenTheTextWasSet) {
  gf_setStatus("at zero", false);
  EXPECT_EQ(g_statusLine.setAtTick(), 1u);  // a text set at clock 0 still times out
  workTicks(25);
  EXPECT_EQ(g_statusLine.texts().status, "at zero");
  workTicks(1);  // clock 26
  EXPECT_EQ(g_statusLine.texts().status, "");

  workTicks(100 - 26);
  gf_setStatus("at hundred", false);
  workTicks(24);  // clock 124
  EXPECT_EQ(g_statusLine.texts().status, "at hundred");
  const int before = repaints;
  workTicks(1);  // clock 125
  EXPECT_EQ(g_statusLine.texts().status, "");
  EXPECT_EQ(repaints, before + 1);
}

TEST_F(StatusLineTest, EmptyTextLogsNothingButRepaints) {
  gf_setStatus("", true);
  EXPECT_EQ(g_statusLine.setAtTick(), 0u);
  EXPECT_EQ(repaints, 1);
  EXPECT_EQ(log.text(), "");
}

TEST_F(StatusLineTest, WithoutWorkTicksATextStays) {
  gf_setStatus("no flight", false);
  EXPECT_EQ(g_statusLine.texts().status, "no flight");
  EXPECT_EQ(g_statusLine.clock(), 0u);
}

TEST_F(StatusLineTest, ATextSetWhileTheTimeOutRunsIsNeverWipedAtOnce) {
  // Setters on other threads race the tick thread's time-out: a freshly set text must
  // survive the tick that follows it.
  gf_setStatus("old", false);
  workTicks(24);
  std::atomic<bool> stop{false};
  std::thread setter([&] {
    while (!stop) gf_setStatus("fresh", false);
  });
  workTicks(200);
  stop = true;
  setter.join();
  gf_setStatus("fresh", false);
  gf_statusLineWorkTick();
  EXPECT_EQ(g_statusLine.texts().status, "fresh");
}

TEST_F(StatusLineTest, ReaderErrorShowsTheTextAndAsksForARestart) {
  g_closing = false;
  g_exitReason = ExitReason::notYetSet;
  gf_reportReaderError("Traffic Reader", "bind failed");
  EXPECT_EQ(g_statusLine.texts().status, "The Traffic Reader has stopped with error: bind failed");
  EXPECT_TRUE(log.contains("The Traffic Reader has stopped with error: bind failed\n"));
  EXPECT_TRUE(g_closing);
  EXPECT_EQ(g_exitReason.load(), ExitReason::readerError);
  EXPECT_EQ(g_restartDelay.load(), 15);
  g_closing = false;
  g_exitReason = ExitReason::notYetSet;
  g_restartDelay = 0;
}
