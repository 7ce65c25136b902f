// Small text functions shared across the program: trimming, comma lists, upper case,
// number texts and plural endings. Texts are UTF-8; only ASCII letters change case.
// The ASCII case and white-space functions come from the platform layer below.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/ascii_text.h"

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

// gf_toUpper on every byte of the text.
void gf_toUpperInPlace(std::string& text);

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

}  // namespace vexo
