// Small text functions shared across the program: trimming, comma lists, upper case,
// number texts and plural endings. Texts are UTF-8; only ASCII letters change case.
// The inline ones need no library, so platform code uses them as well.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vexo {

// The characters that trimming removes: blank, tab, newline, carriage return.
inline constexpr std::string_view g_blankChars = " \t\n\r";

std::string gf_trim(std::string_view text);

// Pieces between commas, each trimmed; empty pieces stay; an empty text gives none.
std::vector<std::string> gf_splitCommaTrimmed(std::string_view text);

// The trimmed pieces sorted by byte value, each text once.
std::vector<std::string> gf_splitCommaSortedUnique(std::string_view text);

// "A, B ,C" becomes "A,B,C"; a text without blank characters stays as it is.
void gf_compactCommaList(std::string& text);

// Upper case of a to z only: bytes of multi-byte UTF-8 characters are left alone.
constexpr char gf_toUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
void gf_toUpperInPlace(std::string& text);

// True when a equals the upper-case form of b.
bool gf_equalsUpper(std::string_view a, std::string_view b);

// True when b is exactly a followed by one '*'.
bool gf_isStarredVariant(std::string_view a, std::string_view b);

// part * 100 / total, rounded half away from zero; 0 when total is below 1. A result
// outside int throws gsl::narrowing_error.
int gf_percentOf(std::int64_t part, std::int64_t total);

// "3" for 3.0, "2.5" for 2.5.
std::string gf_numberText(float number);

// The ending of a counted noun: "s", or nothing for a count of 1 (and for a negative
// count in the signed forms), as in fmt::format("{} second{}", n, gf_plural(n)).
template <std::integral T>
std::string gf_plural(T count) {
  if constexpr (std::is_signed_v<T>) {
    if (count < 0) return {};
  }
  return count == 1 ? std::string() : std::string("s");
}

// ASCII white space (blank, tab, newline, vertical tab, form feed, carriage return);
// the standard isspace is undefined for bytes of 80 hex and above.
constexpr bool gf_isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without leading and trailing ASCII white space.
constexpr std::string_view gf_stripSpace(std::string_view text) {
  while (!text.empty() && gf_isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && gf_isSpace(text.back())) text.remove_suffix(1);
  return text;
}

// True when a and b differ at most in the case of ASCII letters.
constexpr bool gf_equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (gf_toUpper(a[i]) != gf_toUpper(b[i])) return false;
  }
  return true;
}

}  // namespace vexo
