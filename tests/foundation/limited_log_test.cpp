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
      {"\x1F\x7F\x80", "\\x1F\\x7F\\x80"},  // a lone continuation byte is not UTF-8
      {"C:\\x0A", "C:\\\\x0A"},           // a backslash cannot pass as an escape
      // Well-formed UTF-8 passes whole: 2, 3 and 4 bytes, the highest code point.
      {"Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x9B\xA9 \xF4\x8F\xBF\xBF", "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x9B\xA9 \xF4\x8F\xBF\xBF"},
      // Windows-1252 text, overlong forms, a surrogate, beyond U+10FFFF, bytes never in
      // UTF-8, and sequences cut short (also at the end): escaped byte by byte.
      {"M\xFCnchen", "M\\xFCnchen"},
      {"\xC0\xAF\xE0\x80\xAF", "\\xC0\\xAF\\xE0\\x80\\xAF"},
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
      {"\xF5\xFE\xFF", "\\xF5\\xFE\\xFF"},
      {"\xE2\x82" "A\xE2\x82", "\\xE2\\x82A\\xE2\\x82"},
  };
  for (const auto& [text, printable] : cases) EXPECT_EQ(gf_printableText(text), printable) << printable;
  EXPECT_EQ(gf_printableText("abcdef", 6), "abcdef");
  EXPECT_EQ(gf_printableText("abcdefg", 6), "abc...");
  EXPECT_EQ(gf_printableText("ab\ncdef", 6), "ab...");  // an escape is never cut in half
  EXPECT_EQ(gf_printableText("ab\xE2\x82\xAC" "cdef", 7), "ab...");  // nor a character
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
