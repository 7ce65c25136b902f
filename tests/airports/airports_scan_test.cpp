// The add-on airports scan over a scenery tree: link files, generated airport files, the
// scan log and the off-line learning package.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "airports/airports_scan.h"
#include "airports/tblo_package.h"
#include "bgl_fixture.h"
#include "foundation/error.h"
#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "foundation/scan_tasks.h"
#include "foundation/settings.h"
#include "refdata/airports_db.h"
#include "refdata/dbase_tables.h"
#include "test_support.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;

class AirportsScan : public ::testing::Test {
protected:
  void SetUp() override {
    fs::permissions(dir_.path(), fs::perms::all);
    fs::create_directories(dir_ / "appdata");
    fs::permissions(dir_ / "appdata", fs::perms::all);
    ::setenv("VDRK_APPDATA", (dir_ / "appdata").c_str(), 1);
    gf_resetUserPaths();
    for (const char* code : {"KTST", "EHAM", "EDDF", "K2A9"}) {
      AirportData a;
      a.icao = IcaoCode(code);
      g_airportsDb.airports.push_back(a);
      g_airportsDb.icaoSet.insert(a.icao);
    }
    g_dbase.simaddonAirports = {"EHAM"};
    g_dbase.thirdPartyAirports = {{"Big  Pub", {"EGLL12", "EDDF44"}}};
    g_dbase.publisherGroups = {{"Big  Pub", "BigPub"}};
    g_maxScanTasks = 3;
    g_runningScanTasks = 0;
    g_settings.SCAN_AIRPORTS.value = true;
  }
  void TearDown() override {
    for (auto& folder : g_settings.afolder) folder.setValue("");
    g_airportsDb = AirportsDb{};
    g_dbase = DbaseTables{};
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }

  fs::path scenery(const fs::path& relative, const test::Bytes& content) {
    const fs::path path = dir_ / "scenery" / relative;
    fs::create_directories(path.parent_path());
    test::writeBytes(path, content.data);
    return path;
  }
  static test::Bytes airport(const char* icao) {
    return airportFile({airportRecord(icao, 0, false, {parkingList({Spot{}, Spot{.number = 2}}, false)})});
  }
  std::string scanLog() const { return test::readFile(dir_ / g_airportsScanLogPath); }

  test::TempDir dir_;
  test::ScopedCwd cwd_{dir_.path()};
  test::LogCapture log_;
};

TEST_F(AirportsScan, LinksGeneratesLogsAndPacks) {
  const fs::path real = test::testdataDir() / "bgl" / "KTST_TestAirport_v5.BGL";
  scenery("Orbx_EHAM/scenery/eham.bgl", airport("EHAM"));
  scenery("Big  Pub EDDF/scenery/eddf.BGL", airport("EDDF"));
  for (int i = 0; i < 6; ++i) {  // one airport in several files: written one after the other
    fs::create_directories(dir_ / "scenery" / "ktst" / std::to_string(i));
    fs::copy_file(real, dir_ / "scenery" / "ktst" / std::to_string(i) / "KTST_TestAirport_v5.BGL");
  }
  scenery("ktst/_heliports/k2a9.bgl", airport("K2A9"));
  scenery("ktst/objects.bgl", test::bglFile({test::Section{.type = 0x25, .records = test::otherRecord(0x99, 30)}}));
  g_settings.afolder[2].setValue((dir_ / "scenery").string());
  g_settings.afolder[5].setValue((dir_ / "missing").string());

  gf_scanAirports(dir_ / "sim" / "Scenery");

  EXPECT_EQ(test::readFile(dir_ / "airports/my_ORBX/EHAM.txt"), "archive/simaddon/EHAM.xml\n");
  EXPECT_EQ(test::readFile(dir_ / "airports/my_thirdparty/EDDF.txt"), "archive/thirdparty/Big%20%20Pub/EDDF.xml\n");
  std::vector<std::string> thirdparty;
  for (const auto& e : fs::directory_iterator(dir_ / "airports/my_thirdparty")) thirdparty.push_back(e.path().filename().string());
  std::ranges::sort(thirdparty);
  EXPECT_EQ(thirdparty, (std::vector<std::string>{"EDDF.txt", "KTST.xml"}));  // no generation, no part file
  const std::string ktst = test::readFile(dir_ / "airports/my_thirdparty/KTST.xml");
  EXPECT_NE(ktst.find("id=\"g1\""), std::string::npos);
  EXPECT_NE(ktst.find("id=\"helipad1\""), std::string::npos);
  EXPECT_NE(ktst.find("Testfield Regional"), std::string::npos);

  const std::string log = scanLog();
  EXPECT_NE(log.find("\n\n\n+++++++++++++++++ Scanning for addon  airports in:\n"), std::string::npos);
  EXPECT_NE(log.find("from filename => publisher simaddon\n"), std::string::npos);
  EXPECT_NE(log.find("simaddon airport EHAM linked to archive/simaddon/EHAM.xml\n\n"), std::string::npos);
  EXPECT_NE(log.find("thirdparty airport EDDF linked to archive/thirdparty/Big%20%20Pub/EDDF.xml\n\n"), std::string::npos);
  EXPECT_NE(log.find("Generated KTST.xml: 3 positions, of which 1 helipad\n\n"), std::string::npos);
  EXPECT_EQ(log.find("K2A9"), std::string::npos);
  EXPECT_TRUE(log_.contains("missing does not exist, skipped!"));
  EXPECT_FALSE(g_settings.SCAN_AIRPORTS.value);

  // The package: KTST.xml went into tblo.zip, the copy is gone again, the archive stays.
  EXPECT_EQ(g_airportsScan.tbloPackageCount, 1U);
  EXPECT_FALSE(fs::exists(dir_ / "tblo/KTST.xml"));
  int error = 0;
  zip_t* zip = zip_open((dir_ / "tblo/tblo.zip").c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(zip, nullptr);
  ASSERT_EQ(zip_get_num_entries(zip, 0), 1);
  EXPECT_STREQ(zip_get_name(zip, 0, 0), "KTST.xml");
  zip_stat_t stat;
  ASSERT_EQ(zip_stat_index(zip, 0, 0, &stat), 0);
  EXPECT_EQ(stat.size, ktst.size());
  zip_close(zip);
  EXPECT_TRUE(log_.contains("! Mail "));
}

TEST_F(AirportsScan, FolderSettingsThatStopTheScan) {
  try {
    gf_scanAirports(dir_ / "sim" / "Scenery");
    FAIL() << "no afolder set";
  } catch (const UserErrorException& e) {
    EXPECT_EQ(std::string(e.what()).substr(0, 9), "49: Exit ");
  }
  g_settings.afolder[3].setValue((dir_ / "sim" / "Scenery" / "Global").string());
  try {
    gf_scanAirports(dir_ / "sim" / "Scenery");
    FAIL() << "afolder3 in the stock scenery";
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "42: parameter afolder3 points to stock airports instead of add-on airports!");
  }
  EXPECT_TRUE(g_settings.SCAN_AIRPORTS.value);
}

// A folder that cannot be read is passed over with a scan-log line; the rest of the walk
// goes on.
TEST_F(AirportsScan, UnreadableFolderSkipsOnlyItsSubtree) {
  scenery("a_locked/eham.bgl", airport("EHAM"));
  scenery("b_open/ktst.bgl", airport("KTST"));
  fs::permissions(dir_ / "scenery", fs::perms::all);
  fs::permissions(dir_ / "scenery" / "b_open", fs::perms::all);
  fs::permissions(dir_ / "scenery" / "a_locked", fs::perms::none);
  g_settings.afolder[0].setValue((dir_ / "scenery").string());
  const bool root = ::geteuid() == 0;
  if (root && ::seteuid(65534) != 0) GTEST_SKIP() << "cannot leave root to make a folder unreadable";
  EXPECT_NO_THROW(gf_scanAirports(dir_ / "sim" / "Scenery"));
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  fs::permissions(dir_ / "scenery" / "a_locked", fs::perms::all);
  EXPECT_NE(scanLog().find("===> folder " + (dir_ / "scenery" / "a_locked").string() + " skipped: Permission denied"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(dir_ / "airports/my_thirdparty/KTST.xml"));
  EXPECT_FALSE(fs::exists(dir_ / "airports/my_ORBX/EHAM.txt"));
}

// A task that outlived its wait still reports: the log is written when it has ended.
TEST_F(AirportsScan, LogWaitsForTasksStillRunning) {
  scenery("ktst.bgl", airport("KTST"));
  g_settings.afolder[0].setValue((dir_ / "scenery").string());
  ++g_runningScanTasks;
  std::thread late([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    lf_appendScanLog("late line");
    --g_runningScanTasks;
  });
  EXPECT_NO_THROW(gf_scanAirports(dir_ / "sim" / "Scenery"));
  late.join();
  EXPECT_NE(scanLog().find("late line\n"), std::string::npos);
}

TEST_F(AirportsScan, AGeneratedAirportFileListsItsStandsById) {
  scenery("ktst/scenery/ktst.bgl",
          airportFile({airportRecord("KTST", 0, false,
                                     {parkingList({Spot{.number = 7}, Spot{.number = 3, .lat = 52.301},
                                                   Spot{.number = 12, .lat = 52.302}},
                                                  false)})}));
  g_settings.afolder[2].setValue((dir_ / "scenery").string());
  gf_scanAirports(dir_ / "sim" / "Scenery");
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((dir_ / "airports/my_thirdparty/KTST.xml").c_str()));
  std::vector<std::string> ids;
  for (const auto& parkpos : document.child("root").child("parkpositions").children("parkpos"))
    ids.emplace_back(parkpos.attribute("id").value());
  ASSERT_EQ(ids.size(), 3U);
  EXPECT_TRUE(std::ranges::is_sorted(ids)) << ids[0] << " " << ids[1] << " " << ids[2];
}

// A scenery name goes into the airport file as text XML 1.0 holds, whatever its bytes: a
// name that is no UTF-8 is read as ANSI, control characters and U+FFFE, U+FFFF go.
TEST_F(AirportsScan, AGeneratedAirportFileHoldsTheNameAsXmlText) {
  const std::pair<const char*, std::string> cases[] = {
      {"KTST", "Z\xFCrich\x01 Field"},
      {"KTSU", "K\xC3\xB6ln\x1F \xEF\xBF\xBE\xEF\xBF\xBF Field"},
  };
  AirportData extra;
  extra.icao = IcaoCode("KTSU");
  g_airportsDb.airports.push_back(extra);
  g_airportsDb.icaoSet.insert(extra.icao);
  for (const auto& [icao, name] : cases) {
    scenery(fs::path(icao) / "scenery.bgl",
            airportFile({airportRecord(icao, 0, false, {nameRecord(name), parkingList({Spot{}}, false)})}));
  }
  g_settings.afolder[2].setValue((dir_ / "scenery").string());
  gf_scanAirports(dir_ / "sim" / "Scenery");
  const std::pair<const char*, std::string> expected[] = {{"KTST", "Z\xC3\xBCrich Field"}, {"KTSU", "K\xC3\xB6ln  Field"}};
  for (const auto& [icao, name] : expected) {
    SCOPED_TRACE(icao);
    const fs::path file = dir_ / "airports/my_thirdparty" / (std::string(icao) + ".xml");
    const std::string saved = test::readFile(file);
    EXPECT_EQ(test::firstNonXmlChar(saved), "") << saved;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(file.c_str()));
    EXPECT_EQ(gf_readStringParameter(document, "airport_name"), name);
  }
}

}  // namespace
}  // namespace vexo
