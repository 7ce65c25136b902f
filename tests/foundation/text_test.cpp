#include "foundation/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <gsl/narrow>
#include <string>
#include <vector>

using namespace vexo;
using Strings = std::vector<std::string>;

TEST(Text, TrimRemovesOnlyBlankChars) {
  EXPECT_EQ(gf_trim(" \tx \r\n"), "x");
  EXPECT_EQ(gf_trim("   "), "");
  EXPECT_EQ(gf_trim(""), "");
  EXPECT_EQ(gf_trim(" a b "), "a b");
  EXPECT_EQ(gf_trim("\va\f"), "\va\f");  // not among the blank characters
}

TEST(Text, CommaLists) {
  EXPECT_EQ(gf_splitCommaTrimmed(""), Strings{});
  EXPECT_EQ(gf_splitCommaTrimmed("A, B ,C"), (Strings{"A", "B", "C"}));
  EXPECT_EQ(gf_splitCommaTrimmed("A,,B,"), (Strings{"A", "", "B", ""}));
  EXPECT_EQ(gf_splitCommaTrimmed(" "), Strings{""});
  EXPECT_EQ(gf_splitCommaSortedUnique("b, a,b ,c"), (Strings{"a", "b", "c"}));
  EXPECT_EQ(gf_splitCommaSortedUnique("Z,a"), (Strings{"Z", "a"}));  // by byte value

  std::string list = "A, B ,C";
  gf_compactCommaList(list);
  EXPECT_EQ(list, "A,B,C");
  list = "A,B";
  gf_compactCommaList(list);
  EXPECT_EQ(list, "A,B");
  list = "A,\tB\n";
  gf_compactCommaList(list);
  EXPECT_EQ(list, "A,B");
}

TEST(Text, UpperCaseTouchesAsciiLettersOnly) {
  EXPECT_EQ(gf_toUpper('a'), 'A');
  EXPECT_EQ(gf_toUpper('z'), 'Z');
  EXPECT_EQ(gf_toUpper('1'), '1');
  // Bytes of UTF-8 characters (é is C3 A9) stay untouched; a signed char of 80 hex or
  // above must not reach the C library.
  std::string text = "caf\xC3\xA9 \xFF";
  gf_toUpperInPlace(text);
  EXPECT_EQ(text, "CAF\xC3\xA9 \xFF");
  EXPECT_TRUE(gf_equalsUpper("EDDF", "eddf"));
  EXPECT_TRUE(gf_equalsUpper("EDDF", "EdDf"));
  EXPECT_FALSE(gf_equalsUpper("eddf", "eddf"));
  EXPECT_FALSE(gf_equalsUpper("EDD", "eddf"));
  EXPECT_TRUE(gf_equalsUpper("\xC3\xA9", "\xC3\xA9"));
  EXPECT_TRUE(gf_isSpace(' '));
  EXPECT_FALSE(gf_isSpace('\xA0'));
  EXPECT_EQ(gf_stripSpace("\t 12 \v"), "12");
}

TEST(Text, StarredVariant) {
  EXPECT_TRUE(gf_isStarredVariant("B738", "B738*"));
  EXPECT_FALSE(gf_isStarredVariant("B738", "B738"));
  EXPECT_FALSE(gf_isStarredVariant("B738", "B738**"));
  EXPECT_FALSE(gf_isStarredVariant("B738", "B739*"));
  EXPECT_TRUE(gf_isStarredVariant("", "*"));
}

TEST(Text, PercentOf) {
  EXPECT_EQ(gf_percentOf(1, 3), 33);
  EXPECT_EQ(gf_percentOf(2, 3), 67);
  EXPECT_EQ(gf_percentOf(1, 200), 1);   // 0.5 rounds away from zero
  EXPECT_EQ(gf_percentOf(-1, 200), -1);
  EXPECT_EQ(gf_percentOf(-2, 3), -67);
  EXPECT_EQ(gf_percentOf(5, 0), 0);
  EXPECT_EQ(gf_percentOf(5, -3), 0);
  EXPECT_EQ(gf_percentOf(INT64_MAX / 100, INT64_MAX / 100), 100);
  EXPECT_THROW(gf_percentOf(INT64_MAX, 1), gsl::narrowing_error);
  EXPECT_THROW(gf_percentOf(INT_MAX, 1), gsl::narrowing_error);
}

TEST(Text, NumberTextAndPlural) {
  EXPECT_EQ(gf_numberText(3.0f), "3");
  EXPECT_EQ(gf_numberText(2.5f), "2.5");
  EXPECT_EQ(gf_numberText(-7.3f), "-7.3");
  EXPECT_EQ(gf_numberText(0.0f), "0");
  EXPECT_EQ(gf_plural(1), "");
  EXPECT_EQ(gf_plural(0), "s");
  EXPECT_EQ(gf_plural(2), "s");
  EXPECT_EQ(gf_plural(-1), "");
  EXPECT_EQ(gf_plural(-1LL), "");
  EXPECT_EQ(gf_plural(std::size_t{1}), "");
  EXPECT_EQ(gf_plural(std::size_t{0}), "s");
  EXPECT_EQ(gf_plural(std::int64_t{5}), "s");
}
