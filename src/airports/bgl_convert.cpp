#include "airports/bgl_convert.h"

#include <array>
#include <cmath>

namespace vexo {

double gf_bglLatitude(std::uint32_t packed) { return 90.0 - static_cast<double>(packed) * 3.3527612686157227e-07; }

double gf_bglLongitude(std::uint32_t packed) { return static_cast<double>(packed) * 4.470348358154297e-07 - 180.0; }

bool gf_bglPositionUsable(double latitude, double longitude) {
  if (!(latitude >= -90.0 && latitude <= 90.0) || !(longitude >= -180.0 && longitude <= 180.0)) return false;
  return !(std::fabs(latitude) < 0.0001 && std::fabs(longitude) < 0.0001);
}

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

std::string gf_bglStandId(std::uint32_t nameCode, std::uint32_t number) {
  static constexpr std::array<std::string_view, 11> prefixes{"", "r", "p", "np", "ep", "sep", "sp", "swp", "wp", "nwp", "g"};
  std::string id;
  if (nameCode < prefixes.size()) {
    id = prefixes[nameCode];
  } else if (nameCode >= 12 && nameCode <= 37) {
    id = static_cast<char>('A' + nameCode - 12);
  }
  return id + std::to_string(number);
}

std::optional<std::string> lf_uniqueStandId(const std::string& id, std::unordered_set<std::string>& used) {
  if (used.insert(id).second) return id;
  for (char suffix = 'a'; suffix <= 'j'; ++suffix) {
    std::string candidate = id + suffix;
    if (used.insert(candidate).second) return candidate;
  }
  return std::nullopt;
}

}  // namespace vexo
