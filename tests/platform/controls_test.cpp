#include "platform/controls.h"

#include <gtest/gtest.h>

using namespace vexo::platform;

TEST(HeadlessControls, KeepsCheckTextEnableAndListState) {
  HeadlessControls c;
  c.setCheck(1, true);
  EXPECT_TRUE(c.isChecked(1));
  EXPECT_TRUE(c.setText(2, "KJFK"));
  EXPECT_EQ(c.text(2), "KJFK");
  c.setEnabled(2, false);
  EXPECT_FALSE(c.isEnabled(2));

  c.fillList(3, {"Alpha", "beta", "Gamma"});
  EXPECT_EQ(c.selectedIndex(3), -1);
  c.selectIndex(3, 2);
  EXPECT_EQ(c.selectedIndex(3), 2);
  EXPECT_TRUE(c.selectString(3, "BE"));  // prefix, any case
  EXPECT_EQ(c.selectedIndex(3), 1);
  EXPECT_FALSE(c.selectString(3, "delta"));
  EXPECT_EQ(c.selectedIndex(3), 1);  // unchanged
  c.selectIndex(3, 7);
  EXPECT_EQ(c.selectedIndex(3), -1);
  c.fillList(3, {});
  EXPECT_FALSE(c.selectString(3, ""));
}

TEST(HeadlessControls, WithoutAutoCreateOnlyCreatedControlsExist) {
  HeadlessControls c(false);
  EXPECT_FALSE(c.exists(5));
  EXPECT_FALSE(c.setText(5, "x"));
  c.setCheck(5, true);
  EXPECT_FALSE(c.isChecked(5));
  EXPECT_FALSE(c.state(5).has_value());
  c.create(5);
  EXPECT_TRUE(c.exists(5));
  EXPECT_TRUE(c.setText(5, "x"));
  EXPECT_EQ(c.state(5)->text, "x");
  c.destroy(5);
  EXPECT_FALSE(c.exists(5));
}

TEST(Controls, ScopedInstallReplacesAndRestoresTheControlsInUse) {
  Controls& before = gf_controls();
  HeadlessControls mine;
  {
    ScopedControls scope(mine);
    EXPECT_EQ(&gf_controls(), &mine);
  }
  EXPECT_EQ(&gf_controls(), &before);
}
