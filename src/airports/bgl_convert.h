// Pure conversions of scenery-file values: packed coordinates, the base-38 airport ident,
// altitudes, stand names and the duplicate rule for stand ids.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vexo {

double gf_bglLatitude(std::uint32_t packed);   // degrees, 90 - v * 180 / 2^29
double gf_bglLongitude(std::uint32_t packed);  // degrees, v * 360 / (3 * 2^28) - 180

// Whether a position may be used: latitude within -90..90, longitude within -180..180, and
// not both within 0.0001 of 0 (the null island of unset scenery values).
bool gf_bglPositionUsable(double latitude, double longitude);

// The ident of an airport record as text: the low 5 bits dropped, then base-38 digits
// (2..11 "0".."9", 12..37 "A".."Z"), the first digit taken the last character. None when a
// digit is 0 or 1 or there are more than 10 digits; the empty text for an ident of 0.
std::optional<std::string> lf_decodeIcaoText(std::uint32_t ident);

// Altitude in millimetres to whole feet (halves away from zero); 0 below -20 or above 10000.
std::int32_t gf_bglAltitudeFeet(std::int32_t millimetres);

// The id of a parking spot: the prefix of its name code and the decimal number.
std::string gf_bglStandId(std::uint32_t nameCode, std::uint32_t number);

// The id itself when not yet used, else the id with "a".."j", the first one free; the
// chosen id is marked used. None when all eleven are taken.
std::optional<std::string> lf_uniqueStandId(const std::string& id, std::unordered_set<std::string>& used);

}  // namespace vexo
