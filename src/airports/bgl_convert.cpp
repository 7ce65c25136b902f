#include "airports/bgl_convert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

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

std::string gf_bglStandId(std::uint32_t nameCode, std::uint32_t number) {
  std::string id;
  gf_bglStandId(nameCode, number, id);
  return id;
}

namespace {
// Name codes that give the same prefix share one class: 0, 11 and 38..63 give none.
std::uint32_t lf_prefixClass(std::uint32_t nameCode) {
  if (nameCode >= 1 && nameCode <= 10) return nameCode;
  if (nameCode >= 12 && nameCode <= 37) return nameCode - 1;
  return 0;
}
}  // namespace

StandIdSet::StandIdSet(std::size_t expected) {
  std::size_t size = 32;
  while (size < 2 * expected) size *= 2;
  keys_.assign(size, 0);
  uses_.assign(size, 0);
}

std::uint8_t& StandIdSet::usesOf(std::uint32_t key) {
  if (2 * (filled_ + 1) > keys_.size()) {
    StandIdSet bigger(keys_.size());
    for (std::size_t i = 0; i < keys_.size(); ++i)
      if (keys_[i] != 0) bigger.usesOf(keys_[i] - 1) = uses_[i];
    *this = std::move(bigger);
  }
  const std::size_t mask = keys_.size() - 1;
  for (std::size_t i = (key * 2654435761U) & mask;; i = (i + 1) & mask) {
    if (keys_[i] == key + 1) return uses_[i];
    if (keys_[i] == 0) {
      keys_[i] = key + 1;
      ++filled_;
      return uses_[i];
    }
  }
}

bool StandIdSet::take(std::uint32_t nameCode, std::uint32_t number, std::string& id) {
  std::uint8_t& uses = usesOf((lf_prefixClass(nameCode) << 12) | (number & 0xFFFU));
  if (uses == 11) return false;
  gf_bglStandId(nameCode, number, id);
  if (uses > 0) id += static_cast<char>('a' + uses - 1);
  ++uses;
  return true;
}

}  // namespace vexo
