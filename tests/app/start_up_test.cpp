#include "app/start_up.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <new>

#include "app/run_state.h"
#include "app/status_line.h"
#include "foundation/error.h"
#include "run_flags.h"
#include "test_support.h"

using namespace vexo;

namespace {

class StartUpGuardTest : public ::testing::Test {
protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    test::resetAppRunFlags();
    g_restartDelay = 5;
  }
  test::LogCapture log_;
};

}  // namespace

TEST_F(StartUpGuardTest, ProgramErrorShowsItsTextAndEndsWithSystemError) {
  lf_guardStartUp([] { throw UserErrorException(153, "two versions"); });
  EXPECT_EQ(g_statusLine.texts().error, "153: two versions");
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  EXPECT_TRUE(g_closing);
  // A reader failing afterwards can no longer make it a restart.
  gf_reportReaderError("QNH Reader", "gone");
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
}

TEST_F(StartUpGuardTest, ProgramErrorOverridesAnEarlierReason) {
  gf_requestClosing(ExitReason::readerError, 15);
  lf_guardStartUp([] { throw UserErrorException(41, "x"); });
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
}

TEST_F(StartUpGuardTest, UnknownExceptionEndsWithSystemErrorAndClosing) {
  lf_guardStartUp([] { throw 42; });
  EXPECT_EQ(g_statusLine.texts().error, "Unknown exception");
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  EXPECT_TRUE(g_closing);
  EXPECT_FALSE(gf_requestClosing(ExitReason::simConnectError, 9));
}

TEST_F(StartUpGuardTest, StandardErrorsSetSystemErrorWithoutDelayOnlyWhenFirst) {
  lf_guardStartUp([] { throw std::runtime_error("reading data files failed!"); });
  EXPECT_EQ(g_statusLine.texts().error, "reading data files failed!");
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  EXPECT_EQ(g_restartDelay.load(), 0);
  EXPECT_TRUE(log_.contains("Error reading data files failed!"));

  reset();
  gf_requestClosing(ExitReason::newSettings, 2);
  lf_guardStartUp([] { throw std::bad_alloc(); });
  EXPECT_EQ(g_exitReason.load(), ExitReason::newSettings);
  EXPECT_EQ(g_restartDelay.load(), 2);
}

TEST_F(StartUpGuardTest, FormatErrorIsShownTwice) {
  lf_guardStartUp([] { throw fmt::format_error("bad spec"); });
  EXPECT_TRUE(log_.contains("Error std::format error: bad spec\nError bad spec\n"));
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
}

TEST_F(StartUpGuardTest, RunFolderMustHoldDocs) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  try {
    lf_checkRunFolder();
    FAIL() << "no error";
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "41: Vendrake_P3D must be run from the Vendrake_P3D folder!");
  }
  test::writeFile(dir / "docs", "a file, not a folder");
  EXPECT_THROW(lf_checkRunFolder(), UserErrorException);
  std::filesystem::remove(dir / "docs");
  std::filesystem::create_directory(dir / "docs");
  EXPECT_NO_THROW(lf_checkRunFolder());
}

TEST_F(StartUpGuardTest, StopPathKeepsAReasonSetEarlier) {
  lf_stopPath();
  EXPECT_TRUE(g_windowClosed && g_closing);
  EXPECT_EQ(g_exitReason.load(), ExitReason::userClosedSim);
  reset();
  gf_requestClosing(ExitReason::newVersion, 0);
  lf_stopPath();
  EXPECT_EQ(g_exitReason.load(), ExitReason::newVersion);
}
