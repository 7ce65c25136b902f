#include <gtest/gtest.h>

#include <fmt/format.h>

#include "data_files.h"
#include "foundation/datafile_decrypt.h"
#include "refdata/regcode_lists.h"
#include "test_support.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;
using Regs = std::list<std::string>;

class RegcodeFiles : public ::testing::Test {
protected:
  bool readLines(const std::string& text) {
    test::writeFile(dir / "LIST.TXT", text);
    return gf_readRegcodeFiles(dir.path(), entries);
  }
  test::TempDir dir;
  test::LogCapture log;
  std::vector<RegcodeEntry> entries;
};

TEST_F(RegcodeFiles, TitlesRegistrationsAndTheSpecialMark) {
  // Lines with too many fields or too short a title are skipped; a title alone is a title
  // not to use; one registration or a "#" sets the mark; lengths outside 3..12 are dropped.
  EXPECT_FALSE(readLines("Title6\nShort\n\nTitle of a livery;\nA;B;C;D;E\nT;D-ABCD\nT;D-ABCD,D-ABCE\n"
                         "T;D-ABCE , D-ABCD,D-ABCE;#\nT;D-ABCE,D-ABCD;x\nT;AB,CD\nT;ABCDEFGHIJKLM,D-ABCD;#\n"));
  struct Expected {
    const char* title;
    Regs regcodes;
    bool sFlag;
  };
  const Expected expected[] = {
      {"Title6", {}, false},          {"Title of a livery", {}, false},  {"T", {"D-ABCD"}, true},
      {"T", {"D-ABCD", "D-ABCE"}, false}, {"T", {"D-ABCD", "D-ABCE"}, true}, {"T", {"D-ABCD", "D-ABCE"}, false},
      {"T", {}, false},               {"T", {"D-ABCD"}, true},
  };
  ASSERT_EQ(entries.size(), std::size(expected));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].title, expected[i].title);
    EXPECT_EQ(entries[i].regcodes, expected[i].regcodes);
    EXPECT_EQ(entries[i].sFlag, expected[i].sFlag);
  }
  for (const char* bad : {"'AB'", "'CD'", "'ABCDEFGHIJKLM'"}) {
    EXPECT_TRUE(log.contains(std::string("==> wrong regcode length ") + bad + " in " + (dir / "LIST.TXT").string()));
  }
}

TEST_F(RegcodeFiles, OnlyTxtFilesCountsGrowFromFileToFileAndAMissingFolderFails) {
  test::writeFile(dir / "a.txt", "First title\nSecond title\n");
  test::writeFile(dir / "b.Txt", "Third title\nFourth;G-ABCD\r\nFifth title\n");
  test::writeFile(dir / "LIST.TXT.bak", "Not read at all\n");
  fs::create_directories(dir / "folder.TXT");
  EXPECT_TRUE(gf_readRegcodeFiles(dir.path(), entries));
  EXPECT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[3].regcodes, (Regs{"G-ABCD"}));
  EXPECT_TRUE(log.contains("    2 liveries read from " + (dir / "a.txt").string()));
  EXPECT_TRUE(log.contains("    5 liveries read from " + (dir / "b.Txt").string()));
  EXPECT_FALSE(gf_readRegcodeFiles(dir / "none", entries));
  EXPECT_TRUE(log.contains("==> Error reading regcode files in " + (dir / "none").string() + ", what: "));
}

class AigRegcodes : public ::testing::Test {
protected:
  bool read(const std::string& body, const std::string& meta = kMeta) {
    test::writeFile(dir / "AIG-regcodes.xml", "<root>" + meta + body + "</root>");
    return gf_readAigRegcodesFrom(dir / "AIG-regcodes.xml", entries);
  }
  static constexpr const char* kMeta =
      R"(<meta><info name="author" value="a"/><info name="copyright" value="c"/><info name="sim" value="5"/></meta>)";
  test::TempDir dir;
  test::LogCapture log;
  std::vector<RegcodeEntry> entries;
};

TEST_F(AigRegcodes, ReadsEntriesAndRefusesRepeatedTitles) {
  EXPECT_FALSE(read(R"(<aig><l t="A" r="N2,N1,N2" s="true"/><l t="A" r="N3"/><l t=""/><l t="B"/><l t="A" r="N4"/></aig>)"));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].regcodes, (Regs{"N1", "N2"}));
  EXPECT_TRUE(entries[0].sFlag);
  EXPECT_TRUE(entries[1].regcodes.empty());
  EXPECT_FALSE(entries[1].sFlag);
  EXPECT_EQ(entries[2].title, "A");
  EXPECT_TRUE(log.contains("==> Duplicate title 'A' (same as previous)"));
  EXPECT_TRUE(log.contains("    3 liveries read from "));
}

TEST_F(AigRegcodes, UnusableFiles) {
  EXPECT_FALSE(read("<other/>"));
  EXPECT_TRUE(log.contains("==> No <aig> node found in XML."));
  EXPECT_FALSE(read("<aig/>", ""));
  test::writeFile(dir / "AIG-regcodes.xml", "<root><aig>");
  EXPECT_FALSE(gf_readAigRegcodesFrom(dir / "AIG-regcodes.xml", entries));
  EXPECT_TRUE(log.contains("==> Failed to load " + (dir / "AIG-regcodes.xml").string()));
  EXPECT_FALSE(fs::exists(dir / "AIG-regcodes.xml"));
  EXPECT_TRUE(entries.empty());
}

TEST_F(AigRegcodes, SampleListDecryptsAndLoads) {
  ASSERT_TRUE(gf_streamDecrypt(test::sampleInputDir() / "AIG-regcodes.enc", dir / "AIG-regcodes.xml"));
  EXPECT_TRUE(gf_readAigRegcodesFrom(dir / "AIG-regcodes.xml", entries));
  EXPECT_GT(entries.size(), 50u);
  EXPECT_TRUE(log.contains(fmt::format("{:5} liveries read from ", entries.size())));
}

}  // namespace
}  // namespace vexo
