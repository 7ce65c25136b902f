// AI flight plans: one minimal AceXML .pln file per AI aircraft, named by the id it is given (the
// engine gives the aircraft's hexid, which outlives a livery respawn's new object id),
// in the folder "orig_dest" of the per-user folder. The folder is made at every start-up
// and removed with its files at every closing down, so no plan outlives a run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "refdata/ac_codes.h"
#include "refdata/fixed_code.h"
#include "simlink/sim_link_state.h"

namespace vexo {

struct AcData;

// The simulator's flight-plan path field holds 259 characters and its terminator.
inline constexpr std::size_t g_maxFlightPlanPathLength = 259;

// Makes the folder (logging a failure); true when it exists now. Start-up thread.
bool gf_createFlightPlanFolder(SimLink& link = g_simLink);

// Removes the folder and every plan in it (logging a failure). Start-up thread, when a
// run closes down. Throws std::filesystem::filesystem_error when the folder's state
// cannot be queried afterwards.
void gf_removeFlightPlanFolder(SimLink& link = g_simLink);

// The folder / "<objectId>.pln".
std::filesystem::path gf_flightPlanPath(std::uint32_t objectId, const SimLink& link = g_simLink);

// The text of a plan: IFR for business jets, large and heavy aircraft, VFR for the rest;
// an unset airport code is written as three blanks.
std::string gf_flightPlanText(AcCategory category, const IataCode& origin, const IataCode& destination);

// Writes the plan (replacing an older file); true when the file could be written. A path
// too long for the simulator's field gives false (and a warning) without a file, so the
// aircraft goes on with an empty path instead of failing its request.
bool gf_writeFlightPlan(const std::filesystem::path& path, AcCategory category, const IataCode& origin,
                        const IataCode& destination);
// The same for an aircraft record: its category, origin and destination.
bool gf_writeFlightPlan(const std::filesystem::path& path, const AcData& aircraft);

}  // namespace vexo
