// The airports database: every airport the program knows, read once from airports.enc.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include <pugixml.hpp>

#include "foundation/geodesy.h"
#include "refdata/fixed_code.h"

namespace vexo {

// The IATA code of an airport that has none.
inline constexpr IataCode g_noIataCode{"XXX"};

struct AirportData {
  IcaoCode icao;                 // never empty in the table
  IataCode iata = g_noIataCode;  // "XXX" when the file gives none
  double latitude = 0.0;           // degrees
  double longitude = 0.0;          // degrees
  float altitude = 0.0F;           // feet
  std::int32_t stands = 0;

  LatLon latLon() const { return LatLon{latitude, longitude}; }
};

// The nearest stand of an airport to a position: distance in nm (100.0 when unknown), the
// stand's name written to the out parameter.
using ClosestStandLookup = std::function<double(const IcaoCode&, LatLon, std::string&)>;

// Written only by the start-up thread while it reads the data files, before the traffic
// threads start; read-only and read without locks afterwards.
struct AirportsDb {
  std::vector<AirportData> airports;     // sorted by ICAO code once read
  std::unordered_set<IcaoCode> icaoSet;  // every ICAO code of the table
  bool loaded = false;

  // Reads the table once: decrypts encPath into xmlPath, parses it and removes xmlPath on
  // every path. Later calls answer the first call's result. Throws UserErrorException 88
  // when the file cannot be loaded, lacks <airports> or holds an invalid ICAO code.
  bool read(const std::filesystem::path& encPath, const std::filesystem::path& xmlPath);

  // Steps of the read on a loaded document (also what the fuzz target drives): appends the
  // airports, sorts them and builds the search index. Throws on a missing <airports> or an
  // invalid ICAO code.
  void readDocument(const pugi::xml_document& document, const std::string& pathText);

  bool isKnown(const IcaoCode& icao) const { return icaoSet.contains(icao); }

  // The airport within 5.0 nm of the position, with the stand check against the neighbour
  // that it replaced; null when none.
  const AirportData* closestAirport(LatLon position, const ClosestStandLookup& closestStand) const;

  // Sorts the table by ICAO code and rebuilds the latitude index that the closest-airport
  // search uses.
  void sortAndIndex();

private:
  // Positions in the table, ordered by latitude, and their latitudes: the closest-airport
  // search looks only at the band of latitudes that can lie within 5 nm.
  std::vector<std::uint32_t> byLatitude_;
  std::vector<double> sortedLatitudes_;
};

extern AirportsDb g_airportsDb;

// The production table: read from input/airports.enc (through input/airports.xml) once per
// program run; whether the table holds at least one airport.
bool gf_readAirports();

// Whether the ICAO code is an airport of the production table (one hash lookup).
bool gf_isKnownAirport(const IcaoCode& icao);

// Reads one "ap" element into the table (skipping it, with a log line, when it is unusable).
void lf_readAirport(AirportsDb& db, const pugi::xml_node& ap, const IcaoCode& icao);

// The airport as shown in messages: "EDDF (FRA)", or "EDDF" without IATA code.
std::string gf_airportText(const AirportData& airport);

}  // namespace vexo
