#include "app/start_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>
#include <new>

#include "foundation/run_state.h"
#include "foundation/status_line.h"
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

// Every error ends the start-up with SYSTEM ERROR and the closing flag set, so that the
// run closes down; only a program error overrides a reason set earlier.
TEST_F(StartUpGuardTest, ErrorsEndTheStartUpWithSystemError) {
  struct Case {
    const char* name;
    std::function<void()> body;
    const char* shown;
    int delay;  // the standard errors end without a delay
  };
  const Case cases[] = {
      {"program error", [] { throw UserErrorException(153, "two versions"); }, "153: two versions", 5},
      {"standard error", [] { throw std::runtime_error("reading data files failed!"); }, "reading data files failed!",
       0},
      {"format error", [] { throw fmt::format_error("bad spec"); }, "bad spec", 0},
      {"out of memory", [] { throw std::bad_alloc(); }, "std::bad_alloc", 0},
      {"unknown", [] { throw 42; }, "Unknown exception", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset();
    lf_guardStartUp(c.body);
    EXPECT_EQ(g_statusLine.texts().error, c.shown);
    EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
    EXPECT_TRUE(g_closing);
    EXPECT_EQ(g_restartDelay.load(), c.delay);
    // A reader failing afterwards can no longer make it a restart.
    gf_reportReaderError("QNH Reader", "gone");
    EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  }
  EXPECT_TRUE(log_.contains("Error std::format error: bad spec\nError bad spec\n"));

  reset();
  gf_requestClosing(ExitReason::readerError, 15);
  lf_guardStartUp([] { throw UserErrorException(41, "x"); });
  EXPECT_EQ(g_exitReason.load(), ExitReason::systemError);
  reset();
  gf_requestClosing(ExitReason::newSettings, 2);
  lf_guardStartUp([] { throw std::bad_alloc(); });
  EXPECT_EQ(g_exitReason.load(), ExitReason::newSettings);
  EXPECT_EQ(g_restartDelay.load(), 2);
}

TEST_F(StartUpGuardTest, RunFolderMustHoldDocs) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  EXPECT_THAT([] { lf_checkRunFolder(); },
              ::testing::ThrowsMessage<UserErrorException>(
                  ::testing::StrEq("41: Vendrake_P3D must be run from the Vendrake_P3D folder!")));
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
