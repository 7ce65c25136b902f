#include "foundation/paths.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

TEST(Paths, ConstantsAreRelativeToTheWorkingFolder) {
  EXPECT_EQ(g_dbaseEncPath, fs::path("input") / "dbase.enc");
  EXPECT_EQ(g_objectIdListPath, fs::path("output") / "info" / "ObjectIdList.txt");
  EXPECT_EQ(g_incompleteFltsimSectionsPath, fs::path("output") / "errors" / "IncompleFltsimSections.txt");
  EXPECT_EQ(g_learnedThirdpartyFolder, fs::path("airports") / "learned" / "thirdparty");
  EXPECT_EQ(g_myParkAirportsPath, fs::path("airports") / "my_park_airports.txt");
  EXPECT_TRUE(g_tbloZipPath.is_relative());

  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  fs::create_directories(g_learnedStockFolder);
  EXPECT_TRUE(fs::is_directory(dir / "airports" / "learned" / "stock"));
}

TEST(Paths, PerUserFolderComesFromTheAppDataFolderOnFirstUse) {
  ::setenv("VDRK_APPDATA", "/srv/users/a", 1);
  gf_resetUserPaths();
  EXPECT_EQ(gf_appFolder(), fs::path("/srv/users/a/Vendrake_P3D"));
  EXPECT_EQ(gf_parametersPathUtf8(), "/srv/users/a/Vendrake_P3D/parameters.xml");

  ::setenv("VDRK_APPDATA", "/srv/users/b", 1);
  EXPECT_EQ(gf_appFolder(), fs::path("/srv/users/a/Vendrake_P3D"));  // kept
  gf_resetUserPaths();
  EXPECT_EQ(gf_parametersPath(), fs::path("/srv/users/b/Vendrake_P3D/parameters.xml"));

  ::unsetenv("VDRK_APPDATA");
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("HOME");
  gf_resetUserPaths();
  test::LogCapture log;
  EXPECT_EQ(gf_appFolder(), fs::path("Vendrake_P3D"));
  EXPECT_TRUE(log.contains("==> Could not find the AppData path"));
  gf_resetUserPaths();
}
