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

Strings utf16Lines(const std::string& bytes) {
  std::istringstream in(bytes);
  Strings lines;
  gf_readUtf16Lines(in, lines);
  return lines;
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

TEST(SplitLines, LineEnds) {
  EXPECT_EQ(split("a\r\nb\n\nc"), (Strings{"a", "b", "", "c"}));
  EXPECT_EQ(split("a\n"), Strings{"a"});
  EXPECT_EQ(split(""), Strings{});
  EXPECT_EQ(split("\n"), Strings{""});
  EXPECT_EQ(split("a\r\r\n"), Strings{"a\r"});  // one CR removed
  EXPECT_EQ(split("a\rb"), Strings{"a\rb"});     // a lone CR is no line end
  EXPECT_EQ(split("\xEF\xBB\xBFx\ny"), (Strings{"x", "y"}));
  EXPECT_EQ(split("\xEF\xBB\xBF"), Strings{});
}

TEST(ReadLines, AppendsAndResetsEmptyStreams) {
  Strings lines{"kept"};
  std::istringstream in("one\r\ntwo\n");
  gf_readLines(in, lines);
  EXPECT_EQ(lines, (Strings{"kept", "one", "two"}));

  std::istringstream empty("");
  gf_readLines(empty, lines);
  EXPECT_EQ(lines.size(), 3u);
  EXPECT_TRUE(empty.good());
}

TEST(ReadUtf16Lines, BothByteOrders) {
  const std::u16string text = u"caf\u00E9\r\n\U0001F600 line\n\nlast";
  const Strings expected{"caf\xC3\xA9", "\xF0\x9F\x98\x80 line", "", "last"};
  EXPECT_EQ(utf16Lines(utf16Bytes(text, true)), expected);
  EXPECT_EQ(utf16Lines(utf16Bytes(text, false)), expected);
  EXPECT_EQ(utf16Lines(utf16Bytes(u"", true)), Strings{});
}

TEST(ReadUtf16Lines, RefusesWhatItCannotRead) {
  EXPECT_EQ(utf16Lines(""), Strings{});
  EXPECT_EQ(utf16Lines("\xFF"), Strings{});
  EXPECT_EQ(utf16Lines(std::string("a\0b\0", 4)), Strings{});  // no mark
  std::string odd = utf16Bytes(u"ab", true);
  odd += 'c';
  EXPECT_EQ(utf16Lines(odd), Strings{});
  const std::u16string lone{u'a', char16_t(0xD800), u'b'};
  EXPECT_THROW(utf16Lines(utf16Bytes(lone, true)), std::runtime_error);
  EXPECT_THROW(utf16Lines(utf16Bytes(lone, false)), std::runtime_error);
}

TEST(ReadUtf8Lines, EveryCharset) {
  test::TempDir dir;
  Strings lines{"old"};
  test::writeFile(dir / "le.cfg", utf16Bytes(u"[fltsim.0]\r\ntitle=\u00C9\r\n", true));
  EXPECT_TRUE(gf_readUtf8Lines(gf_detectCharset(dir / "le.cfg"), dir / "le.cfg", lines));
  EXPECT_EQ(lines, (Strings{"[fltsim.0]", "title=\xC3\x89"}));

  test::writeFile(dir / "be.cfg", utf16Bytes(u"a\nb", false));
  EXPECT_TRUE(gf_readUtf8Lines(gf_detectCharset(dir / "be.cfg"), dir / "be.cfg", lines));
  EXPECT_EQ(lines, (Strings{"a", "b"}));

  test::writeFile(dir / "bom.cfg", "\xEF\xBB\xBFtitle=x\r\n");
  EXPECT_EQ(gf_detectCharset(dir / "bom.cfg"), Charset::UTF8_with_BOM);
  EXPECT_TRUE(gf_readUtf8Lines(Charset::UTF8_with_BOM, dir / "bom.cfg", lines));
  EXPECT_EQ(lines, Strings{"title=x"});

  test::writeFile(dir / "ansi.cfg", "title=Caf\xE9 \x80\r\nx");
  ASSERT_EQ(gf_detectCharset(dir / "ansi.cfg"), Charset::ANSI);
  EXPECT_TRUE(gf_readUtf8Lines(Charset::ANSI, dir / "ansi.cfg", lines));
  EXPECT_EQ(lines, (Strings{"title=Caf\xC3\xA9 \xE2\x82\xAC", "x"}));

  // UTF-16 without a mark is recognised but yields no lines.
  test::writeFile(dir / "nomark.cfg", std::string("a\0b\0", 4));
  ASSERT_EQ(gf_detectCharset(dir / "nomark.cfg"), Charset::Unicode);
  EXPECT_TRUE(gf_readUtf8Lines(Charset::Unicode, dir / "nomark.cfg", lines));
  EXPECT_EQ(lines, Strings{});
}

TEST(ReadUtf8Lines, FailuresAreReportedNotThrown) {
  test::TempDir dir;
  g_reported.clear();
  gf_setReadFailureReporter(&collect);
  Strings lines{"old"};
  EXPECT_FALSE(gf_readUtf8Lines(Charset::UTF8_without_BOM, dir / "missing.cfg", lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(g_reported.empty());  // a missing file is silent

  test::writeFile(dir / "x.cfg", "x");
  EXPECT_FALSE(gf_readUtf8Lines(Charset::none_found, dir / "x.cfg", lines));
  ASSERT_EQ(g_reported.size(), 1u);
  EXPECT_EQ(g_reported[0], "Read failed for '" + (dir / "x.cfg").string() + "': file " + (dir / "x.cfg").string() +
                               " has unknown charset: none_found");

  const std::u16string lone{u'a', char16_t(0xDC00)};
  test::writeFile(dir / "bad.cfg", utf16Bytes(lone, true));
  lines = {"old"};
  EXPECT_FALSE(gf_readUtf8Lines(Charset::Unicode, dir / "bad.cfg", lines));
  EXPECT_TRUE(lines.empty());
  ASSERT_EQ(g_reported.size(), 2u);
  EXPECT_NE(g_reported[1].find("wide_to_utf8: invalid UTF-16"), std::string::npos);
  gf_setReadFailureReporter(nullptr);
}

TEST(LineFile, ReadsOrSaysOpenFailed) {
  test::TempDir dir;
  LineFile file{dir / "list.txt", {"stale"}};
  auto result = file.read(16);
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error, "open_failed");
  EXPECT_TRUE(file.lines.empty());

  test::writeFile(file.path, "EDDF\r\nKJFK\n");
  result = file.read(16);
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[1], "KJFK");
  EXPECT_GE(file.lines.capacity(), 16u);
}
