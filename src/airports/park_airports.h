// The park airports: the user's list (airports/my_park_airports.txt and the airport files
// of airports/my_thirdparty), its order by distance, choosing and leaving the park
// airport, reading its file with the reserved stand, and saving its learned file.
//
// Threads: the start-up/tick thread runs all of it; gf_addToMyParkAirports is also called
// by the "SimClient" thread. g_parkAirports is only touched under g_parkAirportsMutex.
#pragma once

#include <string>

#include "airports/airport_writer.h"
#include "airports/static_cycle.h"
#include "foundation/geodesy.h"
#include "refdata/fixed_code.h"

namespace vexo {

struct TrafficEngine;
extern TrafficEngine g_trafficEngine;

// Empties g_parkAirports and reads the file and the folder. False when an unknown airport
// or an invalid line marred or stopped the reading.
bool lf_readMyParkAirports();

// Writes the front entry of g_parkAirports into my_park_airports.txt (sorted, no double
// lines). Any thread.
void gf_addToMyParkAirports();

// Orders the list by distance to the user, nearest first; with DESTINATION set the order
// stays.
void gf_sortParkAirports(LatLon user);

// Puts the airport at the front of the list; a new entry is also written to the file.
void gf_addParkAirport(IcaoCode icao, LatLon position);

// Makes the airport of the airports database the park airport; false when it is unknown.
bool gf_setParkAirport(const IcaoCode& icao);

// Looks for a park airport while there is none: on the ground the airport under the user,
// airborne the front entry within AIRP_RANGE and AIRP_HEIGHT. When one is set its static
// parking calculation is started (announced on the ground when asked); true then.
bool lf_findParkAirport(LatLon user, bool announce);

// Leaves the park airport, removing its aircraft, when it is out of sight, or when another
// list entry in sight is at least as near (airborne only).
void lf_watchParkAirport(LatLon user, TrafficEngine& engine = g_trafficEngine);

// Reads the park airport's file into g_stands and settles the reserved stand; the error
// text, empty on success. A file that cannot be read gives its message, it never throws.
std::string lf_readParkedFile();

// Re-reads the park airports; with checkReserved takes over a reserved stand changed in
// the file. False when the list could not be read; else text tells the outcome.
bool gf_checkParkAirports(bool checkReserved, std::string& text);

// Leaving the park airport (gf_clearParkAirport, lf_leaveParkAirport): static_cycle.h.

// Writes the park airport's learned file where it was read from. A file that was not read
// completely is never replaced.
void gf_saveLearnedFile(const SaveFault& fault = {});

// The reserved stand of the park airport; empty when none. Tick thread.
std::string gf_reservedStandName();

}  // namespace vexo
