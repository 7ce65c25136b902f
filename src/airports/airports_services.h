// What the rest of the program uses of the airports and static parking subsystem: the
// add-on airports scan, the park airports, static parking and the airport files.
//
// Threads: the scan, static parking and the airport files run on the start-up/tick
// thread; the park-airport list is also read and changed by the UI thread (DESTINATION)
// and the "SimClient" thread (the user's stand), under g_parkAirportsMutex.
#pragma once

#include <atomic>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>

#include "foundation/geodesy.h"
#include "foundation/time_text.h"
#include "refdata/fixed_code.h"

namespace vexo {

struct LiveAc;

// The add-on airports scan ("Scanning for airports ...") over the afolder folders.
void gf_scanAirports();

// Reads airports/my_park_airports.txt (park airports, optional reserved stand after a comma).
bool lf_readMyParkAirports();

// Checks the park airports and their reserved stands against the airport files; when it
// returns true, text holds what to show.
bool gf_checkParkAirports(bool reread, std::string& text);

// The static parking driver: once with true when the tick loop starts, then on the
// 16-slot of the work-tick schedule with false.
void gf_staticParkingTick(bool start);

// The parking adjustments of a due recalculation (second half of the two-phase park step).
void gf_adjustStaticParking();

// Removes the park airport's parked aircraft, saves its learned airport file and updates
// the main window (closing down, while static parking is active).
void gf_clearParkAirport();

// Copies the texts of a learned flight of the same airline and day within the week slot's
// window into the aircraft record.
void gf_matchLearnedFlight(WeekSlot slot, LiveAc& aircraft);

// One park airport: most recent first in g_parkAirports.
struct ParkAirportEntry {
  std::string name;          // the airport's text; empty for a new entry
  LatLon position;           // from the airports database
  std::string reservedStand; // empty when none
  IcaoCode icao;             // the airport's id
};

// Puts the airport at the front of g_parkAirports (a new entry, or the existing one moved).
void gf_addParkAirport(IcaoCode icao, LatLon position);

// Writes the front entry of g_parkAirports at the top of my_park_airports.txt.
void gf_addToMyParkAirports();

// Static aircraft that are active or being removed; with computeMean also their mean
// parked time into the main window's static average fit.
std::size_t gf_countStaticAircraft(bool computeMean);

// Distance in nm from position to the nearest stand of the airport, named in standName;
// 100.0 when the airport's file cannot be found or read.
double gf_readDestApfForClosestStand(const IcaoCode& icao, LatLon position, std::string& standName);

extern std::mutex g_parkAirportsMutex;              // guards g_parkAirports
extern std::list<ParkAirportEntry> g_parkAirports;  // most recent first; front = park airport
extern std::atomic<IcaoCode> g_parkAirportId;       // the current park airport; empty when none

extern std::atomic<bool> g_staticParkingActive;  // static parking runs at a park airport
extern std::atomic<bool> g_parkAirportSet;       // a park airport is set

// Whether the static candidate list is empty (read by the park step of the tick loop).
bool gf_staticCandidatesEmpty();
// The park airport's reserved stand; empty when none.
std::string gf_reservedStandName();
// Asks the live-traffic store to recalculate the parking (first half of the park step).
void gf_requestParkRecalculation();

}  // namespace vexo
