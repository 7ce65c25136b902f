// Questions asked of the dbase tables once they are read: registrations, known codes,
// wingspans, interchangeable codes, publishers, and the similar models with liveries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/ac_codes.h"
#include "refdata/fixed_code.h"

namespace vexo {

// The spellings to try for a registration, in order: "DABCD" gives DA-BCD, D-ABCD, DABCD.
std::vector<std::string> gf_registrationVariants(std::string_view registration);

// The codes of a registration, trying its spellings (case-sensitive); none when unknown.
std::optional<AcCodes> gf_dbaseLookup(std::string_view registration);

// The first dbase registration shorter than 6 characters that occurs inside the text.
std::optional<std::string> gf_shortRegInText(std::string_view text);

bool gf_isKnownModel(std::string_view modelCode);
bool gf_isKnownAirline(std::string_view airlineCode);

// Half wingspan in nautical miles; 0.0 for a model without a known wingspan. Any thread.
double gf_halfWingspan(std::uint16_t modelId);

// The codes that can stand in for a code (its prefixes group); an empty list when none. With
// RANDOM on, the stored list is shuffled in place first. Called by the livery matching only.
const std::vector<std::string>& gf_prefixAlternatives(std::string_view code);

// Whether the path's text holds the name, ignoring the case of ASCII letters; true for "".
bool gf_pathContainsNoCase(const std::filesystem::path& path, std::string_view name);

// The publisher (first name of its group) whose name occurs in a scenery path.
std::optional<std::string> gf_publisherOfPath(const std::filesystem::path& path);

// When text begins with the code, reads the decimal number after it into value (a warning
// and an unchanged value when there is none) and returns true; false otherwise.
bool gf_parseCodeNumber(std::string_view label, const IcaoCode& code, std::string_view text, int& value);

// What the livery tables tell the similar-model maps: whether a model has any installed
// livery (passenger or cargo), the airlines with installed liveries, and whether an
// airline has a livery of a model.
struct LiveryPresence {
  std::function<bool(std::uint16_t modelId)> modelHasLivery;
  std::vector<std::uint16_t> airlinesWithLiveries;
  std::function<bool(std::uint16_t airlineId, std::uint16_t modelId)> hasLivery;
};

// Builds the two similar-model maps of the dbase tables once the liveries are known;
// called on the start-up thread by the livery processing.
void gf_buildSimilarModels(const LiveryPresence& liveries);

}  // namespace vexo
