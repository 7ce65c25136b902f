#include "realtraffic/record_fields.h"

#include <charconv>
#include <cmath>

namespace vexo {

void gf_splitRecord(std::string_view text, std::vector<std::string_view>& fields) {
  fields.clear();
  // One pass over short fields: cheaper than a library search per field.
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',') {
      fields.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  fields.push_back(text.substr(start));
}

std::optional<double> gf_readDouble(std::string_view field) {
  double value = 0.0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> gf_readU32(std::string_view field) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::optional<int> gf_readInt(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace vexo
