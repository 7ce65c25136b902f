#include "engine/aircraft_texts.h"

#include <fmt/format.h>

#include <array>
#include <cctype>
#include <stdexcept>
#include <utility>

#include "refdata/codes.h"

namespace vexo {

namespace {

template <class Enum, std::size_t N>
std::string_view lf_nameOf(const std::array<std::string_view, N>& names, Enum value) {
  const auto index = static_cast<std::size_t>(value);
  if (index >= N) throw std::out_of_range("invalid unordered_map<K, T> key");
  return names[index];
}

std::string_view lf_airline(std::uint16_t id) { return g_airlinePool.text(id).value_or(""); }

}  // namespace

std::string_view gf_categoryName(AcCategory category) {
  static constexpr std::array<std::string_view, 6> names{"Light", "Buzjets", "Large", "Heavy", "HighPerf",
                                                         "Rotorcraft"};
  return lf_nameOf(names, category);
}

std::string_view gf_flightStateName(FlightState state) {
  static constexpr std::array<std::string_view, 8> names{"pushing_back", "pushed_back", "taxi",   "take_off",
                                                         "flying",       "parking",     "parked", "birth"};
  return lf_nameOf(names, state);
}

std::string_view gf_simStateName(SimState state) {
  static constexpr std::array<std::string_view, 5> names{"buffer", "adding2sim", "active", "liveryrespawn",
                                                         "removingfromsim"};
  return lf_nameOf(names, state);
}

std::string gf_acLabel(const AcIdent& ident) {
  const AcCodes& c = ident.codes;
  const std::string withOperator = c.operatorId != 0 ? fmt::format(",{}", lf_airline(c.operatorId)) : std::string();
  return fmt::format("{:3}{:4} {:4}{}{:3}", lf_airline(c.airlineId), withOperator,
                     g_modelPool.text(c.modelId).value_or(""), c.marker != 0 ? "." : " ", c.cargo != 0 ? "(C)" : "");
}

std::string gf_routeText(const IataCode& origin, const IataCode& destination) {
  if (origin.empty() && destination.empty()) return std::string(8, ' ');
  return fmt::format("{:3}->{:3}", origin, destination);
}

std::string gf_callsignText(const AcIdent& ident) { return fmt::format("{:8}", ident.callsign); }

std::string gf_acIdText(const AcIdent& ident) {
  return fmt::format("{} {:12} {}", gf_callsignText(ident), ident.registration,
                     gf_routeText(ident.origin, ident.destination));
}

std::string gf_acLogText(const AcIdent& ident) { return fmt::format("{} {}", gf_acIdText(ident), gf_acLabel(ident)); }

std::string gf_acShortText(const AcIdent& ident) {
  return fmt::format("{} {} {}", gf_callsignText(ident), ident.registration, gf_acLabel(ident));
}

std::string gf_acLabelReg(const AcIdent& ident) { return gf_acLabel(ident) + " " + ident.registration; }

bool gf_isValidCallsign(const AcIdent& ident) {
  const std::string& cs = ident.callsign;
  return !cs.empty() && cs != "@@@@@@@@" && cs.size() <= 8;
}

std::optional<std::string> gf_callsignAirlinePrefix(std::string_view callsign) {
  const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  if (callsign.size() < 4 || !letter(callsign[0]) || !letter(callsign[1]) || !letter(callsign[2]) ||
      std::isdigit(static_cast<unsigned char>(callsign[3])) == 0)
    return std::nullopt;
  std::string prefix(callsign.substr(0, 3));
  for (char& c : prefix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return prefix;
}

std::string gf_standName(std::int64_t sid) {
  if (sid == 0) return "sid==0?";
  if (sid > 0 && sid <= UINT32_MAX && g_standNameOf != nullptr) {
    if (auto name = g_standNameOf(static_cast<std::uint32_t>(sid))) return std::move(*name);
  }
  return "sid==?";
}

}  // namespace vexo
