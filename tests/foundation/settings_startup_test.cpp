#include "foundation/settings_startup.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

class Migration : public ::testing::Test {
protected:
  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  fs::path path = dir / "parameters.xml";
  SettingsState s;
  ParametersStore store{s, path};
  platform::HeadlessControls controls;
  platform::ScopedControls scope{controls};

  void SetUp() override {
    fs::create_directories("input");
    for (const fs::path* p : {&g_airportsEncPath, &g_aigRegcodesEncPath, &g_dbaseEncPath}) test::writeFile(*p, "x");
    fs::create_directories(g_newVersionFolder / "sub");
    test::writeFile(g_newVersionFolder / "sub" / "setup.exe", "x");
  }

  // A file written by a previous version, with a few settings changed by its user.
  void previousVersion(const std::string& version) {
    test::writeFile(path, "<root><parameters><parameter name=\"PROGRAM_VERSION\" value=\"" + version +
                              "\"/><parameter name=\"RANGE\" value=\"80\"/><parameter name=\"SCAN_LIVERIES\" "
                              "value=\"false\"/></parameters></root>");
  }

  int dataFilesLeft() const {
    int n = 0;
    for (const fs::path* p : {&g_airportsEncPath, &g_aigRegcodesEncPath, &g_dbaseEncPath}) n += fs::exists(*p);
    return n;
  }

  std::string stored(const std::string& key) const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    return gf_readStringParameter(doc, key).value_or("<missing>");
  }
};

}  // namespace

TEST_F(Migration, FirstRunWritesDefaultsAndSwitchesBothScansOn) {
  test::LogCapture log;
  s.SCAN_LIVERIES.value = false;
  gf_initParameters(store);
  EXPECT_TRUE(s.SCAN_LIVERIES.value);
  EXPECT_TRUE(s.SCAN_AIRPORTS.value);
  EXPECT_TRUE(controls.isChecked(cmd::scanLiveries));
  EXPECT_EQ(stored("SCAN_LIVERIES"), "true");
  EXPECT_EQ(stored("PROGRAM_VERSION"), "12.3.0");
  EXPECT_FALSE(log.contains("version update"));
  EXPECT_EQ(dataFilesLeft(), 3);
}

TEST_F(Migration, SameVersionChangesNothing) {
  previousVersion("12.3.0");
  test::LogCapture log;
  gf_initParameters(store);
  EXPECT_FALSE(log.contains("version update"));
  EXPECT_EQ(s.RANGE.value, 80);
  EXPECT_FALSE(s.SCAN_LIVERIES.value);
  EXPECT_EQ(dataFilesLeft(), 3);
  EXPECT_TRUE(fs::exists(g_newVersionFolder));
}

TEST_F(Migration, NewerStoredVersionIsRecordedAsTheRunningOneWithoutRemovingAnything) {
  previousVersion("12.4.0");
  test::LogCapture log;
  gf_initParameters(store);
  EXPECT_EQ(s.PROGRAM_VERSION.value(), "12.3.0");
  EXPECT_EQ(stored("PROGRAM_VERSION"), "12.3.0");
  EXPECT_FALSE(log.contains("version update"));
  EXPECT_EQ(dataFilesLeft(), 3);
  EXPECT_TRUE(fs::exists(g_newVersionFolder));
}

TEST_F(Migration, UpgradeFromBefore12RemovesDataFilesAndNewVersionButKeepsSettings) {
  previousVersion("11.5.0");
  test::LogCapture log;
  gf_initParameters(store);
  EXPECT_TRUE(log.contains("This is a version update from 11.5.0 -> 12.3.0"));
  EXPECT_EQ(dataFilesLeft(), 0);
  EXPECT_FALSE(fs::exists(g_newVersionFolder));
  EXPECT_EQ(s.RANGE.value, 80);
  EXPECT_EQ(stored("RANGE"), "80");
  EXPECT_EQ(stored("PROGRAM_VERSION"), "12.3.0");
}

TEST_F(Migration, UpgradeFromBefore11_0_2ResetsSettingsAndKeepsTheOldFile) {
  previousVersion("11.0.1");
  const std::string old = test::readFile(path);
  test::LogCapture log;
  gf_initParameters(store);
  EXPECT_TRUE(log.contains("This is a version update from 11.0.1 -> 12.3.0"));
  EXPECT_TRUE(log.contains("Your previous version was too old"));
  EXPECT_TRUE(log.contains("Vendrake_P3D re-starts with default parameter values ..."));
  EXPECT_EQ(dataFilesLeft(), 0);
  EXPECT_TRUE(fs::exists(g_newVersionFolder));  // left in place
  EXPECT_EQ(stored("RANGE"), "40");
  EXPECT_EQ(stored("SCAN_LIVERIES"), "true");
  EXPECT_EQ(stored("PROGRAM_VERSION"), "12.3.0");
  EXPECT_EQ(s.RANGE.value, 40);  // memory follows the file
  EXPECT_EQ(s.PROGRAM_VERSION.value(), "12.3.0");
  // The user's old file is kept (with PROGRAM_VERSION already brought to the running one).
  EXPECT_NE(test::readFile(dir / "parameters0.xml").find("name=\"RANGE\" value=\"80\""), std::string::npos);
  EXPECT_NE(old, test::readFile(path));
}

TEST_F(Migration, UpgradeWithin12RemovesOnlyNewVersion) {
  previousVersion("12.0.0");
  test::LogCapture log;
  gf_initParameters(store);
  EXPECT_TRUE(log.contains("This is a version update from 12.0.0 -> 12.3.0"));
  EXPECT_EQ(dataFilesLeft(), 3);
  EXPECT_FALSE(fs::exists(g_newVersionFolder));
  EXPECT_EQ(s.RANGE.value, 80);
}

TEST_F(Migration, UnreadableVersionCountsAsZeroAndEmptyOneIsFilledIn) {
  previousVersion("twelve");
  gf_initParameters(store);
  EXPECT_EQ(dataFilesLeft(), 0);
  EXPECT_EQ(s.RANGE.value, 40);

  SettingsState t;
  ParametersStore other(t, dir / "other.xml");
  test::writeFile(other.path(), "<root><parameters><parameter name=\"RANGE\" value=\"80\"/></parameters></root>");
  SetUp();
  gf_initParameters(other);
  EXPECT_EQ(t.PROGRAM_VERSION.value(), "12.3.0");
  EXPECT_EQ(t.RANGE.value, 80);
  EXPECT_EQ(dataFilesLeft(), 3);
}

TEST(MaxFit, StepsOfTheShownValue) {
  EXPECT_EQ(gf_maxFit2Fl(47), 24.0F);
  EXPECT_EQ(gf_maxFit2Fl(44), 24.0F);
  EXPECT_EQ(gf_maxFit2Fl(43), 21.0F);
  EXPECT_EQ(gf_maxFit2Fl(20), 11.0F);
  EXPECT_EQ(gf_maxFit2Fl(10), 6.0F);
  EXPECT_EQ(gf_maxFit2Fl(9), 5.0F);
  EXPECT_EQ(gf_maxFit2Fl(1), 1.0F);
  EXPECT_EQ(gf_maxFit2Fl(0), 0.5F);
  EXPECT_EQ(gf_maxFit2Fl(-3), 0.5F);

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
  controls.selectIndex(cmd::range, 0);

  EXPECT_EQ(gf_setRange(s, 40), 74080U);
  EXPECT_EQ(controls.selectedIndex(cmd::range), 15);
  EXPECT_EQ(gf_setRange(s, 7), 7U * 1852U);  // no choice: selection unchanged
  EXPECT_EQ(s.RANGE.value, 7);
  EXPECT_EQ(controls.selectedIndex(cmd::range), 15);
  EXPECT_EQ(s.rangeNm.load(), 7.0);

  EXPECT_EQ(gf_setRange(s, 3'000'000), 185200U);  // an airport file's wild value
  EXPECT_EQ(s.RANGE.value, 100);
  EXPECT_EQ(s.rangeNm.load(), 100.0);
  EXPECT_EQ(s.rangeMeters.load(), 185200U);
  EXPECT_EQ(controls.selectedIndex(cmd::range), 19);

  EXPECT_EQ(gf_setRange(s, -5), 2U * 1852U);
  EXPECT_EQ(s.rangeNm.load(), 2.0);
}
