#include "liveries/liveries_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "foundation/charset.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/run_state.h"
#include "foundation/scan_tasks.h"
#include "foundation/settings.h"
#include "liveries/scanned_liveries_xml.h"
#include "livery_fixture.h"

namespace fs = std::filesystem;

namespace vexo {
namespace {

using test::section;

std::string utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : ascii) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

std::string files(const std::string& texture = "KLM") { return "texture=" + texture + "\nsim=B738\n"; }

// The fixture tree: every encoding, every report kind, the folders the walk must skip.
void writeTree(const fs::path& lf1, const fs::path& lf2) {
  using test::aircraftFolder;
  std::string crlf = "[General]\r\natc_model=B738\r\n" + section(1, "title=KLM 737\r\natc_parking_codes=KLM\r\n") +
                     files() + section(2, "title=BAW 737\natc_parking_codes=BAW\natc_id=G-ABCD\n") + files();
  aircraftFolder(lf1 / "Boeing 737", "aircraft.cfg", crlf, {"KLM"});
  aircraftFolder(lf1 / "Airbus", "AIRCRAFT.CFG",
                 "\xEF\xBB\xBF" "atc_model=A320\n" + section(0, "title=DLH A320\natc_id=D-ABCD\n") + files(), {"KLM"});
  aircraftFolder(lf1 / "Le16", "aircraft.cfg",
                 utf16("atc_model=C172\n" + section(0, "title=Cessna LE\natc_parking_codes=AAL\n") + files(), false),
                 {"KLM"});
  aircraftFolder(lf1 / "Be16", "Sim.Cfg",
                 utf16("atc_model=B738\n" + section(0, "title=BE livery\natc_parking_codes=BAW\n") + files(), true),
                 {"KLM"});
  aircraftFolder(lf1 / "Ansi", "aircraft.cfg",
                 "atc_model=B738\n" + section(0, "title=Caf\xE9 \x80 KLM\natc_parking_codes=KLM\n") + files(), {"KLM"});
  aircraftFolder(lf1 / "CaseTex", "aircraft.cfg",
                 "atc_model=B738\n" + section(0, "title=Blue KLM\natc_parking_codes=KLM\n") + files("BLUE"), {"Blue"});
  aircraftFolder(lf1 / "Dup", "aircraft.cfg",
                 "atc_model=B738\n" + section(0, "title=KLM 737\natc_parking_codes=KLM\n") + files(), {"KLM"});
  aircraftFolder(lf1 / "Errors", "aircraft.cfg",
                 "atc_model=B73H\n" + section(0, "title=Bad airline\natc_parking_codes=QQQ\n") + files() +
                     section(1, "atc_parking_codes=KLM\n") + files() +
                     section(2, "title=Banned Livery\natc_parking_codes=KLM\n") + files(),
                 {"KLM"});
  aircraftFolder(lf1 / "NoModel", "aircraft.cfg", section(0, "title=x\n"), {});
  aircraftFolder(lf1 / "BadModel", "aircraft.cfg", "atc_model=XYZ\n" + section(0, "title=x\n"), {});
  aircraftFolder(lf1 / "Empty", "aircraft.cfg", "[General]\natc_model=B738\n", {});
  aircraftFolder(lf1 / "Big", "aircraft.cfg", std::string(1 << 20, 'a'), {});
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7919) % 256);
  aircraftFolder(lf1 / "Binary", "aircraft.cfg", binary, {});
  aircraftFolder(lf1 / "my airports" / "x", "aircraft.cfg", crlf, {"KLM"});  // not descended
  aircraftFolder(lf1 / "Other", "aircraft.cfg.bak", crlf, {"KLM"});
  aircraftFolder(lf1 / "Other", "aircraft1.cfg", crlf, {"KLM"});
  aircraftFolder(lf1 / "IVAO_MTL" / "IVAO_B738w", "aircraft.cfg",
                 section(0, "title=B738KLM ivao\n") + files(), {"KLM"});
  aircraftFolder(lf1 / "ivao_mtl" / "IVAO_B738w", "aircraft.cfg",
                 section(0, "title=B738 lower\n") + files(), {"KLM"});  // ordinary: no atc_model
  aircraftFolder(lf2 / "Second", "aircraft.cfg",
                 "atc_model=B738\n" + section(0, "title=KLM second\natc_parking_codes=KLM\n") + files(), {"KLM"});
}

class LiveriesScan : public test::LiveryTest {
protected:
  void SetUp() override {
    test::LiveryTest::SetUp();
    fs::create_directories(dir_ / "work" / "output" / "info");
    fs::create_directories(dir_ / "work" / "input" / "my_regcodes");
    test::writeFile(dir_ / "work" / "input" / "my_regcodes" / "mine.txt", "Banned Livery\n");
    cwd_ = std::make_unique<test::ScopedCwd>(dir_ / "work");
    ::setenv("VDRK_APPDATA", (dir_ / "appdata").c_str(), 1);
    gf_resetUserPaths();
    fs::create_directories(gf_appFolder());
    root_ = dir_ / "trees airport";  // the roots' own path may say airport
    writeTree(root_ / "lf1", root_ / "lf2");
    g_settings.LIG_PRIORITIZE.value = false;
    g_settings.lfolder[0].setValue((root_ / "lf1").string());
    g_settings.lfolder[2].setValue((root_ / "lf2").string());
  }
  void TearDown() override {
    for (auto& f : g_settings.lfolder) f.setValue("");
    g_settings.LIG_PRIORITIZE.value = true;
    g_settings.SCAN_LIVERIES.value = true;
    g_closing = false;
    g_maxScanTasks = 2;
    cwd_.reset();
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
    test::LiveryTest::TearDown();
  }
  // Every file the scan wrote, by name.
  std::map<std::string, std::string> outputs() {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "work" / "output")) {
      if (!e.is_regular_file()) continue;
      std::string text = test::readFile(e.path());
      const auto date = text.find("<info name=\"date\"");  // the day of the run
      if (date != std::string::npos) text.erase(date, text.find('\n', date) - date);
      out[e.path().filename().string()] = text;
    }
    return out;
  }
  std::string p(const std::string& relative) { return (root_ / "lf1" / relative).string(); }

  fs::path root_;
  std::unique_ptr<test::ScopedCwd> cwd_;
};

TEST_F(LiveriesScan, TreeGivesTheSameResultAtAnyWorkerCount) {
  std::map<std::string, std::string> first;
  for (const int workers : {1, 2, 8, 3}) {
    g_maxScanTasks = workers;
    g_settings.SCAN_LIVERIES.value = true;
    gf_scanLiveries();
    EXPECT_FALSE(g_settings.SCAN_LIVERIES.value);
    const auto out = outputs();
    if (first.empty()) {
      first = out;
    } else {
      EXPECT_EQ(out, first) << workers << " workers";
    }
  }
  std::vector<std::string> titles;
  for (const auto& l : lf_readScannedLiveriesFrom(g_liveriesScannedPath)) titles.push_back(l.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Cessna LE", "BAW 737", "BE livery", "DLH A320", "B738KLM ivao",
                                              "Blue KLM", "Caf\xC3\xA9 \xE2\x82\xAC KLM", "KLM 737", "KLM second",
                                              "Bad airline"}));
  EXPECT_EQ(first["InvalidAirlineCodes.txt"], "QQQ          in " + p("Errors/aircraft.cfg") + " [fltsim.0]\n");
  EXPECT_EQ(first["InvalidAircraftCodes.txt"], "XYZ              in " + p("BadModel/aircraft.cfg") + "\n");
  EXPECT_EQ(first["Fixes.txt"], "Model fix: B73H found in " + p("Errors/aircraft.cfg") + " changed into B738\n");
  EXPECT_EQ(first["InvalidAircraftCfgFiles.txt"],
            // A file without sections still has its model checked.
            "Line atc_model= is missing in [General] section of " + p("Big/aircraft.cfg") + "\n" +
                "Line atc_model= is missing in [General] section of " + p("Binary/aircraft.cfg") + "\n" +
                "Line atc_model= is missing in [General] section of " + p("NoModel/aircraft.cfg") + "\n" +
                "Line atc_model= is missing in [General] section of " + p("ivao_mtl/IVAO_B738w/aircraft.cfg") + "\n");
  EXPECT_EQ(first["IncompleFltsimSections.txt"],
            p("Airbus/AIRCRAFT.CFG") + " [fltsim.0] icao_airline is missing, or it has invalid info \n" +
                p("Dup/aircraft.cfg") + " [fltsim.0] title 'KLM 737' already exists\n" +
                p("Errors/aircraft.cfg") + " [fltsim.0] icao_airline is missing, or it has invalid info \n" +
                p("Errors/aircraft.cfg") + " [fltsim.1] misses title\n");
  EXPECT_EQ(first["AircraftCfgWithNoFltsimSection.txt"],
            p("Big/aircraft.cfg") + "\n" + p("Binary/aircraft.cfg") + "\n" + p("Empty/aircraft.cfg") + "\n");
}

TEST_F(LiveriesScan, PrioritizedKeepsTheFirstFolder) {
  g_settings.LIG_PRIORITIZE.value = true;
  gf_scanLiveries();
  std::vector<std::string> titles;
  for (const auto& l : lf_readScannedLiveriesFrom(g_liveriesScannedPath)) titles.push_back(l.title);
  EXPECT_EQ(std::ranges::count(titles, "KLM second"), 0);
  EXPECT_EQ(std::ranges::count(titles, "KLM 737"), 1);
}

// Closing down during the scan: no result, no success, the scan runs again next time.
TEST_F(LiveriesScan, InterruptedScanLeavesTheSettingOn) {
  g_closing = true;
  gf_scanLiveries();
  EXPECT_TRUE(g_settings.SCAN_LIVERIES.value);
  EXPECT_FALSE(fs::exists(g_liveriesScannedPath));
}

TEST_F(LiveriesScan, FailedSaveLeavesTheSettingOn) {
  fs::create_directories(g_liveriesScannedPath / "blocker");  // removal fails, so does the rename onto it
  gf_scanLiveries();
  EXPECT_TRUE(g_settings.SCAN_LIVERIES.value);
}

// Fixes.txt holds the fixes of this scan only.
TEST_F(LiveriesScan, FixesOfAnEarlierScanAreNotRepeated) {
  gf_scanLiveries();
  gf_scanLiveries();
  EXPECT_EQ(test::readFile(g_fixesPath), "Model fix: B73H found in " + p("Errors/aircraft.cfg") + " changed into B738\n");
}

TEST_F(LiveriesScan, NoFolderAndNoLiveryAreErrors) {
  for (auto& f : g_settings.lfolder) f.setValue("");
  g_settings.lfolder[3].setValue((root_ / "lf1" / "Empty").string());
  try {
    gf_scanLiveries();
    ADD_FAILURE();
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "53: no liveries found");
  }
  EXPECT_FALSE(fs::exists(g_liveriesScannedPath));
  g_settings.lfolder[4].setValue((root_ / "missing").string());
  try {
    gf_scanLiveries();
    ADD_FAILURE();
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "243: the path pointed to by parameter 'lfolder4' does not exist, see Log.txt!");
  }
}

// Every title the saved file holds, in its order.
std::vector<std::string> savedTitles() {
  std::vector<std::string> titles;
  for (const auto& l : lf_readScannedLiveriesFrom(g_liveriesScannedPath)) titles.push_back(l.title);
  return titles;
}

std::string klmSection(const std::string& title) {
  return "atc_model=B738\n" + section(0, "title=" + title + "\natc_parking_codes=KLM\n") + files();
}

// A folder whose path has 249 bytes is walked into, one of 250 is not.
TEST_F(LiveriesScan, LongFolderPathsAreNotEntered) {
  const fs::path base = root_ / "long";
  const std::size_t room = 249 - base.string().size() - 1;
  ASSERT_LT(room, 250U);
  const fs::path at = base / std::string(room, 'a');
  const fs::path beyond = base / std::string(room + 1, 'b');
  ASSERT_EQ(at.string().size(), 249U);
  test::aircraftFolder(at, "aircraft.cfg", klmSection("Len 249"), {"KLM"});
  test::aircraftFolder(beyond, "aircraft.cfg", klmSection("Len 250"), {"KLM"});
  g_settings.lfolder[2].setValue("");
  g_settings.lfolder[0].setValue(base.string());
  gf_scanLiveries();
  EXPECT_EQ(savedTitles(), std::vector<std::string>{"Len 249"});
}

// The saved file is valid UTF-8 whatever the charset of the files, even when it shows
// only after the first 4 KiB.
TEST_F(LiveriesScan, LateAnsiTitleIsSavedAsUtf8) {
  const fs::path base = root_ / "late";
  test::aircraftFolder(base / "a", "aircraft.cfg", "// " + std::string(5000, '-') + "\n" + klmSection("Caf\xE9 KLM"),
                       {"KLM"});
  g_settings.lfolder[2].setValue("");
  g_settings.lfolder[0].setValue(base.string());
  gf_scanLiveries();
  const std::string saved = test::readFile(g_liveriesScannedPath);
  EXPECT_TRUE(gf_isUtf8Sample(saved, false));
  EXPECT_NE(saved.find("t=\"Caf\xC3\xA9 KLM\""), std::string::npos) << saved;
}

// Control characters in a title or registration would make the saved file no XML at all
// for any reader but our own: they are dropped when the section is read.
TEST_F(LiveriesScan, ControlCharactersAreNotSaved) {
  const fs::path base = root_ / "controls";
  test::aircraftFolder(base / "a", "aircraft.cfg",
                       "atc_model=B738\n" +
                           section(0, "title=Ctl\x01\x02\x1B KLM\tx\natc_parking_codes=KLM\natc_id=PH-\x1F" "BXA\n") +
                           files(),
                       {"KLM"});
  g_settings.lfolder[2].setValue("");
  g_settings.lfolder[0].setValue(base.string());
  gf_scanLiveries();
  const std::string saved = test::readFile(g_liveriesScannedPath);
  EXPECT_EQ(test::firstNonXmlChar(saved), "") << saved;
  const auto back = lf_readScannedLiveriesFrom(g_liveriesScannedPath);
  ASSERT_EQ(back.size(), 1U);
  EXPECT_EQ(back.front().title, "Ctl KLM\tx");
  EXPECT_EQ(back.front().regcode, "PH-BXA");
  // The rule of the check itself: Charset.XmlText.
}

// Nor can LiveriesScanned.xml hold bytes that are no UTF-8 or the characters U+FFFE and
// U+FFFF, whatever the charset of the file: a stray byte in a file marked as UTF-8 becomes
// U+FFFD, the two characters are dropped, every well-formed character stays.
TEST_F(LiveriesScan, TextXmlCannotHoldIsNotSaved) {
  const fs::path base = root_ / "nontext";
  const std::string nonCharacters = "\xEF\xBF\xBE\xEF\xBF\xBF";
  std::string le16 = utf16("atc_model=B738\n" + section(0, "title=Sixteen~ KLM\natc_parking_codes=KLM\n") + files(), false);
  le16.replace(le16.find("~"), 2, "\xFE\xFF");  // U+FFFE
  const std::map<std::string, std::string> cfgs = {
      {"bom", "\xEF\xBB\xBF" "atc_model=B738\n" +
                  section(0, "title=Caf\xE9 \xC3\xA9 \xE2\x82 KLM\natc_parking_codes=KLM\natc_id=PH-\xFF" "BXA\n") +
                  files()},
      {"bomnon", "\xEF\xBB\xBF" "atc_model=B738\n" +
                     section(0, "title=Non" + nonCharacters + " KLM\natc_parking_codes=KLM\natc_id=PH-" +
                                    nonCharacters + "BXB\n") +
                     files()},
      {"plainnon", "atc_model=B738\n" + section(0, "title=Plain" + nonCharacters + " KLM\natc_parking_codes=KLM\n") +
                       files()},
      {"le16", le16},
  };
  for (const auto& [folder, cfg] : cfgs) test::aircraftFolder(base / folder, "aircraft.cfg", cfg, {"KLM"});
  g_settings.lfolder[2].setValue("");
  g_settings.lfolder[0].setValue(base.string());
  gf_scanLiveries();
  const std::string saved = test::readFile(g_liveriesScannedPath);
  EXPECT_EQ(test::firstNonXmlChar(saved), "") << saved;
  std::map<std::string, std::string> read;
  for (const auto& livery : lf_readScannedLiveriesFrom(g_liveriesScannedPath)) read[livery.title] = livery.regcode;
  const std::map<std::string, std::string> expected = {
      {"Caf\xEF\xBF\xBD \xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD KLM", "PH-\xEF\xBF\xBD" "BXA"},
      {"Non KLM", "PH-BXB"},
      {"Plain KLM", ""},
      {"Sixteen KLM", ""},
  };
  EXPECT_EQ(read, expected);
}

// Links: a linked folder is not walked into, a linked aircraft.cfg is read, and the
// files a section names may be links (to a folder, to a file).
TEST_F(LiveriesScan, LinksInTheTree) {
  const fs::path base = root_ / "links";
  const fs::path real = root_ / "elsewhere" / "A";
  test::aircraftFolder(real, "aircraft.cfg", klmSection("Linked folder"), {"KLM"});
  fs::create_directories(base / "B");
  fs::create_directory_symlink(real, base / "B" / "via link");
  const fs::path c = base / "C";
  fs::create_directories(c);
  test::writeFile(root_ / "elsewhere" / "c.cfg",
                  "atc_model=B738\n" + section(0, "title=Linked file\natc_parking_codes=KLM\ntexture=KLM\nsim=B738\n"));
  fs::create_symlink(root_ / "elsewhere" / "c.cfg", c / "aircraft.cfg");
  fs::create_directory_symlink(real / "model", c / "model");
  fs::create_directory_symlink(real / "texture.KLM", c / "texture.KLM");
  fs::create_symlink(real / "B738.air", c / "B738.air");
  g_settings.lfolder[2].setValue("");
  g_settings.lfolder[0].setValue(base.string());
  gf_scanLiveries();
  EXPECT_EQ(savedTitles(), std::vector<std::string>{"Linked file"});
}

// The previous result stays until a new one replaces it: an interrupted scan keeps it; a
// scan that finds no livery at all removes it.
TEST_F(LiveriesScan, PreviousResultStaysUntilReplaced) {
  gf_scanLiveries();
  const std::string previous = test::readFile(g_liveriesScannedPath);
  g_closing = true;
  gf_scanLiveries();
  g_closing = false;
  EXPECT_EQ(test::readFile(g_liveriesScannedPath), previous);
  for (auto& f : g_settings.lfolder) f.setValue("");
  g_settings.lfolder[0].setValue((root_ / "lf1" / "Empty").string());
  EXPECT_THROW(gf_scanLiveries(), UserErrorException);
  EXPECT_FALSE(fs::exists(g_liveriesScannedPath));
}

// LiveriesScanned.xml cannot be saved: the livery index is built from the scan's own
// records, as it would be from the file.
TEST_F(LiveriesScan, UnsavedResultStillBuildsTheIndex) {
  gf_scanLiveries();
  const auto fromFile = lf_readScannedLiveriesFrom(g_liveriesScannedPath);
  fs::remove(g_liveriesScannedPath);
  fs::create_directories(g_liveriesScannedPath / "blocker");
  test::LogCapture log;
  g_settings.SCAN_LIVERIES.value = true;
  gf_scanLiveries();
  EXPECT_TRUE(g_liveryScan.unsavedResult);
  EXPECT_FALSE(log.contains(" liveries in " + g_liveriesScannedPath.string())) << log.text();
  lf_readScannedLiveries();
  EXPECT_FALSE(g_liveryScan.unsavedResult);
  EXPECT_TRUE(log.contains("   10 liveries taken from the scan itself, as " + g_liveriesScannedPath.string() +
                           " could not be saved"))
      << log.text();
  const auto& inMemory = g_liveryScan.scannedLiveries;
  ASSERT_EQ(inMemory.size(), fromFile.size());
  for (auto a = inMemory.begin(), b = fromFile.begin(); a != inMemory.end(); ++a, ++b) {
    EXPECT_EQ(a->title, b->title);
    EXPECT_EQ(a->regcode, b->regcode);
    EXPECT_EQ(a->codes, b->codes) << a->title;
    EXPECT_EQ(a->folderIndex, 0);
  }
  g_liveryScan.scannedLiveries.clear();
}

TEST(LiveriesWalk, FileNamesAndIvaoFolders) {
  EXPECT_TRUE(lf_isAircraftCfgName("a/AIRCRAFT.CFG"));
  EXPECT_TRUE(lf_isAircraftCfgName("a/Sim.Cfg"));
  EXPECT_FALSE(lf_isAircraftCfgName("a/aircraft.cfg.bak"));
  EXPECT_FALSE(lf_isAircraftCfgName("a/aircraft1.cfg"));
  EXPECT_TRUE(lf_isIvaoPath("x/IVAO_MTL/IVAO_A320/aircraft.cfg"));
  EXPECT_TRUE(lf_isIvaoPath("x/ivao_x-csl/a/aircraft.cfg"));
  EXPECT_FALSE(lf_isIvaoPath("x/ivao_mtl/IVAO_A320/aircraft.cfg"));
  EXPECT_FALSE(lf_isIvaoPath("x/my_IVAO_MTL_copy/aircraft.cfg"));
}

TEST(LiveriesOrder, PrioritizeAndDuplicates) {
  test::emptyCodePools();
  const AcCodes a{gf_airlineCode2Id("KLM"), 0, gf_modelCode2Id("B738"), 0, 0};
  const AcCodes b{gf_airlineCode2Id("KLM"), 0, gf_modelCode2Id("A320"), 0, 0};
  std::list<LiveryData> list{{"t3", "", a, 3}, {"t1", "R", a, 1}, {"t2", "", b, 2}, {"t4", "", a, 1}};
  lf_prioritizeLiveries(list);
  EXPECT_EQ(list.size(), 3U);
  auto& scanned = g_liveryScan.scannedLiveries;
  scanned = {{"x", "R", a, 1}, {"x", "R", a, 2}, {"x", "S", a, 1}, {"x", "R", a, 1}};
  EXPECT_EQ(lf_removeDuplicateLiveries(), 1U);
  EXPECT_EQ(scanned.size(), 3U);
  scanned.clear();
  test::resetReferenceData();
}

}  // namespace
}  // namespace vexo
