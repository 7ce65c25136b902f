#include "foundation/line_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace vexo;
using Strings = std::vector<std::string>;

namespace {
Strings split(std::string_view text) {
  Strings lines;
  gf_splitLines(text, lines);
  return lines;
}

Strings utf16Lines(std::string bytes) {
  std::vector<std::string_view> lines;
  gf_readUtf16Lines(bytes, lines);
  return Strings(lines.begin(), lines.end());
}

// What gf_readUtf8Lines makes of a file's bytes: its result, the lines and the text.
struct Utf8Read {
  bool ok = false;
  Strings lines;
  std::string text;
};
Utf8Read utf8Lines(Charset charset, std::string bytes, const std::filesystem::path& path = "f.cfg") {
  std::vector<std::string_view> lines{"old"};
  Utf8Read read;
  read.ok = gf_readUtf8Lines(charset, path, bytes, lines);
  read.lines.assign(lines.begin(), lines.end());
  read.text = std::move(bytes);
  return read;
}

// A text as UTF-16 bytes with a mark, little or big endian.
std::string utf16Bytes(const std::u16string& text, bool littleEndian) {
  std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char lo = static_cast<char>(unit & 0xFF);
    const char hi = static_cast<char>(unit >> 8);
    bytes += littleEndian ? lo : hi;
    bytes += littleEndian ? hi : lo;
  }
  return bytes;
}

// Collects what gf_readUtf8Lines reports.
std::vector<std::string> g_reported;
void collect(std::string_view text, bool) { g_reported.emplace_back(text); }
}  // namespace

TEST(SplitLines, LineEndsAndStreams) {
  EXPECT_EQ(split("a\r\nb\n\nc"), (Strings{"a", "b", "", "c"}));
  EXPECT_EQ(split(""), Strings{});
  EXPECT_EQ(split("\n"), Strings{""});
  EXPECT_EQ(split("a\r\r\n"), Strings{"a\r"});  // one CR removed
  EXPECT_EQ(split("a\rb"), Strings{"a\rb"});     // a lone CR is no line end
  EXPECT_EQ(split("\xEF\xBB\xBFx\ny"), (Strings{"x", "y"}));
  Strings lines{"kept"};
  std::istringstream in("one\r\ntwo\n");
  gf_readLines(in, lines);
  EXPECT_EQ(lines, (Strings{"kept", "one", "two"}));
  std::istringstream empty("");
  gf_readLines(empty, lines);
  EXPECT_TRUE(empty.good());
}

TEST(ReadUtf16Lines, BothByteOrdersAndWhatCannotBeRead) {
  const std::u16string text = u"caf\u00E9\r\n\U0001F600 line\n\nlast";
  const Strings expected{"caf\xC3\xA9", "\xF0\x9F\x98\x80 line", "", "last"};
  EXPECT_EQ(utf16Lines(utf16Bytes(text, true)), expected);
  EXPECT_EQ(utf16Lines(utf16Bytes(text, false)), expected);
  EXPECT_EQ(utf16Lines("\xFF"), Strings{});
  EXPECT_EQ(utf16Lines(std::string("a\0b\0", 4)), Strings{});  // no mark
  EXPECT_EQ(utf16Lines(utf16Bytes(u"ab", true) + 'c'), Strings{});  // odd length
  const std::u16string lone{u'a', char16_t(0xD800), u'b'};
  EXPECT_THROW(utf16Lines(utf16Bytes(lone, true)), std::runtime_error);
  EXPECT_THROW(utf16Lines(utf16Bytes(lone, false)), std::runtime_error);
}

TEST(ReadUtf8Lines, EveryCharset) {
  struct Case {
    std::string bytes;
    Charset charset;
    Strings lines;
  };
  const Case cases[] = {
      {utf16Bytes(u"[fltsim.0]\r\ntitle=\u00C9\r\n", true), Charset::Unicode, {"[fltsim.0]", "title=\xC3\x89"}},
      {utf16Bytes(u"a\nb", false), Charset::Unicode_big_endian, {"a", "b"}},
      {"\xEF\xBB\xBFtitle=x\r\n", Charset::UTF8_with_BOM, {"title=x"}},
      // A stray byte in text marked as UTF-8 becomes U+FFFD, its neighbours stay.
      {"\xEF\xBB\xBFtitle=Caf\xE9 \xC3\xA9\r\n", Charset::UTF8_with_BOM, {"title=Caf\xEF\xBF\xBD \xC3\xA9"}},
      {"title=Caf\xE9 \x80\r\nx", Charset::ANSI, {"title=Caf\xC3\xA9 \xE2\x82\xAC", "x"}},
      {std::string("a\0b\0", 4), Charset::Unicode, {}},  // recognised, but no mark: no lines
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    ASSERT_EQ(gf_detectCharset(c.bytes), c.charset);
    const Utf8Read read = utf8Lines(c.charset, c.bytes);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.lines, c.lines);
  }
}

// The detection looks at the first 4 KiB; what follows decides too. UTF-8 that breaks
// later is read as ANSI, UTF-8 that stays valid (a character cut by the sample's end
// included) is kept.
TEST(ReadUtf8Lines, UndeclaredUtf8IsCheckedWhole) {
  const std::string ascii(g_charsetSampleSize - 1, 'a');
  struct Case {
    std::string tail;
    std::string expectedTail;
  };
  const Case cases[] = {
      {"\ntitle=Caf\xE9 \x80", "title=Caf\xC3\xA9 \xE2\x82\xAC"},
      {"\ntitle=Caf\xC3\xA9", "title=Caf\xC3\xA9"},
      {"\xC3\xA9\ntitle=x", "title=x"},            // a character across the sample's end
      {"\ntitle=\xE2\x82", "title=\xC3\xA2\xE2\x80\x9A"},  // cut off by the end of the file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.tail));
    ASSERT_EQ(gf_detectCharset(ascii + c.tail), Charset::UTF8_without_BOM);
    const Utf8Read read = utf8Lines(Charset::UTF8_without_BOM, ascii + c.tail);
    EXPECT_TRUE(read.ok);
    ASSERT_EQ(read.lines.size(), 2U);
    EXPECT_EQ(read.lines[1], c.expectedTail);
    EXPECT_EQ(split(read.text), read.lines);  // the lines are those of the converted text
  }
}

TEST(ReadUtf8Lines, FailuresAreReportedNotThrown) {
  g_reported.clear();
  gf_setReadFailureReporter(&collect);
  Utf8Read read = utf8Lines(Charset::none_found, "x", "dir/x.cfg");
  EXPECT_FALSE(read.ok);
  EXPECT_TRUE(read.lines.empty());
  EXPECT_TRUE(read.text.empty());
  ASSERT_EQ(g_reported.size(), 1u);
  EXPECT_EQ(g_reported[0], "Read failed for 'dir/x.cfg': file dir/x.cfg has unknown charset: none_found");

  read = utf8Lines(Charset::Unicode, utf16Bytes(std::u16string{u'a', char16_t(0xDC00)}, true), "bad.cfg");
  EXPECT_FALSE(read.ok);
  EXPECT_TRUE(read.lines.empty());
  EXPECT_TRUE(read.text.empty());
  ASSERT_EQ(g_reported.size(), 2u);
  EXPECT_NE(g_reported[1].find("wide_to_utf8: invalid UTF-16"), std::string::npos);
  gf_setReadFailureReporter(nullptr);
}

TEST(LineFile, ReadsOrSaysOpenFailed) {
  test::TempDir dir;
  LineFile file{dir / "list.txt", {"stale"}};
  auto result = file.read(16);
  EXPECT_EQ(result.error, "open_failed");
  EXPECT_TRUE(file.lines.empty());
  test::writeFile(file.path, "EDDF\r\nKJFK\n");
  result = file.read(16);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(Strings(result.lines.begin(), result.lines.end()), (Strings{"EDDF", "KJFK"}));
}
