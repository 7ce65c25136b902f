#include "foundation/version.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo;

TEST(VersionData, DottedTextAndOrder) {
  EXPECT_EQ(VersionData("007.1.2"), VersionData(7, 1, 2));
  EXPECT_EQ(VersionData("1.2.2147483647"), VersionData(1, 2, 2147483647));
  EXPECT_EQ(g_programVersion.toString(), "12.3.0");
  EXPECT_GT(VersionData(12, 10, 0), VersionData(12, 9, 9));
  EXPECT_LT(VersionData(11, 99, 99), VersionData(12, 0, 0));
  EXPECT_EQ(VersionData(-1, 0, 0).toString(), "-1.0.0");
}

TEST(VersionData, UnreadableTextGivesZeroAndALogLine) {
  test::LogCapture log;
  for (const char* text : {"", " 12.3.0", "v12.3.0", "12.3", "12.3.0.1", "12.-3.0", "\xC3\xA9"}) {
    EXPECT_EQ(VersionData(text), VersionData()) << text;
  }
  EXPECT_TRUE(log.contains("VersionData exception: invalid version format\n"));
  EXPECT_EQ(VersionData("99999999999.1.1"), VersionData());
  EXPECT_EQ(VersionData("1.2.2147483648"), VersionData());
  EXPECT_TRUE(log.contains("VersionData exception: parse error in version string\n"));
}

TEST(VersionData, JsonObjectsTakeOnlyIntegersInRange) {
  test::LogCapture log;
  EXPECT_EQ(VersionData(R"(  {"major": 12}  )"), VersionData(12, 0, 0));
  EXPECT_EQ(VersionData(R"({"major": "12", "minor": 2.5, "patch": 3})"), VersionData(0, 0, 3));
  EXPECT_EQ(VersionData(R"({"major": 99999999999, "minor": -1})"), VersionData(0, -1, 0));
  EXPECT_EQ(VersionData(R"({"major": 18446744073709551615})"), VersionData());
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(VersionData(R"({"major": 12)"), VersionData());
  EXPECT_TRUE(log.contains("VersionData exception: "));
}
