// The add-on airports scan: the scenery folders of the settings afolder0..afolder9 are
// walked for .bgl files holding airports; each such file is read by a worker task (the
// scenery reader), which links the airport to an archived airport file or generates one
// in my_ORBX or my_thirdparty. Every finding goes to output/info/AirportsScanLog.txt.
//
// Threads: the driver runs on the start-up thread. The worker tasks append to the scan log
// (under its mutex) and write link and airport files (one airport's files under that
// airport's write lock). The driver waits until no task runs before it writes the log or
// packs the off-line learning package, so no late task touches either.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "airports/airports_state.h"
#include "airports/bgl_reader.h"
#include "refdata/fixed_code.h"

namespace vexo {


// One line into the scan log. Any thread.
void lf_appendScanLog(std::string line);

// The whole scan ("Scanning for airports ..."); stockScenery is the simulator's own scenery
// folder, into which no afolder may point. Throws UserErrorException 49 (no afolder set)
// and 42 (an afolder inside the stock scenery). Start-up thread.
void gf_scanAirports(const std::filesystem::path& stockScenery);

// The afolder values that are set, in key order; throws 42 for one inside the stock scenery.
std::vector<std::filesystem::path> lf_getAirportFolders(const std::filesystem::path& stockScenery);

// Whether the path lies inside the stock scenery folder (compared without case); false
// when that folder is not known.
bool lf_isUnderStockScenery(const std::filesystem::path& path, const std::filesystem::path& stockScenery);

// Walks one folder and collects its tasks. A folder that cannot be read is reported in the
// scan log and only its own subtree is passed over.
void lf_scanBglFolder(const std::filesystem::path& folder, const std::filesystem::path& stockScenery);

// What the scenery reader's tasks call back (bound to the functions below).
BglScanHooks gf_bglScanHooks();

// The worker task of one scenery file.
void lf_processBGLfile(const std::filesystem::path& path);

// The publisher of a scenery path: "simaddon" for ORBX paths, else the dbase publisher.
std::string gf_publisherFromFileName(const std::filesystem::path& bglPath);

// Relative paths of archived airport files on the update server; none when the dbase does
// not list the airport (logged in the scan log).
std::optional<std::string> lf_findArchivedSimaddon(const IcaoCode& icao);
std::optional<std::string> lf_findArchivedThirdparty(const std::string& publisher, const IcaoCode& icao,
                                                     int& archivedStands);

// True (and a link file written) when an archived airport file covers the airport.
bool lf_linkArchivedAirport(BglAirport& airport, int& archivedStands, const std::filesystem::path& bglPath);

// Writes the airport file of a scanned airport (nothing for one without stands).
void lf_generateAirportFile(BglAirport& airport, int helipads);

}  // namespace vexo
