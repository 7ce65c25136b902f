#include "foundation/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <pugixml.hpp>
#include <stdexcept>

#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {
// Lowers the process's file-size limit while it lives; a write past it fails with EFBIG
// instead of raising SIGXFSZ.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};
}  // namespace

// The shift of three generations itself is shown by the log file's opening.
TEST(Generations, NothingToSaveIsNoFailureButANameNeedsADot) {
  test::LogCapture log;
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(gf_generationName("a.b/file"), "a0.b/file");
  EXPECT_TRUE(gf_saveUpto3GenerationsOf("Log.txt"));
  EXPECT_FALSE(fs::exists("Log0.txt"));
  test::writeFile("README", "x");
  EXPECT_FALSE(gf_save1GenerationOf("README"));
  EXPECT_FALSE(gf_saveUpto3GenerationsOf("README"));
  EXPECT_TRUE(log.contains("==> gf_saveUpto3GenerationsOf: no dot in filename: README\n"));
  EXPECT_EQ(gf_countDirectoryEntries("."), 1u);
}

TEST(Generations, OneGenerationAndAFailedCopy) {
  test::LogCapture log;
  test::TempDir dir;
  test::writeFile(dir / "parameters.xml", "<broken");
  EXPECT_TRUE(gf_save1GenerationOf(dir / "parameters.xml"));
  EXPECT_EQ(test::readFile(dir / "parameters0.xml"), "<broken");
  // A folder where the generation should go makes the copy fail; later steps still run.
  fs::create_directory(dir / "Log00.txt");
  test::writeFile(dir / "Log0.txt", "older");
  test::writeFile(dir / "Log.txt", "newest");
  EXPECT_FALSE(gf_saveUpto3GenerationsOf(dir / "Log.txt"));
  EXPECT_EQ(test::readFile(dir / "Log0.txt"), "newest");
  EXPECT_TRUE(log.contains("==> copy " + (dir / "Log0.txt").string() + " -> " + (dir / "Log00.txt").string() +
                           " failed: "));
}

TEST(WriteFiles, ReplaceTheFileOrKeepTheOldContent) {
  test::LogCapture log;
  test::TempDir dir;
  EXPECT_TRUE(gf_writeLines({"one", "", "three"}, dir / "a.txt"));
  EXPECT_EQ(test::readFile(dir / "a.txt"), "one\n\nthree\n");
  EXPECT_TRUE(gf_writeTextFile("hello", dir / "a.txt"));
  EXPECT_EQ(test::readFile(dir / "a.txt"), "hello\n");
  // The target's folder does not exist.
  EXPECT_FALSE(gf_writeLines({"x"}, dir / "nowhere" / "a.txt"));
  EXPECT_FALSE(gf_writeTextFile("x", dir / "nowhere" / "a.txt"));
  EXPECT_TRUE(log.contains("==> Failed to write file " + (dir / "nowhere" / "a.txt").string()));
  // The target is a non-empty folder: the rename fails and the temporary goes again.
  fs::create_directories(dir / "taken" / "inside");
  EXPECT_FALSE(gf_writeTextFile("x", dir / "taken"));
  EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 2u);
  // A write that fails half-way (the file-size limit stands in for a full disk): the
  // old content stays and the temporary goes.
  {
    FileSizeLimit limit(1024);
    EXPECT_FALSE(gf_writeTextFile(std::string(64 * 1024, 'x'), dir / "a.txt"));
    EXPECT_FALSE(gf_writeLines({std::string(64 * 1024, 'x')}, dir / "a.txt"));
  }
  EXPECT_EQ(test::readFile(dir / "a.txt"), "hello\n");
  EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 2u);
}

TEST(Folders, RemoveFilesAndXmlFilesKeepTheRest) {
  test::TempDir dir;
  for (const char* name : {"EDDF.xml", "KJFK.XML", "tblo.zip", "xml"}) test::writeFile(dir / name, "x");
  fs::create_directories(dir / "folder.xml");
  test::writeFile(dir / "folder.xml" / "c.txt", "c");
  gf_removeXMLFilesFromDirectory(dir.path());
  EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 3u);
  EXPECT_TRUE(fs::exists(dir / "tblo.zip"));
  gf_removeFilesFromDirectory(dir.path());
  EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 1u);
  EXPECT_TRUE(fs::exists(dir / "folder.xml" / "c.txt"));
  EXPECT_NO_THROW(gf_removeFilesFromDirectory(dir / "missing"));
  EXPECT_NO_THROW(gf_removeXMLFilesFromDirectory(dir / "missing"));
  EXPECT_NO_THROW(gf_removeFilesFromDirectory(dir / "folder.xml" / "c.txt"));
}

TEST(Folders, ListXmlFilesTakesFourCharacterStems) {
  test::TempDir dir;
  EXPECT_TRUE(gf_listXmlFiles(dir / "missing").empty());
  for (const char* name : {"eddf.xml", "EDDF.txt", "EDDFX.xml", "k1Jf.XML", "abc.xml"}) test::writeFile(dir / name, "");
  fs::create_directories(dir / "ABCD.xml");
  auto codes = gf_listXmlFiles(dir.path());
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<std::string>{"EDDF", "K1JF"}));
  test::writeFile(dir / "ED-F.xml", "");
  EXPECT_THROW(gf_listXmlFiles(dir.path()), std::invalid_argument);
}

TEST(SaveXml, OwnDeclarationAndIndent) {
  test::TempDir dir;
  pugi::xml_document doc;
  auto declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.1");
  doc.append_child("root").append_child("meta").append_attribute("name").set_value("x");
  ASSERT_TRUE(gf_saveXml(doc, dir / "a.xml"));
  EXPECT_EQ(test::readFile(dir / "a.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <meta name=\"x\" />\n</root>\n");
  EXPECT_FALSE(gf_saveXml(doc, dir / "missing" / "c.xml"));
}

TEST(FindCaseInsensitive, ExactFirstThenAnyCase) {
  test::TempDir dir;
  test::writeFile(dir / "Aircraft.CFG", "");
  EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "aircraft.cfg"), dir / "Aircraft.CFG");
  test::writeFile(dir / "aircraft.cfg", "");
  EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "aircraft.cfg"), dir / "aircraft.cfg");
  EXPECT_EQ(gf_findCaseInsensitive(dir.path(), "sim.cfg"), dir / "sim.cfg");
  EXPECT_EQ(gf_findCaseInsensitive(dir / "missing", "x"), dir / "missing" / "x");
}
