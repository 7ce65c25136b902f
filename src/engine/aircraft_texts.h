// The names of the engine's enumerations and the short texts with which every log line of
// the engine names an aircraft.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/aircraft.h"

namespace vexo {

// Each throws std::out_of_range ("invalid unordered_map<K, T> key") for a value outside
// its table.
std::string_view gf_categoryName(AcCategory category);
std::string_view gf_flightStateName(FlightState state);
std::string_view gf_simStateName(SimState state);

// Airline (",operator" when there is one), model, "." for dbase codes, "(C)" for cargo:
// "{:3}{:4} {:4}{}{:3}".
std::string gf_acLabel(const AcIdent& ident);
// "{:3}->{:3}"; eight blanks when neither code is known.
std::string gf_routeText(const IataCode& origin, const IataCode& destination);
std::string gf_callsignText(const AcIdent& ident);  // "{:8}"
std::string gf_acIdText(const AcIdent& ident);      // callsign, registration in 12, route
std::string gf_acLogText(const AcIdent& ident);     // id text, label
std::string gf_acShortText(const AcIdent& ident);   // callsign, registration, label
std::string gf_acLabelReg(const AcIdent& ident);    // label, registration

// Not empty, not "@@@@@@@@", at most 8 characters.
bool gf_isValidCallsign(const AcIdent& ident);
// The first three characters upper-cased when they are letters followed by a digit.
std::optional<std::string> gf_callsignAirlinePrefix(std::string_view callsign);

// The name of a stand of the park airport: "sid==0?" for 0, "sid==?" when unknown or
// negative. The names come from g_standNameOf.
std::string gf_standName(std::int64_t sid);

// The park airport's stand table, searched by id (its owner sets this; until then no
// stand is known). Start-up/tick thread.
using StandNameLookup = std::optional<std::string> (*)(std::uint32_t sid);
inline StandNameLookup g_standNameOf = nullptr;

}  // namespace vexo
