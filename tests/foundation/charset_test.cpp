#include "foundation/charset.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "test_support.h"

using namespace vexo;

TEST(Utf16Codec, RoundTripsEveryPlaneAndRejectsLoneSurrogates) {
  const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";  // A é € 😀 U+10FFFF
  const std::u16string wide = u"A\u00E9\u20AC\U0001F600\U0010FFFF";
  EXPECT_EQ(utf8_to_wide(utf8), wide);
  EXPECT_EQ(wide_to_utf8(wide), utf8);
  EXPECT_EQ(wide_to_utf8(u""), "");
  const char16_t high = 0xD83D, low = 0xDE00;
  for (const std::u16string& bad : {std::u16string{high}, std::u16string{low, u'a'}, std::u16string{high, u'a'},
                                    std::u16string{low, high}}) {
    try {
      wide_to_utf8(bad);
      ADD_FAILURE() << "accepted " << testing::PrintToString(bad);
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "wide_to_utf8: invalid UTF-16");
    }
  }
}

TEST(Utf16Codec, InvalidUtf8IsRejected) {
  for (const std::string bad : {
           "\xC0\x80",          // overlong NUL
           "\xF0\x80\x80\xAF",  // overlong, four bytes
           "\xED\xA0\x80",      // encoded surrogate
           "\xF4\x90\x80\x80",  // above U+10FFFF
           "\xF5\x80\x80\x80",  // lead byte that never occurs
           "\x80",              // lone continuation
           "ab\xE2\x82",        // cut off after two of three
           "\xC3\x28",          // continuation missing
       }) {
    EXPECT_THROW(utf8_to_wide(bad), std::runtime_error) << testing::PrintToString(bad);
  }
}

TEST(Ansi, Windows1252BytesBecomeTheirCharacters) {
  EXPECT_EQ(gf_ansi2utf8("caf\xE9"), "caf\xC3\xA9");        // é
  EXPECT_EQ(gf_ansi2utf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");  // € Ÿ
  EXPECT_EQ(gf_ansi2utf8("\x81\x8D"), "\xC2\x81\xC2\x8D");  // undefined bytes keep their C1 code
  EXPECT_EQ(gf_ansi2utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  std::string all;  // every byte converts, and the result is always valid UTF-8
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_NO_THROW(utf8_to_wide(gf_ansi2utf8(all)));
  EXPECT_THROW(lf_charsetName(static_cast<Charset>(6)), std::out_of_range);
}

TEST(Charset, DetectedFromMarksZeroBytesAndContent) {
  const std::string cut(g_charsetSampleSize - 1, 'a');  // a character starting here is cut by the sample
  const std::string full(g_charsetSampleSize, 'a');
  const std::pair<std::string, Charset> cases[] = {
      {"", Charset::UTF8_without_BOM},
      {"\xEF\xBB\xBFx", Charset::UTF8_with_BOM},
      {"\xFF\xFE", Charset::Unicode},
      {std::string("\xFF\xFE" "a\0", 4), Charset::Unicode},
      {std::string("a\0b\0", 4), Charset::Unicode},  // no mark
      {std::string("a\0", 2), Charset::Unicode},
      {"\xFE\xFF", Charset::Unicode_big_endian},
      {std::string("\0a\0b", 4), Charset::Unicode_big_endian},  // no mark
      {std::string("a\0bc", 4), Charset::UTF8_without_BOM},      // zero bytes in the wrong places
      {"plain ascii\r\n", Charset::UTF8_without_BOM},
      {"caf\xC3\xA9\r\n", Charset::UTF8_without_BOM},
      {"caf\xE9\r\n", Charset::ANSI},
      {"price \x80 5", Charset::ANSI},
      {"ab\xC3", Charset::ANSI},  // cut off by the end of the file
      {"\xED\xA0\x80", Charset::ANSI},
      {cut + "\xC3\xA9 and more", Charset::UTF8_without_BOM},
      {cut + "\xE2\x82\xAC", Charset::UTF8_without_BOM},
      {std::string(100, 'a') + "\xE9" + full, Charset::ANSI},  // broken inside the sample
      {full + "\xE9", Charset::UTF8_without_BOM},               // bytes after it are never looked at
  };
  for (const auto& [bytes, charset] : cases) {
    EXPECT_EQ(gf_detectCharset(bytes), charset) << bytes.size() << " bytes " << testing::PrintToString(bytes.substr(0, 20));
  }
  EXPECT_FALSE(gf_isUtf8Sample("a\xF0\x9F", false));
  EXPECT_TRUE(gf_isUtf8Sample("a\xF0\x9F", true));
  EXPECT_FALSE(gf_isUtf8Sample("a\xF0\x28", true));  // wrong byte before the cut
}

// XML 1.0's Char production at its edges. The helpers and the tests' own check of saved
// files agree on every row.
TEST(Charset, XmlText) {
  const std::string fffd = "\xEF\xBF\xBD";
  struct Row {
    std::string text;
    bool xml;
    std::string kept;      // by gf_dropNonXmlChars
    std::string repaired;  // by gf_repairUtf8
  };
  const Row rows[] = {
      {"\t\n\r", true, "\t", "\t\n\r"},
      {"\x1F \x7F", false, " \x7F", "\x1F \x7F"},
      {std::string("a\0b", 3), false, "ab", std::string("a\0b", 3)},
      {"\xED\x9F\xBF\xEE\x80\x80", true, "\xED\x9F\xBF\xEE\x80\x80", "\xED\x9F\xBF\xEE\x80\x80"},  // U+D7FF U+E000
      {"\xED\xA0\x80", false, "", fffd + fffd + fffd},                                 // a surrogate
      {fffd + "\xEF\xBF\xBE\xEF\xBF\xBF", false, fffd, fffd + "\xEF\xBF\xBE\xEF\xBF\xBF"},    // U+FFFD U+FFFE U+FFFF
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true, "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {"\xF4\x90\x80\x80", false, "", fffd + fffd + fffd + fffd},                    // above U+10FFFF
      {"\xC0\x80", false, "", fffd + fffd},                                           // overlong
      {"Caf\xE9 \xC3\xA9", false, "Caf \xC3\xA9", "Caf" + fffd + " \xC3\xA9"},
      {"a\xE2\x82", false, "a", "a" + fffd + fffd},                                    // cut off
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    EXPECT_EQ(gf_isXmlText(row.text), row.xml);
    EXPECT_EQ(test::firstNonXmlChar(row.text).empty(), row.xml) << test::firstNonXmlChar(row.text);
    std::string kept = row.text;
    gf_dropNonXmlChars(kept);
    EXPECT_EQ(kept, row.kept);
    EXPECT_TRUE(gf_isXmlText(kept));
    std::string repaired = row.text;
    gf_repairUtf8(repaired);
    EXPECT_EQ(repaired, row.repaired);
    EXPECT_TRUE(gf_isUtf8Sample(repaired, false));
  }
  // The check of saved files also reads character references, as pugixml writes them.
  EXPECT_EQ(test::firstNonXmlChar("<l t=\"Ctl&#01;&#27;\" r=\"&#x1F;\"/>"), "&#01; at 9");
  EXPECT_EQ(test::firstNonXmlChar("<l r=\"&#x1F;\"/>"), "&#x1F; at 6");
  EXPECT_EQ(test::firstNonXmlChar("a\x01"), "U+0001 at 1");
  EXPECT_EQ(test::firstNonXmlChar("\t&#9;&#x20;\xEF\xBF\xBD"), "");
  EXPECT_EQ(test::firstNonXmlChar("\xEF\xBF\xBE"), "U+FFFE at 0");
  EXPECT_EQ(test::firstNonXmlChar("t=\"Caf\xE9\""), "bad UTF-8 at 6");
}
