// Reading the park airport's airport file into the stand table, merging its learned file,
// and the lighter reader that finds the nearest stand of a destination airport.
#pragma once

#include <pugixml.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "airports/airport_file.h"
#include "airports/airports_state.h"
#include "airports/same_flight_index.h"

namespace vexo {

// Loads the park airport from the relative airport-file path (gf_airportFileFor). Empty on
// success, else the reason. UserErrorException 93, 94 (stand list) and 65 (no altitude)
// pass to the caller with g_stands holding what was read so far.
std::string gf_readApf(const std::string& path, ParkAirportHeader& header);

// Reads a learned or handmade file and merges it into g_stands. Never throws: a file that
// could not be read completely is logged and marked so that it is never overwritten.
void lf_readLearned(const std::filesystem::path& learnedPath, ParkAirportHeader& header);

// Merges one parkpos of a learned file into the stand of the same id; false when the ids
// differ. A file older than 11.10.0 (oldFile) gives its run-time changes but no flights.
// lookups and index are kept from stand to stand of one document.
bool lf_mergeLearnedStand(const pugi::xml_node& parkpos, ParkingPosition& stand, bool oldFile, FlightLookups& lookups,
                          SameFlightIndex& index);

// (real, soft), each 0..100; (-1, -1) when no stand has a learned flight.
std::pair<std::int32_t, std::int32_t> gf_qualityFactors(const std::vector<ParkingPosition>& stands);
std::string gf_qualityText(std::pair<std::int32_t, std::int32_t> factors);

// sid := position from 1; then every stand's list of the stands it overlaps:
// radius(A) + radius(B) > 1.1 x their distance.
void gf_numberStands(std::vector<ParkingPosition>& stands);
void gf_findAdjacentStands(std::vector<ParkingPosition>& stands);

// An archived airport file is some ten to a few hundred KB of XML. It is fetched on the
// tick thread when the park airport changes, so a server that trickles gives up long
// before the default half hour.
inline constexpr std::uint64_t g_airportFileMaxBytes = 4ULL * 1024 * 1024;
inline constexpr std::chrono::milliseconds g_airportFileTotalTime = std::chrono::seconds(30);

// Fetches an archived airport file ("archive/...") from the update server within the
// airport-file limits; empty on success, else the failure text (the destination is then
// removed).
std::string lf_downloadAirportFile(const std::string& relativePath, const std::filesystem::path& destination);

// Distance in nm from the position to the nearest stand of the airport's file, that
// stand's id in standName; 100.0 (standName untouched) on any failure.
double gf_readDestApfForClosestStand(const IcaoCode& icao, LatLon position, std::string& standName);

// Puts back the static-parking settings that reading the airport file changed.
void gf_restoreAirportSettings();

// Empties the stand table.
void gf_clearStands();

}  // namespace vexo
