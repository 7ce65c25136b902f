#include "foundation/charset.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "test_support.h"

using namespace vexo;

namespace {
Charset detect(const test::TempDir& dir, const std::string& bytes) {
  test::writeFile(dir / "f.txt", bytes);
  return gf_detectCharset(dir / "f.txt");
}
}  // namespace

TEST(Utf16Codec, RoundTripsEveryPlane) {
  const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A é € 😀
  const std::u16string wide = u"A\u00E9\u20AC\U0001F600";
  EXPECT_EQ(utf8_to_wide(utf8), wide);
  EXPECT_EQ(wide_to_utf8(wide), utf8);
  EXPECT_EQ(utf8_to_wide(""), u"");
  EXPECT_EQ(wide_to_utf8(u""), "");
  EXPECT_EQ(wide_to_utf8(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(Utf16Codec, LoneSurrogatesAreRejected) {
  const std::u16string highAlone{char16_t(0xD83D)};
  const std::u16string lowAlone{char16_t(0xDE00), u'a'};
  const std::u16string highThenLetter{char16_t(0xD83D), u'a'};
  const std::u16string swapped{char16_t(0xDE00), char16_t(0xD83D)};
  for (const auto& bad : {highAlone, lowAlone, highThenLetter, swapped}) {
    EXPECT_THROW(
        {
          try {
            wide_to_utf8(bad);
          } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "wide_to_utf8: invalid UTF-16");
            throw;
          }
        },
        std::runtime_error);
  }
}

TEST(Utf16Codec, InvalidUtf8IsRejected) {
  for (const std::string bad : {
           "\xC0\x80",              // overlong NUL
           "\xE0\x80\xAF",          // overlong '/'
           "\xF0\x80\x80\xAF",      // overlong, four bytes
           "\xED\xA0\x80",          // encoded surrogate
           "\xF4\x90\x80\x80",      // above U+10FFFF
           "\xF5\x80\x80\x80",      // lead byte that never occurs
           "\x80",                  // lone continuation
           "\xC3",                  // cut off at the end
           "ab\xE2\x82",            // cut off after two of three
           "\xC3\x28",              // continuation missing
       }) {
    EXPECT_THROW(utf8_to_wide(bad), std::runtime_error) << testing::PrintToString(bad);
  }
}

TEST(Ansi, Windows1252BytesBecomeTheirCharacters) {
  EXPECT_EQ(gf_ansi2utf8("caf\xE9"), "caf\xC3\xA9");      // é
  EXPECT_EQ(gf_ansi2utf8("\x80"), "\xE2\x82\xAC");        // €
  EXPECT_EQ(gf_ansi2utf8("\x9F"), "\xC5\xB8");            // Ÿ
  EXPECT_EQ(gf_ansi2utf8("\x81\x8D"), "\xC2\x81\xC2\x8D");  // undefined bytes keep their C1 code
  EXPECT_EQ(gf_ansi2utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(gf_ansi2utf8(""), "");
  // Every byte converts, and the result is always valid UTF-8.
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_NO_THROW(utf8_to_wide(gf_ansi2utf8(all)));
}

TEST(Charset, NamesAndRange) {
  EXPECT_EQ(lf_charsetName(Charset::ANSI), "ANSI");
  EXPECT_EQ(lf_charsetName(Charset::Unicode_big_endian), "Unicode_big_endian");
  EXPECT_EQ(lf_charsetName(Charset::none_found), "none_found");
  EXPECT_THROW(lf_charsetName(static_cast<Charset>(6)), std::out_of_range);
}

TEST(Charset, ByteOrderMarksAndZeroBytes) {
  test::TempDir dir;
  EXPECT_EQ(gf_detectCharset(dir / "missing.txt"), Charset::none_found);
  EXPECT_EQ(detect(dir, ""), Charset::UTF8_without_BOM);
  EXPECT_EQ(detect(dir, "A"), Charset::UTF8_without_BOM);
  EXPECT_EQ(detect(dir, "\xEF\xBB\xBFx"), Charset::UTF8_with_BOM);
  EXPECT_EQ(detect(dir, "\xFF\xFE"), Charset::Unicode);
  EXPECT_EQ(detect(dir, std::string("\xFF\xFE" "a\0", 4)), Charset::Unicode);
  EXPECT_EQ(detect(dir, std::string("a\0b\0", 4)), Charset::Unicode);  // no mark
  EXPECT_EQ(detect(dir, std::string("a\0", 2)), Charset::Unicode);
  EXPECT_EQ(detect(dir, "\xFE\xFF"), Charset::Unicode_big_endian);
  EXPECT_EQ(detect(dir, std::string("\0a\0b", 4)), Charset::Unicode_big_endian);  // no mark
  EXPECT_EQ(detect(dir, std::string("\0a", 2)), Charset::Unicode_big_endian);
  // Zero bytes in the wrong places are not UTF-16 (but are valid UTF-8).
  EXPECT_EQ(detect(dir, std::string("a\0bc", 4)), Charset::UTF8_without_BOM);
}

TEST(Charset, Utf8OrAnsiByContent) {
  test::TempDir dir;
  EXPECT_EQ(detect(dir, "plain ascii\r\n"), Charset::UTF8_without_BOM);
  EXPECT_EQ(detect(dir, "caf\xC3\xA9\n"), Charset::UTF8_without_BOM);
  EXPECT_EQ(detect(dir, "caf\xE9\n"), Charset::ANSI);
  EXPECT_EQ(detect(dir, "price \x80 5"), Charset::ANSI);
  EXPECT_EQ(detect(dir, "ab\xC3"), Charset::ANSI);  // cut off by the end of the file
  EXPECT_EQ(detect(dir, "\xED\xA0\x80"), Charset::ANSI);
}

TEST(Charset, CharacterCutBySampleLimitStaysUtf8) {
  test::TempDir dir;
  // "é" occupies bytes 4095 and 4096: the sample ends inside it.
  std::string text(g_charsetSampleSize - 1, 'a');
  text += "\xC3\xA9 and more";
  EXPECT_EQ(detect(dir, text), Charset::UTF8_without_BOM);
  // A three-byte character cut after its first byte, too.
  text.assign(g_charsetSampleSize - 1, 'a');
  text += "\xE2\x82\xAC";
  EXPECT_EQ(detect(dir, text), Charset::UTF8_without_BOM);
  // But a broken character inside the sample still means ANSI.
  text.assign(100, 'a');
  text += "\xE9";
  text.append(g_charsetSampleSize, 'b');
  EXPECT_EQ(detect(dir, text), Charset::ANSI);
  // And bytes after the sample are never looked at.
  text.assign(g_charsetSampleSize, 'a');
  text += "\xE9";
  EXPECT_EQ(detect(dir, text), Charset::UTF8_without_BOM);
}

TEST(Charset, SampleCheckDirectly) {
  EXPECT_TRUE(gf_isUtf8Sample("", false));
  EXPECT_FALSE(gf_isUtf8Sample("a\xF0\x9F", false));
  EXPECT_TRUE(gf_isUtf8Sample("a\xF0\x9F", true));
  EXPECT_FALSE(gf_isUtf8Sample("a\xF0\x28", true));  // wrong byte before the cut
  EXPECT_FALSE(gf_isUtf8Sample("\xC1\xBF", true));
}
