// What the rest of the program uses of the liveries subsystem: the scan of the installed
// liveries, the lookup tables built from it and the matching reports. All of it runs on
// the start-up/tick thread.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace vexo {

// The liveries scan (the simulator's and the lfolder folders' aircraft.cfg files) that
// writes output/LiveriesScanned.xml. Errors are thrown as UserErrorException. Start-up
// calls it when SCAN_LIVERIES is on or LiveriesScanned.xml is missing.
void gf_scanLiveries();

// Builds the livery lookup tables from output/LiveriesScanned.xml (once per process; a
// later call only logs that it was done). Start-up thread.
void gf_processScannedLiveries();

// Writes the livery matching summary (step counters, then the refused liveries).
void gf_writeMatchingSummary();

// Logs "\nNo match found for:" and one line per aircraft without any livery match, when
// there is one. Every 1200 work ticks and at closing down.
void gf_logMissingLiveries();

// True when installed liveries exist for that airline key (an airline id, or the id of an
// airline+operator text) and, under it, that model.
bool gf_hasLivery(std::uint16_t airlineKey, std::uint16_t modelId);

// The aircraft without a livery match (their log texts); the tick loop empties it when a
// deeper matching was asked for. Start-up/tick thread only.
extern std::unordered_set<std::string> g_missingLiveries;

// Reserves the livery-matching tables once, when traffic starts.
void gf_reserveLiveryMatchTables();

}  // namespace vexo
