// A small installed livery set, its dbase and regcode lists, built into the livery index
// inside a working folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <list>
#include <string>

#include "../refdata/data_files.h"
#include "foundation/paths.h"
#include "foundation/random.h"
#include "foundation/settings.h"
#include "liveries/liveries_scan.h"
#include "liveries/livery_index.h"
#include "liveries/scanned_liveries_xml.h"
#include "livery_fixture.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

namespace vexo::test {

inline LiveryData livery(const std::string& airline, const std::string& op, const std::string& model,
                         const std::string& title, const std::string& regcode = "", std::uint8_t cargo = 0) {
  return LiveryData{title, regcode,
                    AcCodes{gf_airlineCode2Id(airline), op.empty() ? std::uint16_t{0} : gf_airlineCode2Id(op),
                            gf_modelCode2Id(model), cargo, 0}};
}

inline void fillMatchingDbase() {
  emptyCodePools();
  auto& d = g_dbase;
  d.modelCodes = {"A320", "B738", "B739", "B77W", "C172", "C177", "C182", "EC35", "R44"};
  d.airlineCodes = {"DAL", "EDV", "UAL", "FDX", "KLM", "PVT", "ZZZ", "XXX"};
  for (const char* m : {"A320", "B738", "B739"}) d.largeIds.insert(gf_modelCode2Id(m));
  d.heavyIds.insert(gf_modelCode2Id("B77W"));
  for (const char* m : {"EC35", "R44"}) d.rotorcraftIds.insert(gf_modelCode2Id(m));
  d.similarGroups = {{"B738", "B739"}, {"C172", "C177", "C182"}};
  d.prefixMap["D-"] = {"OE-"};
}

// The installed liveries (written in any order: the reader sorts them).
inline std::list<LiveryData> sampleLiveries() {
  return {
      livery("DAL", "", "A320", "Delta A320 N301DV", "N301DV"),
      livery("DAL", "EDV", "B738", "DAL EDV B738 declared"),
      livery("EDV", "", "B738", "EDV B738 plain"),
      livery("EDV", "", "B738", "EDV B738 Delta colours"),
      livery("DAL", "", "B738", "DAL B738 mainline"),
      livery("DAL", "", "B738", "DAL B738 Endeavor partner"),
      livery("UAL", "", "B738", "UAL B738 pax a"),
      livery("UAL", "", "B738", "UAL B738 pax b"),
      livery("UAL", "", "B738", "UAL B738 freighter", "", 1),
      livery("FDX", "", "B77W", "FDX B77W cargo", "", 1),
      livery("PVT", "", "C172", "PVT C172 D-EXYZ", "D-EXYZ"),
      livery("PVT", "", "C172", "PVT C172 OE-KAB", "OE-KAB"),
      livery("PVT", "", "C172", "PVT C172 plain"),
      livery("ZZZ", "", "B738", "ZZZ B738 generic"),
      livery("KLM", "", "C182", "KLM C182"),
      livery("UAL", "", "EC35", "UAL EC35 heli"),
  };
}

// The AIG list: a special entry with one registration, one with two, an entry overriding
// an in-line registration and one whose title is not installed.
inline const char* g_sampleAigXml = R"(<?xml version="1.0"?>
<root><meta><info name="author" value="t"/><info name="copyright" value="t"/><info name="sim" value="5"/></meta><aig>
  <l t="UAL B738 pax a" r="N1UA" s="true"/>
  <l t="DAL B738 mainline" r="N2DL,N3DL" s="true"/>
  <l t="EDV B738 plain" r="N301DV"/>
  <l t="Not installed" r="N9XX"/>
</aig></root>
)";

class LiveryIndexTest : public ::testing::Test {
protected:
  void SetUp() override {
    fillMatchingDbase();
    g_liveryIndex = LiveryIndex{};
    g_settings.MATCHING_DEPTH.value = 4;
    gf_setRandomEnabled(false);
    ::setenv("VDRK_APPDATA", (dir_ / "appdata").c_str(), 1);  // switched-off settings are saved there
    std::filesystem::create_directories(dir_ / "appdata" / "Vendrake_P3D");
    std::filesystem::create_directories(dir_ / "input");
    std::filesystem::create_directories(dir_ / "output");
  }
  void TearDown() override {
    g_liveryIndex = LiveryIndex{};
    gf_setRandomEnabled(true);
    ::unsetenv("VDRK_APPDATA");
    g_settings.MATCHING_DEPTH.value = 4;
    resetReferenceData();
  }
  // Writes the liveries and the lists, then builds the index.
  void build(const std::list<LiveryData>& liveries, const char* aigXml = g_sampleAigXml,
             const std::string& myRegcodes = "") {
    if (aigXml != nullptr) writeDataFile(g_aigRegcodesEncPath, aigXml);
    if (!myRegcodes.empty()) {
      std::filesystem::create_directories(g_myRegcodesFolder);
      writeFile(g_myRegcodesFolder / "mine.txt", myRegcodes);
    }
    ASSERT_TRUE(lf_writeScannedLiveries(liveries, g_liveriesScannedPath));
    gf_processScannedLiveries();
  }
  TempDir dir_;
  ScopedCwd cwd_{dir_.path()};
};

}  // namespace vexo::test
