#include "app/program_hooks.h"

#include <gtest/gtest.h>

#include "app/start_traffic.h"
#include "foundation/line_file.h"
#include "foundation/settings_log.h"
#include "foundation/time_text.h"
#include "realtraffic/traffic_receiver.h"
#include "run_flags.h"
#include "test_support.h"

using namespace vexo;

namespace {
class ProgramHooksTest : public ::testing::Test {
protected:
  void SetUp() override {
    test::resetAppRunFlags();
    gf_installProgramHooks();
  }
  void TearDown() override {
    g_rtProfessional = false;
    g_trafficReceiver.recordTime = 0.0;
    gf_setReadFailureReporter(nullptr);
    gf_setRunEndingCheck(nullptr);
    gf_setTrafficTimeSource(nullptr);
    test::resetAppRunFlags();
  }
  test::LogCapture log;
};
}  // namespace

TEST_F(ProgramHooksTest, TheProfessionalEditionRunsTheClockOnTheRecordTime) {
  g_trafficReceiver.recordTime = 1'592'430'722.5;  // 2020-06-17 21:52:02 UTC
  g_rtProfessional = true;
  EXPECT_EQ(gf_trafficClockNow(), "21:52:02");
  g_rtProfessional = false;  // the standard edition keeps the system clock
  EXPECT_EQ(gf_trafficClockNow(), gf_utcClockNow());
}

TEST_F(ProgramHooksTest, SettingsStopLoggingOnceTheRunEnds) {
  EXPECT_FALSE(gf_settingsLogSilenced());
  g_closing = true;
  EXPECT_TRUE(gf_settingsLogSilenced());
}

TEST_F(ProgramHooksTest, AnUnreadableTextFileIsShownOnTheStatusLine) {
  std::string text = "x";
  std::vector<std::string_view> lines;
  EXPECT_FALSE(gf_readUtf8Lines(Charset::none_found, "x.txt", text, lines));
  EXPECT_TRUE(g_statusLine.texts().status.starts_with("Read failed for '")) << g_statusLine.texts().status;
}
