#include "airports/bgl_convert.h"

#include "airports/bgl_records.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace vexo {

std::optional<std::string> lf_decodeIcaoText(std::uint32_t ident) {
  std::uint32_t value = ident >> 5;
  std::string reversed;
  while (value != 0) {
    if (reversed.size() == 10) return std::nullopt;
    const std::uint32_t digit = value % 38;
    value /= 38;
    if (digit < 2) return std::nullopt;
    reversed.push_back(digit < 12 ? static_cast<char>('0' + digit - 2) : static_cast<char>('A' + digit - 12));
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

std::int32_t gf_bglAltitudeFeet(std::int32_t millimetres) {
  const double feet = std::round(static_cast<double>(millimetres) * 3.2808399 / 1000.0);
  if (feet < -20.0 || feet > 10000.0) return 0;
  return static_cast<std::int32_t>(feet);
}

void gf_bglStandId(std::uint32_t nameCode, std::uint32_t number, std::string& id) {
  static constexpr std::array<std::string_view, 11> prefixes{"", "r", "p", "np", "ep", "sep", "sp", "swp", "wp", "nwp", "g"};
  std::array<char, 16> text{};
  char* end = text.data();
  if (nameCode < prefixes.size()) {
    end = std::copy(prefixes[nameCode].begin(), prefixes[nameCode].end(), end);
  } else if (nameCode >= 12 && nameCode <= 37) {
    *end++ = static_cast<char>('A' + nameCode - 12);
  }
  end = std::to_chars(end, text.data() + text.size(), number).ptr;
  id.assign(text.data(), end);
}

void gf_bglStandId(std::uint32_t nameCode, std::uint32_t number, std::uint32_t repeat, std::string& id) {
  gf_bglStandId(nameCode, number, id);
  if (repeat > 0 && repeat <= 10) id += static_cast<char>('a' + repeat - 1);
}

std::string BglStand::id() const {
  std::string text;
  if (heli) {
    text = "helipad";
    std::array<char, 8> digits{};
    text.append(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr);
  } else {
    gf_bglStandId(nameCode, number, repeat, text);
  }
  return text;
}

std::string gf_bglStandId(std::uint32_t nameCode, std::uint32_t number) {
  std::string id;
  gf_bglStandId(nameCode, number, id);
  return id;
}

void StandIdSet::grow() {
  std::size_t size = 32;
  while (size < 2 * std::max(expected_, 2 * filled_ + 1)) size *= 2;
  std::vector<std::uint32_t> old = std::exchange(slots_, std::vector<std::uint32_t>(size, 0));
  filled_ = 0;
  for (const std::uint32_t slot : old) {
    if (slot != 0) slotOf((slot >> 4) - 1) = slot;
  }
}

}  // namespace vexo
