#include "foundation/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <gsl/narrow>

namespace vexo {

std::string gf_trim(std::string_view text) {
  const auto first = text.find_first_not_of(g_blankChars);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(g_blankChars);
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> gf_splitCommaTrimmed(std::string_view text) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  for (std::size_t start = 0;;) {
    const auto comma = text.find(',', start);
    pieces.push_back(gf_trim(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return pieces;
}

std::vector<std::string> gf_splitCommaSortedUnique(std::string_view text) {
  auto pieces = gf_splitCommaTrimmed(text);
  std::sort(pieces.begin(), pieces.end());
  pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
  return pieces;
}

void gf_compactCommaList(std::string& text) {
  if (text.find_first_of(g_blankChars) == std::string::npos) return;
  text = fmt::format("{}", fmt::join(gf_splitCommaTrimmed(text), ","));
}

void gf_toUpperInPlace(std::string& text) {
  for (char& c : text) c = gf_toUpper(c);
}

bool gf_isStarredVariant(std::string_view a, std::string_view b) {
  return b.size() == a.size() + 1 && b.back() == '*' && b.starts_with(a);
}

int gf_percentOf(std::int64_t part, std::int64_t total) {
  if (total < 1) return 0;
  // 128-bit arithmetic: part * 100 must not overflow before the range check.
  const __int128 scaled = static_cast<__int128>(part) * 100;
  const __int128 magnitude = scaled < 0 ? -scaled : scaled;
  const __int128 rounded = (2 * magnitude + total) / (2 * static_cast<__int128>(total));
  const __int128 result = scaled < 0 ? -rounded : rounded;
  if (result > INT64_MAX || result < INT64_MIN) throw gsl::narrowing_error();
  return gsl::narrow<int>(static_cast<std::int64_t>(result));
}

std::string gf_numberText(float number) {
  if (std::trunc(number) == number) return fmt::format("{:.0f}", number);
  return fmt::format("{:.1f}", number);
}

}  // namespace vexo
