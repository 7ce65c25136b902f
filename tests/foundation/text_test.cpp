#include "foundation/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <gsl/narrow>
#include <string>
#include <vector>

using namespace vexo;
using Strings = std::vector<std::string>;

TEST(Text, TrimAndCommaLists) {
  EXPECT_EQ(gf_trim(" \tx y \r\n"), "x y");
  EXPECT_EQ(gf_trim("   "), "");
  EXPECT_EQ(gf_trim("\va\f"), "\va\f");  // not among the blank characters
  EXPECT_EQ(gf_splitCommaTrimmed(""), Strings{});
  EXPECT_EQ(gf_splitCommaTrimmed("A,,B ,"), (Strings{"A", "", "B", ""}));
  EXPECT_EQ(gf_splitCommaSortedUnique("b, a,b ,Z"), (Strings{"Z", "a", "b"}));  // by byte value
  std::string list = "A, B ,\tC\n";
  gf_compactCommaList(list);
  EXPECT_EQ(list, "A,B,C");
}

TEST(Text, UpperCaseTouchesAsciiLettersOnly) {
  // Bytes of UTF-8 characters (é is C3 A9) stay untouched; a signed char of 80 hex or
  // above must not reach the C library.
  std::string text = "caf\xC3\xA9 \xFF";
  gf_toUpperInPlace(text);
  EXPECT_EQ(text, "CAF\xC3\xA9 \xFF");
  EXPECT_TRUE(gf_equalsUpper("EDDF", "EdDf"));
  EXPECT_FALSE(gf_equalsUpper("eddf", "eddf"));
  EXPECT_FALSE(gf_equalsUpper("EDD", "eddf"));
  EXPECT_FALSE(gf_isSpace('\xA0'));
  EXPECT_TRUE(gf_isStarredVariant("B738", "B738*"));
  EXPECT_FALSE(gf_isStarredVariant("B738", "B738**"));
  EXPECT_FALSE(gf_isStarredVariant("B738", "B739*"));
}

TEST(Text, PercentRoundsAwayFromZeroAndRefusesOverflow) {
  EXPECT_EQ(gf_percentOf(2, 3), 67);
  EXPECT_EQ(gf_percentOf(1, 200), 1);
  EXPECT_EQ(gf_percentOf(-1, 200), -1);
  EXPECT_EQ(gf_percentOf(5, 0), 0);
  EXPECT_EQ(gf_percentOf(5, -3), 0);
  EXPECT_EQ(gf_percentOf(INT64_MAX / 100, INT64_MAX / 100), 100);
  EXPECT_THROW(gf_percentOf(INT64_MAX, 1), gsl::narrowing_error);
  EXPECT_THROW(gf_percentOf(INT_MAX, 1), gsl::narrowing_error);
  EXPECT_EQ(gf_numberText(3.0f), "3");
  EXPECT_EQ(gf_numberText(-7.3f), "-7.3");
  EXPECT_EQ(gf_plural(-1), "");
  EXPECT_EQ(gf_plural(std::size_t{0}), "s");
}
