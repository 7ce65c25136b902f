#include "foundation/limited_log.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo;
using namespace std::string_literals;

TEST(LimitedLog, ForeignTextIsEscapedAndCut) {
  const std::pair<std::string, std::string> cases[] = {
      {"KLAX 12", "KLAX 12"},
      {"a\nb\r\0c"s, "a\\x0Ab\\x0D\\x00c"},
      {"\x1F\x7F\x80", "\\x1F\\x7F\x80"},  // bytes above 0x7F pass as they are
      {"C:\\x0A", "C:\\\\x0A"},           // a backslash cannot pass as an escape
  };
  for (const auto& [text, printable] : cases) EXPECT_EQ(gf_printableText(text), printable) << printable;
  EXPECT_EQ(gf_printableText("abcdef", 6), "abcdef");
  EXPECT_EQ(gf_printableText("abcdefg", 6), "abc...");
  EXPECT_EQ(gf_printableText("ab\ncdef", 6), "ab...");  // an escape is never cut in half
  EXPECT_LE(gf_printableText(std::string(100000, '\n')).size(), g_maxForeignLine);
}

TEST(LimitedLog, AFewLinesPerReasonAndMinuteThenTheirCount) {
  test::LogCapture log;
  auto now = std::chrono::steady_clock::time_point{};
  LimitedLog limited([&] { return now; }, 2);
  for (int i = 0; i < 5; ++i) limited.log("bad", fmt::format("bad {}", i));
  limited.log("other", "other 0");
  now += std::chrono::seconds(59);
  limited.log("bad", "bad 5");  // still the same minute
  now += std::chrono::seconds(1);
  limited.log("bad", "bad 6", true);
  EXPECT_EQ(log.text(), "bad 0\nbad 1\nother 0\n4 more lines of \"bad\" were not logged (at most 2 a minute)\n==> bad 6\n");
}
