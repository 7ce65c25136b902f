#include "foundation/settings_startup.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

// One start in a fresh folder holding the data files and a downloaded new version.
struct StartUp {
  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  fs::path path = dir / "parameters.xml";
  SettingsState s;
  ParametersStore store{s, path};
  platform::HeadlessControls controls;
  platform::ScopedControls scope{controls};
  const fs::path* dataFiles[3] = {&g_airportsEncPath, &g_aigRegcodesEncPath, &g_dbaseEncPath};

  StartUp() {
    fs::create_directories("input");
    for (const fs::path* p : dataFiles) test::writeFile(*p, "x");
    fs::create_directories(g_newVersionFolder / "sub");
  }
  int dataFilesLeft() const {
    int n = 0;
    for (const fs::path* p : dataFiles) n += fs::exists(*p);
    return n;
  }
  std::string stored(const std::string& key) const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    return gf_readStringParameter(doc, key).value_or("<missing>");
  }
};

}  // namespace

TEST(Migration, EachStoredVersion) {
  struct Case {
    const char* version;  // nullptr: first run without a file; "": no PROGRAM_VERSION element
    bool update;          // "version update" logged
    int dataFilesLeft;
    bool newVersionLeft;
    int range;  // the user's 80 kept, or the default 40 after a reset
  };
  const Case cases[] = {
      {nullptr, false, 3, true, 40}, {"12.3.0", false, 3, true, 80}, {"12.4.0", false, 3, true, 80},
      {"12.0.0", true, 3, false, 80}, {"11.5.0", true, 0, false, 80}, {"11.0.2", true, 0, false, 80},
      {"11.0.1", true, 0, true, 40},
      {"twelve", true, 0, true, 40},  {"", false, 3, true, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version ? c.version : "no file");
    StartUp run;
    if (c.version) {
      const std::string version =
          *c.version ? "<parameter name=\"PROGRAM_VERSION\" value=\"" + std::string(c.version) + "\"/>" : "";
      test::writeFile(run.path, "<root><parameters>" + version +
                                    "<parameter name=\"RANGE\" value=\"80\"/><parameter name=\"SCAN_LIVERIES\" "
                                    "value=\"false\"/></parameters></root>");
    }
    test::LogCapture log;
    gf_initParameters(run.store);
    EXPECT_EQ(log.contains("This is a version update from"), c.update);
    EXPECT_EQ(run.dataFilesLeft(), c.dataFilesLeft);
    EXPECT_EQ(fs::exists(g_newVersionFolder), c.newVersionLeft);
    EXPECT_EQ(run.s.RANGE.value, c.range);
    EXPECT_EQ(run.stored("RANGE"), std::to_string(c.range));  // memory and file agree
    // The traffic radius follows the loaded RANGE from the start, not only once it changes.
    EXPECT_EQ(run.s.rangeNm.load(), c.range);
    EXPECT_EQ(run.s.rangeMeters.load(), static_cast<std::uint32_t>(c.range) * 1852U);
    if (c.version) {
      EXPECT_EQ(run.s.PROGRAM_VERSION.value(), "12.3.0");
    }
    EXPECT_EQ(run.stored("PROGRAM_VERSION"), "12.3.0");
    // Both scans are switched on by a first run and by a reset, else the user's choice stays.
    EXPECT_EQ(run.s.SCAN_LIVERIES.value, c.range == 40);
  }
}

TEST(Migration, FirstRunShowsTheScanSwitchesAndResetKeepsTheOldFile) {
  {
    StartUp run;
    gf_initParameters(run.store);
    EXPECT_TRUE(run.s.SCAN_AIRPORTS.value);
    EXPECT_TRUE(run.controls.isChecked(cmd::scanLiveries));
    EXPECT_EQ(run.stored("SCAN_LIVERIES"), "true");
  }
  StartUp run;
  test::writeFile(run.path, R"(<root><parameters><parameter name="PROGRAM_VERSION" value="11.0.1"/>)"
                            R"(<parameter name="RANGE" value="80"/></parameters></root>)");
  test::LogCapture log;
  gf_initParameters(run.store);
  EXPECT_TRUE(log.contains("This is a version update from 11.0.1 -> 12.3.0"));
  EXPECT_TRUE(log.contains("Your previous version was too old"));
  EXPECT_TRUE(log.contains("Vendrake_P3D re-starts with default parameter values ..."));
  EXPECT_NE(test::readFile(run.dir / "parameters0.xml").find("name=\"RANGE\" value=\"80\""), std::string::npos);
}

TEST(MaxFit, StepsOfTheShownValue) {
  const std::pair<int, float> steps[] = {{47, 24.0F}, {44, 24.0F}, {43, 21.0F}, {20, 11.0F}, {10, 6.0F},
                                         {9, 5.0F},   {1, 1.0F},   {0, 0.5F},   {-3, 0.5F}};
  for (const auto& [fit, fl] : steps) EXPECT_EQ(gf_maxFit2Fl(fit), fl) << fit;

  SettingsState s;
  platform::HeadlessControls controls;
  platform::ScopedControls scope(controls);
  s.MAX_FIT_FL.fillComboBox();
  s.MAX_FIT.value = 8;
  gf_setMaxFitFl(s);
  EXPECT_EQ(s.MAX_FIT_FL.value, 4.5F);
  EXPECT_EQ(controls.selectedIndex(cmd::maxFitFl), 8);
  s.MAX_FIT.value = 20;  // 11.0 is no choice: the selection stays
  gf_setMaxFitFl(s);
  EXPECT_EQ(s.MAX_FIT_FL.value, 11.0F);
  EXPECT_EQ(controls.selectedIndex(cmd::maxFitFl), 8);
}

TEST(Range, DerivedValuesFollowTheClampedRange) {
  SettingsState s;
  platform::HeadlessControls controls;
  platform::ScopedControls scope(controls);
  s.RANGE.fillComboBox();
  EXPECT_EQ(gf_setRange(s, 7), 7U * 1852U);  // no choice: selection unchanged
  EXPECT_EQ(controls.selectedIndex(cmd::range), 15);
  EXPECT_EQ(gf_setRange(s, 3'000'000), 185200U);  // an airport file's wild value
  EXPECT_EQ(s.RANGE.value, 100);
  EXPECT_EQ(s.rangeNm.load(), 100.0);
  EXPECT_EQ(s.rangeMeters.load(), 185200U);
  EXPECT_EQ(controls.selectedIndex(cmd::range), 19);
  EXPECT_EQ(gf_setRange(s, -5), 2U * 1852U);
  EXPECT_EQ(s.rangeNm.load(), 2.0);
}
