#include "foundation/settings.h"

#include <gtest/gtest.h>

#include <set>

using namespace vexo;

TEST(SettingsTable, RegistriesSpotCheckAndUnsavedSettingsStayOutside) {
  SettingsState s;
  ASSERT_EQ(s.checkboxSettings.size(), 19U);
  EXPECT_EQ(s.checkboxSettings.front()->key, "ALWAYS_ON_TOP");
  EXPECT_EQ(s.checkboxSettings.back()->key, "PARK_SOFT");
  ASSERT_EQ(s.stringSettings.size(), 29U);
  EXPECT_EQ(s.stringSettings[22]->key, "afolder9");
  EXPECT_EQ(s.stringSettings.back()->key, "DESTINATION");
  // Settings that are derived or shown only must never reach a registry (and so the file).
  std::set<std::string> all;
  for (const auto* n : s.numericSettings) all.insert(n->key);
  for (const auto* c : s.comboSettings) all.insert(c->key);
  for (const auto* t : s.stringSettings) all.insert(t->key);
  for (const char* outside : {"parking_percentage", "MAX_FIT_FL", "ALL_INSTALL_PATH", "CALLSIGN_2_OBJECTID"}) {
    EXPECT_EQ(all.count(outside), 0U) << outside;
  }
  EXPECT_EQ(s.MAX_HOLDING_MINUTES.clamp(0), 1);
  EXPECT_EQ(s.CUSTOM_PARKING_PERCENTAGE.clamp(500), 100);
}

TEST(SettingControls, CombosSelectOnlyAChoice) {
  SettingsState s;
  platform::HeadlessControls controls(false);
  platform::ScopedControls scope(controls);
  s.RANGE.fillComboBox();  // no control yet: nothing happens
  EXPECT_FALSE(controls.state(cmd::range).has_value());

  controls.create(cmd::range);
  s.RANGE.fillComboBox();
  ASSERT_EQ(controls.state(cmd::range)->items.size(), 20U);
  EXPECT_EQ(controls.selectedIndex(cmd::range), 15);  // 40
  s.RANGE.value = 7;  // within bounds, no choice
  s.RANGE.fillComboBox();
  EXPECT_EQ(controls.selectedIndex(cmd::range), -1);
  s.RANGE.updateControl();
  EXPECT_EQ(controls.text(cmd::range), "7");

}
