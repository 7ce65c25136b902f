#include "foundation/settings.h"

#include <gtest/gtest.h>

#include <set>

using namespace vexo;

namespace {

template <class T>
std::vector<std::string> keysOf(const std::vector<T*>& registry) {
  std::vector<std::string> keys;
  for (const T* s : registry) keys.push_back(s->key);
  return keys;
}

}  // namespace

TEST(SettingsTable, RegistriesHoldTheirSettingsInOrder) {
  SettingsState s;
  EXPECT_EQ(keysOf(s.boolSettings), std::vector<std::string>{"RANDOM"});
  ASSERT_EQ(s.checkboxSettings.size(), 19U);
  EXPECT_EQ(s.checkboxSettings.front()->key, "ALWAYS_ON_TOP");
  EXPECT_EQ(s.checkboxSettings.back()->key, "PARK_SOFT");
  EXPECT_EQ(keysOf(s.numericSettings),
            (std::vector<std::string>{"MAIN_WINDOW_X", "MAIN_WINDOW_Y", "LAST_EPOCH_TIME:", "CUSTOM_PARKING_PERCENTAGE",
                                      "HOLDING_THRESHOLD_METERS", "MAX_HOLDING_MINUTES", "AIRP_HEIGHT", "MAX_FIT",
                                      "P3D_VERSION"}));
  EXPECT_EQ(keysOf(s.comboSettings), (std::vector<std::string>{"MATCHING_DEPTH", "RANGE", "AR_ABOVE_HEIGHT",
                                                               "MAX_PARK_SEL", "MAX_LIVE_SEL", "AIRP_RANGE",
                                                               "AIRP_HEIGHT"}));
  const auto strings = keysOf(s.stringSettings);
  ASSERT_EQ(strings.size(), 29U);
  EXPECT_EQ(strings[3], "lfolder0");
  EXPECT_EQ(strings[22], "afolder9");
  EXPECT_EQ(strings.back(), "DESTINATION");
  EXPECT_EQ(keysOf(s.editSettings), std::vector<std::string>{"BLOCK_CALLSIGN"});

  // The settings outside every registry.
  std::set<std::string> all;
  for (const auto& k : keysOf(s.numericSettings)) all.insert(k);
  for (const auto& k : keysOf(s.comboSettings)) all.insert(k);
  for (const auto& k : strings) all.insert(k);
  for (const char* outside : {"parking_percentage", "MAX_FIT_FL", "ALL_INSTALL_PATH", "CALLSIGN_2_OBJECTID"}) {
    EXPECT_EQ(all.count(outside), 0U) << outside;
  }
}

TEST(SettingsTable, DefaultsBoundsAndChoices) {
  SettingsState s;
  EXPECT_FALSE(s.ALWAYS_ON_TOP.value);
  EXPECT_TRUE(s.NAV_LIGHTS_WHILE_PARKED.value);
  EXPECT_EQ(s.COLLISION_USER_GND.commandId, 32834);
  EXPECT_EQ(s.COLLISION_USER_GND.y, 287U);
  EXPECT_EQ(s.RANGE.value, 40);
  EXPECT_EQ(s.RANGE.lo, 2);
  EXPECT_EQ(s.RANGE.hi, 100);
  EXPECT_EQ(s.RANGE.choices.size(), 20U);
  EXPECT_EQ(s.AR_ABOVE_HEIGHT.choices.size(), 11U);
  EXPECT_EQ(s.AR_ABOVE_HEIGHT.lo, 18000);
  EXPECT_EQ(s.AIRP_HEIGHT.choices.size(), 11U);
  EXPECT_EQ(s.AIRP_HEIGHT.hi, 48000);
  EXPECT_EQ(s.parking_percentage.choices.size(), 21U);
  EXPECT_EQ(s.parking_percentage.value, 30);
  EXPECT_EQ(s.MAX_PARK_SEL.choices, s.MAX_LIVE_SEL.choices);
  EXPECT_EQ(s.MAX_FIT_FL.value, 24.0F);
  EXPECT_EQ(s.MAX_FIT_FL.lo, 0.5F);
  EXPECT_EQ(s.MAX_FIT_FL.hi, 24.0F);
  EXPECT_EQ(s.CUSTOM_PARKING_PERCENTAGE.value, -1);
  EXPECT_EQ(s.LAST_EPOCH_TIME.key, "LAST_EPOCH_TIME:");
  EXPECT_EQ(s.PORT_NUMBER.value(), "10747");
  EXPECT_EQ(s.rangeNm.load(), 40.0);
  EXPECT_EQ(s.rangeMeters.load(), 74080U);
  EXPECT_EQ(s.flushStaticButton.key, "Flush static");
  EXPECT_EQ(s.MAX_HOLDING_MINUTES.clamp(0), 1);
  EXPECT_EQ(s.CUSTOM_PARKING_PERCENTAGE.clamp(500), 100);
}

TEST(SettingControls, ComboFillsItsListAndSelectsOnlyAChoice) {
  SettingsState s;
  platform::HeadlessControls controls(false);
  platform::ScopedControls scope(controls);

  s.RANGE.fillComboBox();  // no control yet: nothing happens
  EXPECT_FALSE(controls.state(cmd::range).has_value());

  controls.create(cmd::range);
  s.RANGE.fillComboBox();
  auto st = controls.state(cmd::range);
  ASSERT_EQ(st->items.size(), 20U);
  EXPECT_EQ(st->items[0], "2");
  EXPECT_EQ(st->selected, 15);  // 40

  s.RANGE.value = 7;  // within bounds, no choice
  s.RANGE.fillComboBox();
  EXPECT_EQ(controls.selectedIndex(cmd::range), -1);
  s.RANGE.updateControl();
  EXPECT_EQ(controls.text(cmd::range), "7");

  controls.create(cmd::maxFitFl);
  s.MAX_FIT_FL.fillComboBox();
  EXPECT_EQ(controls.state(cmd::maxFitFl)->items.front(), "0.5");
  EXPECT_EQ(controls.selectedIndex(cmd::maxFitFl), 19);
}

TEST(SettingControls, CallsignComboAndEditFieldsAndCheckBoxes) {
  SettingsState s;
  platform::HeadlessControls controls;
  platform::ScopedControls scope(controls);

  s.CALLSIGN_2_OBJECTID.fillComboBox();  // an empty list, nothing to select
  EXPECT_TRUE(controls.state(cmd::callsign2ObjectId)->items.empty());
  EXPECT_EQ(controls.selectedIndex(cmd::callsign2ObjectId), -1);

  s.callsignChoices->set({"BAW12", "DLH4", "UAL900"});
  s.CALLSIGN_2_OBJECTID.setValue("DLH4");
  s.CALLSIGN_2_OBJECTID.fillComboBox();
  EXPECT_EQ(controls.selectedIndex(cmd::callsign2ObjectId), 1);

  s.BLOCK_CALLSIGN.setValue("EZY12AB");
  lf_refreshEditSetting(s.BLOCK_CALLSIGN);
  EXPECT_EQ(controls.text(cmd::blockCallsign), "EZY12AB");

  s.WEEK.value = true;
  s.WEEK.updateControl();
  EXPECT_TRUE(controls.isChecked(cmd::week));
  s.nowButton.disable();
  EXPECT_FALSE(controls.isEnabled(cmd::now));
}
