#include "platform/private_file.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

TEST(PrivateFile, LinksAtThePathAreReplacedNeverFollowed) {
  test::TempDir dir;
  test::writeFile(dir / "victim", "keep");
  fs::create_symlink(dir / "victim", dir / "link.xml");
  fs::create_symlink(dir / "nowhere", dir / "dangling.xml");
  test::writeFile(dir / "old.xml", "old text");
  fs::permissions(dir / "old.xml", fs::perms::owner_all | fs::perms::others_read);
  for (const char* name : {"link.xml", "dangling.xml", "old.xml"}) {
    SCOPED_TRACE(name);
    {
      const platform::FilePtr file = platform::gf_createPrivateFile(dir / name);
      ASSERT_TRUE(file);
      std::fputs("plain", file.get());
    }
    EXPECT_FALSE(fs::is_symlink(dir / name));
    EXPECT_EQ(test::readFile(dir / name), "plain");
    EXPECT_EQ(fs::status(dir / name).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  }
  EXPECT_EQ(test::readFile(dir / "victim"), "keep");
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_FALSE(platform::gf_createPrivateFile(dir / "missing" / "f.xml"));
}
