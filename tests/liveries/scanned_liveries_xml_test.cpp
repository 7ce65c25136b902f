#include "liveries/scanned_liveries_xml.h"

#include <gtest/gtest.h>

#include "foundation/error.h"
#include "foundation/settings.h"
#include "liveries/scan_reports.h"
#include "livery_fixture.h"

namespace vexo {
namespace {

class ScannedLiveriesXml : public test::LiveryTest {
protected:
  std::string errorOf(const std::string& xml) {
    test::writeFile(file_, xml);
    try {
      lf_readScannedLiveriesFrom(file_);
    } catch (const UserErrorException& e) {
      return e.what();
    }
    return "no error";
  }
  std::filesystem::path file_ = dir_ / "LiveriesScanned.xml";
};

TEST_F(ScannedLiveriesXml, RoundTripKeepsEverythingButTheFolderIndex) {
  const AcCodes plain{gf_airlineCode2Id("KLM"), 0, gf_modelCode2Id("B738"), 0, 0};
  const AcCodes full{gf_airlineCode2Id("DLH"), gf_airlineCode2Id("AAL"), gf_modelCode2Id("A320"), 1, 1};
  std::list<LiveryData> list{{"DLH <&\"> \xC3\xA9", "D-ABCD", full, 2}, {"KLM 1", "", plain, 1}};
  test::LogCapture log;
  ASSERT_TRUE(lf_writeScannedLiveries(list, file_));
  EXPECT_TRUE(log.contains("2 liveries in " + file_.string())) << log.text();
  const std::string text = test::readFile(file_);
  EXPECT_NE(text.find("<l a=\"KLM\" m=\"B738\" t=\"KLM 1\" />"), std::string::npos) << text;
  EXPECT_NE(text.find("<l a=\"DLH\" o=\"AAL\" m=\"A320\" c=\"true\" t=\"DLH &lt;&amp;&quot;> \xC3\xA9\" r=\"D-ABCD\" />"),
            std::string::npos);
  const auto back = lf_readScannedLiveriesFrom(file_);
  ASSERT_EQ(back.size(), 2U);
  EXPECT_EQ(back.front().title, list.front().title);
  EXPECT_EQ(back.front().regcode, "D-ABCD");
  EXPECT_EQ(back.front().codes, (AcCodes{full.airlineId, full.operatorId, full.modelId, 1, 0}));
  EXPECT_EQ(back.front().folderIndex, 0);
  EXPECT_EQ(back.back().codes, plain);
}

// A hand-edited file: any element name, attributes in any order, pugixml's booleans, and
// an order that the reader puts right.
TEST_F(ScannedLiveriesXml, HandEditedUnsortedFileIsSorted) {
  test::writeFile(file_, R"(<root><liveries>
    <x t="b" m="B738" a="KLM" c="yes"/><!-- note -->
    <l a="KLM" m="B738" t="a" c="0"/>
    <l a="AAL" o="" m="C172" t="z"/>
    <l a="KLM" o="AAL" m="A320" t="c"/>
  </liveries></root>)");
  std::vector<std::string> titles;
  std::vector<int> cargo;
  for (const auto& l : lf_readScannedLiveriesFrom(file_)) {
    titles.push_back(l.title);
    cargo.push_back(l.codes.cargo);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"z", "a", "b", "c"}));
  EXPECT_EQ(cargo, (std::vector<int>{0, 0, 1, 0}));
}

TEST_F(ScannedLiveriesXml, ReadErrors) {
  const std::string path = file_.string();
  EXPECT_EQ(errorOf(R"(<root><liveries><l a="KLM" m="B738"/></liveries></root>)"),
            "999: Missing required attribute 't' in <l>");
  EXPECT_EQ(errorOf(R"(<root><liveries><q t="x" m="B738"/></liveries></root>)"),
            "999: Missing required attribute 'a' in <q>");
  EXPECT_EQ(errorOf(R"(<root><liveries><l a="KLM" t="x"/></liveries></root>)"),
            "999: Missing required attribute 'm' in <l>");
  EXPECT_EQ(errorOf("<root><liveries/></root>"), "533: " + path + " does not contain liveries");
  EXPECT_EQ(errorOf("<other/>"), "533: " + path + " does not contain liveries");
  EXPECT_EQ(errorOf("<root><meta/></root>"), "52: " + path + " does not contain a <liveries> section");
  // Cut short anywhere, the file is an error and never a shorter list.
  const std::string whole = R"(<root><liveries><l a="KLM" m="B738" t="a"/><l a="KLM" m="B738" t="b"/></liveries></root>)";
  for (std::size_t cut = 1; cut < whole.size(); ++cut) {
    EXPECT_EQ(errorOf(whole.substr(0, cut)), "51: File " + path + " not found") << cut;
  }
  std::filesystem::remove(file_);
  try {
    lf_readScannedLiveriesFrom(file_);
    ADD_FAILURE();
  } catch (const UserErrorException& e) {
    EXPECT_EQ(std::string(e.what()), "51: File " + path + " not found");
  }
}

TEST_F(ScannedLiveriesXml, SortOrder) {
  const auto id = [](const char* code) { return gf_airlineCode2Id(code); };
  const auto m = [](const char* code) { return gf_modelCode2Id(code); };
  const LiveryData a{"z", "", {id("AB"), 0, m("B738"), 0, 0}, 0};
  const LiveryData b{"a", "", {id("ABC"), 0, m("A320"), 0, 0}, 0};
  const LiveryData c{"a", "", {id("ABC"), id("X"), m("A320"), 0, 0}, 0};
  const LiveryData d{"b", "", {id("ABC"), id("X"), m("A320"), 0, 0}, 0};
  const LiveryData e{"a", "", {id("\xC3\x84"), 0, m("A320"), 0, 0}, 0};
  EXPECT_TRUE(lf_liveryLess(a, b));  // a prefix first
  EXPECT_TRUE(lf_liveryLess(b, c));  // no operator first
  EXPECT_TRUE(lf_liveryLess(c, d));
  EXPECT_FALSE(lf_liveryLess(d, c));
  EXPECT_TRUE(lf_liveryLess(d, e));  // bytes compared unsigned
}

TEST_F(ScannedLiveriesXml, FolderCheck) {
  auto& folders = g_settings.lfolder;
  folders[1].setValue(dir_.path().string());
  folders[3].setValue((dir_ / "LiveriesScanned.xml").string());
  test::writeFile(file_, "x");
  std::vector<std::filesystem::path> out;
  lf_liveryFolders(out);
  EXPECT_EQ(out, (std::vector<std::filesystem::path>{dir_.path(), file_}));
  folders[5].setValue((dir_ / "missing").string());
  try {
    lf_liveryFolders(out);
    ADD_FAILURE();
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "243: the path pointed to by parameter 'lfolder5' does not exist, see Log.txt!");
  }
  for (auto& f : folders) f.setValue("");
}

TEST(ScanReportFiles, FailedWriteIsAFailure) {
  const test::TempDir dir;
  EXPECT_TRUE(gf_writeListFile({"a", "b"}, dir / "ok.txt"));
  EXPECT_EQ(test::readFile(dir / "ok.txt"), "a\nb\n");
  EXPECT_FALSE(gf_writeListFile({std::string(1 << 16, 'x')}, "/dev/full"));
  EXPECT_FALSE(gf_writeListFile({"a"}, "/nonexistent-folder/x.txt"));
}

}  // namespace
}  // namespace vexo
