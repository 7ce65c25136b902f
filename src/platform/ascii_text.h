// ASCII case and white space for texts that are UTF-8 (bytes of multi-byte characters
// are never changed or taken as blanks). Inline and without a library: the platform code
// and everything above it share them.
#pragma once

#include <cstddef>
#include <string_view>

namespace vexo {

// Upper case of a to z only: bytes of multi-byte UTF-8 characters are left alone.
constexpr char gf_toUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// ASCII white space (blank, tab, newline, vertical tab, form feed, carriage return);
// the standard isspace is undefined for bytes of 80 hex and above.
constexpr bool gf_isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without leading and trailing ASCII white space.
constexpr std::string_view gf_stripSpace(std::string_view text) {
  while (!text.empty() && gf_isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && gf_isSpace(text.back())) text.remove_suffix(1);
  return text;
}

// True when a equals b with b's ASCII letters upper-cased: how a text is compared with a
// fixed name that is written in upper case.
constexpr bool gf_equalsUpper(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != gf_toUpper(b[i])) return false;
  }
  return true;
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
