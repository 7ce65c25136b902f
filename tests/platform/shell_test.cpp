#include "platform/shell.h"

#include <gtest/gtest.h>

#include "platform/known_folders.h"
#include "platform/message_box.h"
#include "test_support.h"

using namespace vexo::platform;
namespace fs = std::filesystem;

TEST(Shell, OpenExplorerAtOpensTheParentOfAnExistingFileOnly) {
  vexo::test::TempDir dir;
  std::vector<fs::path> opened;
  gf_setShellOpener([&](const fs::path& p) {
    opened.push_back(p);
    return true;
  });
  EXPECT_FALSE(gf_openExplorerAt(dir / "missing.txt"));
  EXPECT_TRUE(opened.empty());
  vexo::test::writeFile(dir / "report.txt", "x");
  EXPECT_TRUE(gf_openExplorerAt(dir / "report.txt"));
  ASSERT_EQ(opened.size(), 1U);
  EXPECT_EQ(opened[0], dir.path());
  gf_setShellOpener({});
}

TEST(MessageBox, GoesToTheInstalledSink) {
  std::string seen;
  gf_setMessageBoxSink([&](std::string_view text, std::string_view caption, MessageIcon icon) {
    seen = std::string(caption) + "|" + std::string(text) + (icon == MessageIcon::exclamation ? "|!" : "");
  });
  gf_messageBox("Could not open", "VDRK", MessageIcon::exclamation);
  EXPECT_EQ(seen, "VDRK|Could not open|!");
  gf_setMessageBoxSink({});
}

TEST(KnownFolders, EnvironmentFirstThenTheUsualPlaces) {
  ::setenv("VDRK_APPDATA", "/tmp/appdata", 1);
  ::setenv("HOME", "/home/pilot", 1);
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("VDRK_DOCUMENTS");
  EXPECT_EQ(gf_knownFolderPath(KnownFolder::roamingAppData), fs::path("/tmp/appdata"));
  EXPECT_EQ(gf_knownFolderPath(KnownFolder::documents), fs::path("/home/pilot/Documents"));
  ::unsetenv("VDRK_APPDATA");
  EXPECT_EQ(gf_knownFolderPath(KnownFolder::roamingAppData), fs::path("/home/pilot/.config"));
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(gf_knownFolderPath(KnownFolder::roamingAppData), fs::path("/xdg"));
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("HOME");
  EXPECT_FALSE(gf_knownFolderPath(KnownFolder::roamingAppData).has_value());
}
