// Listing folders and reading whole files, as the liveries walk uses them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/folder_listing.h"
#include "platform/whole_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace vexo::platform {
namespace {

TEST(FolderListing, NamesWithTheirTypes) {
  test::TempDir dir;
  fs::create_directory(dir / "sub");
  test::writeFile(dir / "file.cfg", "x");
  fs::create_directory_symlink(dir / "sub", dir / "link to sub");
  fs::create_symlink(dir / "file.cfg", dir / "link to file");
  std::vector<FolderEntry> entries{{"stale", EntryType::regular}};
  ASSERT_FALSE(gf_listFolder(dir.path(), entries));
  std::ranges::sort(entries, {}, &FolderEntry::name);
  ASSERT_EQ(entries.size(), 4U);  // no "." or ".."
  EXPECT_EQ(entries[0].name, "file.cfg");
  EXPECT_EQ(entries[0].type, EntryType::regular);
  EXPECT_EQ(entries[1].name, "link to file");
  EXPECT_EQ(entries[1].type, EntryType::symlink);  // links are not followed
  EXPECT_EQ(entries[2].type, EntryType::symlink);
  EXPECT_EQ(entries[3].name, "sub");
  EXPECT_EQ(entries[3].type, EntryType::directory);

  EXPECT_EQ(gf_listFolder(dir / "missing", entries), std::errc::no_such_file_or_directory);
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(gf_listFolder(dir / "file.cfg", entries), std::errc::not_a_directory);
  // More entries than one call of the system takes.
  for (int i = 0; i < 3000; ++i) test::writeFile(dir / "sub" / ("a rather long file name number " + std::to_string(i)), "");
  ASSERT_FALSE(gf_listFolder(dir / "sub", entries));
  EXPECT_EQ(entries.size(), 3000U);
}

TEST(WholeFile, ReadsUpToTheLimit) {
  test::TempDir dir;
  std::string bytes = "stale";
  EXPECT_EQ(gf_readWholeFile(dir / "missing", 10, bytes), WholeFileRead::notFound);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(gf_readWholeFile(dir / "missing" / "x", 10, bytes), WholeFileRead::notFound);
  EXPECT_EQ(gf_readWholeFile(dir.path(), 10, bytes), WholeFileRead::failed);  // a folder
  test::writeFile(dir / "ten", "0123456789");
  EXPECT_EQ(gf_readWholeFile(dir / "ten", 10, bytes), WholeFileRead::ok);
  EXPECT_EQ(bytes, "0123456789");
  EXPECT_EQ(gf_readWholeFile(dir / "ten", 9, bytes), WholeFileRead::tooLarge);
  EXPECT_TRUE(bytes.empty());
  test::writeFile(dir / "empty", "");
  EXPECT_EQ(gf_readWholeFile(dir / "empty", 10, bytes), WholeFileRead::ok);
  EXPECT_TRUE(bytes.empty());
  const std::string big(100000, 'x');
  test::writeFile(dir / "big", big);
  EXPECT_EQ(gf_readWholeFile(dir / "big", big.size(), bytes), WholeFileRead::ok);
  EXPECT_EQ(bytes, big);
}

// The walk opens each sub-folder by name inside its open parent and reads files the same
// way; a parent closed meanwhile does not matter to a folder opened from it.
TEST(OpenFolder, OpensByNameInsideItsParent) {
  test::TempDir dir;
  fs::create_directories(dir / "a" / "b");
  test::writeFile(dir / "a" / "b" / "aircraft.cfg", "[fltsim.0]");
  fs::create_directory_symlink(dir / "a" / "b", dir / "a" / "link");
  test::writeFile(dir / "a" / "file", "x");

  auto parent = std::make_unique<OpenFolder>();
  ASSERT_FALSE(parent->open(dir / "a"));
  OpenFolder child;
  ASSERT_FALSE(child.openIn(*parent, "b"));
  parent.reset();
  std::vector<FolderEntry> entries;
  ASSERT_FALSE(child.list(entries));
  ASSERT_EQ(entries.size(), 1U);
  EXPECT_EQ(entries[0].name, "aircraft.cfg");
  std::string bytes;
  EXPECT_EQ(gf_readWholeFileIn(child.descriptor(), "aircraft.cfg", 100, bytes), WholeFileRead::ok);
  EXPECT_EQ(bytes, "[fltsim.0]");
  EXPECT_EQ(gf_readWholeFileIn(child.descriptor(), "missing.cfg", 100, bytes), WholeFileRead::notFound);
  EXPECT_EQ(gf_readWholeFileIn(child.descriptor(), "aircraft.cfg", 5, bytes), WholeFileRead::tooLarge);

  OpenFolder again;
  ASSERT_FALSE(again.open(dir / "a"));
  // A link to a folder is not gone through, a file is no folder, a missing name is missing.
  EXPECT_TRUE(child.openIn(again, "link"));
  EXPECT_FALSE(child.isOpen());
  EXPECT_EQ(child.openIn(again, "file"), std::errc::not_a_directory);
  EXPECT_EQ(child.openIn(again, "missing"), std::errc::no_such_file_or_directory);
  EXPECT_EQ(child.list(entries), std::errc::bad_file_descriptor);
  EXPECT_TRUE(entries.empty());
  // A folder opened by path follows a link, as the configured folders may be links.
  ASSERT_FALSE(child.open(dir / "a" / "link"));
  ASSERT_FALSE(child.list(entries));
  EXPECT_EQ(entries.size(), 1U);
}

}  // namespace
}  // namespace vexo::platform
