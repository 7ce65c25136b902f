// The airports subsystem's state: the park airport's stand table and what its airport
// file said, and the park airports. One production instance, g_airportsState; the g_
// names are references into it. gf_resetAirportsState puts it back to a fresh run's
// values (tests, restart).
//
// Threads: everything belongs to the start-up/tick thread except what is marked. The
// park-airport list is also changed by the UI thread (DESTINATION) and the "SimClient"
// thread (the user's stand): every access holds parkAirportsMutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "airports/parking_position.h"
#include "airports/scan_state.h"
#include "engine/stand_names.h"
#include "foundation/geodesy.h"
#include "refdata/airports_db.h"
#include "refdata/fixed_code.h"

namespace vexo {

// What gf_readApf took from the park airport's file.
struct ParkAirportHeader {
  std::string airportName;
  std::string publisher;
  std::int32_t altitude = 0;  // feet
};

// The static-parking settings as they were when the airport file was read; put back when
// the park airport is left.
struct AirportSettingsSnapshot {
  std::int32_t maxLiveSel = 0;
  std::int32_t maxFit = 0;
  std::int32_t parkingPercentage = 0;
  std::int32_t range = 0;
  bool autoRange = false;
  bool initialLoadOnly = false;
  bool parkSoft = false;
  bool week = false;
};

// One park airport chosen by the user.
struct ParkAirportEntry {
  std::string reservedStand;  // id of the stand the user keeps; empty for none
  LatLon position;            // from the airports database
  double distance = 0.0;      // nm from the user at the last ordering
  IcaoCode icao;
};

struct AirportsState {
  // The park airport's stands, sorted by sid once read. Every change of the table is
  // followed by gf_publishStandNames: other threads see only standNames.
  std::vector<ParkingPosition> stands;
  StandNameDirectory standNames;  // any thread
  bool handmadeFile = false;  // the stands come from a handmade learned file
  std::int32_t rtTrafficWeek = 0;
  std::pair<std::int32_t, std::int32_t> qualityFactors{-1, -1};  // real, soft; -1: no learned flight
  AirportSettingsSnapshot snapshot;
  ParkAirportHeader header;
  // The learned file belonging to the park airport's file, worked out once when it is read
  // and used for saving; empty when the file has none.
  std::filesystem::path learnedPath;
  // The learned file exists but was not read completely: it is never overwritten.
  bool learnedFileUnsafe = false;
  // Learned files that could not be written, by path: their text, read in their place at
  // the next visit of this run (the side file of gf_unsavedLearnedPath keeps it for later runs).
  std::map<std::filesystem::path, std::string> unsavedLearning;
  std::atomic<bool> fileLoaded{false};  // the park airport's file was read (any thread)
  bool fileOk = false;                  // the last read gave no error

  AirportData parkAirport;                  // icao empty: no park airport
  std::atomic<IcaoCode> parkAirportId{IcaoCode()};  // copy of parkAirport.icao for other threads
  std::string reservedStand;                // of the current park airport; empty: none
  std::optional<LatLon> lastSortPosition;   // of gf_sortParkAirports

  std::mutex parkAirportsMutex;            // guards parkAirports
  std::list<ParkAirportEntry> parkAirports;  // front: the candidate park airport

  std::atomic<bool> parkAirportSet{false};       // a park airport is set

  AirportsScanState scan;  // the add-on airports scan
};

extern AirportsState g_airportsState;

inline AirportsScanState& g_airportsScan = g_airportsState.scan;

inline std::vector<ParkingPosition>& g_stands = g_airportsState.stands;
inline StandNameDirectory& g_standNames = g_airportsState.standNames;
inline bool& g_handmadeFile = g_airportsState.handmadeFile;
inline std::int32_t& g_rtTrafficWeek = g_airportsState.rtTrafficWeek;
inline std::pair<std::int32_t, std::int32_t>& g_qualityFactors = g_airportsState.qualityFactors;
inline AirportData& g_parkAirport = g_airportsState.parkAirport;
inline std::atomic<IcaoCode>& g_parkAirportId = g_airportsState.parkAirportId;
inline std::string& g_reservedStand = g_airportsState.reservedStand;
inline std::mutex& g_parkAirportsMutex = g_airportsState.parkAirportsMutex;
inline std::list<ParkAirportEntry>& g_parkAirports = g_airportsState.parkAirports;
inline std::atomic<bool>& g_parkAirportSet = g_airportsState.parkAirportSet;

// Hands the stand table's ids and positions to the name lookups of every thread (and
// forgets their cached answer). Tick thread, after every change of g_stands.
void gf_publishStandNames();

// Back to a fresh run: no stands, no park airport, an empty list.
void gf_resetAirportsState();

// The stand with that sid (the table is sorted by sid); null when none.
ParkingPosition* gf_standBySid(std::uint32_t sid);

}  // namespace vexo
