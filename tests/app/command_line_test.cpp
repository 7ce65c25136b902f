#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/app_main.h"
#include "foundation/paths.h"
#include "test_support.h"

using namespace vexo;

namespace {
ProductionSwitch parse(std::vector<std::string_view> args) { return gf_parseProductionSwitch(args); }
}  // namespace

TEST(CommandLine, LastSwitchWinsInAnyCase) {
  EXPECT_FALSE(parse({"--production", "--no-production"}).value);
  EXPECT_TRUE(parse({"--no-production", "/production"}).value);
  EXPECT_TRUE(parse({"--PRODUCTION"}).value);
  EXPECT_TRUE(parse({"/Production"}).given);
  const auto off = parse({"/NO-Production", "x"});
  EXPECT_FALSE(off.value);
  EXPECT_TRUE(off.given);
}

TEST(CommandLine, OtherArgumentsAndNoArgumentsLeaveProductionOff) {
  EXPECT_FALSE(parse({}).given);
  const auto other = parse({"production", "--productions", "-production", "--no-production-x"});
  EXPECT_FALSE(other.given);
  EXPECT_FALSE(other.value);
}

// The per-user folder: made with its parents when missing, left alone (and nothing logged)
// when it is there; when it cannot be made the program ends at once with code 0 and the
// file system's error in the log.
TEST(AppMain, TheUserFolderIsMadeOrTheProgramEndsWithCodeZero) {
  test::LogCapture log;
  test::TempDir dir;
  EXPECT_TRUE(lf_ensureUserFolder(dir / "a" / "b"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b"));
  EXPECT_TRUE(lf_ensureUserFolder(dir / "a" / "b"));
  EXPECT_EQ(log.text(), "");

  test::writeFile(dir / "appdata", "a file where the folder should be");
  ::setenv("VDRK_APPDATA", (dir / "appdata").c_str(), 1);
  gf_resetUserPaths();
  EXPECT_EQ(lf_appMain(ProductionSwitch{}), 0);
  ::unsetenv("VDRK_APPDATA");
  gf_resetUserPaths();
  EXPECT_TRUE(log.contains("Failed to create directory: "));
  EXPECT_FALSE(log.contains("initInstance failed"));
}
