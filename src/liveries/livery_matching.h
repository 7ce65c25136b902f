// Livery matching: the title of an installed livery for every aircraft that the program
// puts into the simulator, from the most specific step (this very aircraft's
// registration) to the most general (any livery of a model of its category), limited by
// MATCHING_DEPTH and drawn at random only with RANDOM on. It reads the livery index and
// the similar-model and prefix tables of the reference data. Start-up/tick thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/aircraft.h"
#include "simlink/sim_link_state.h"

namespace vexo {

struct ParkingPosition;

using RefusedTitles = std::unordered_set<std::string>;

// A live aircraft: sets liveryTitle (left empty when nothing matched) and reverseThrust,
// and counts the step that found the title. Titles in refused are never taken.
void gf_matchLivery(AcData& aircraft, const RefusedTitles& refused = g_refusedLiveryTitles);

// A static aircraft at a stand: the same chain, nothing counted, each outcome logged.
// True when the aircraft has a title.
bool gf_matchStaticLivery(StaticAc& aircraft, const ParkingPosition& stand,
                          const RefusedTitles& refused = g_refusedLiveryTitles);

// The national prefix of a registration: up to and including the first "-" when that is
// not the first character, else the first character; empty for an empty registration.
std::string_view lf_registrationPrefix(std::string_view registration);

// The word that the titles of an airline's liveries contain; empty when the code has none.
std::string_view lf_airlineWord(std::string_view airlineCode);

}  // namespace vexo
