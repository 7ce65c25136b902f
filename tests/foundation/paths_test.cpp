#include "foundation/paths.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

TEST(Paths, PerUserFolderComesFromTheAppDataFolderOnFirstUse) {
  ::setenv("VDRK_APPDATA", "/srv/users/a", 1);
  gf_resetUserPaths();
  EXPECT_EQ(gf_parametersPathUtf8(), "/srv/users/a/Vendrake_P3D/parameters.xml");
  ::setenv("VDRK_APPDATA", "/srv/users/b", 1);
  EXPECT_EQ(gf_appFolder(), fs::path("/srv/users/a/Vendrake_P3D"));  // kept until reset
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
