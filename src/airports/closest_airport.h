// The closest airport of the production table (reference data), with the stand check of
// this subsystem: the table takes the check as a function, so the reference data never
// reach up to the airport files.
#pragma once

#include "airports/airport_reader.h"
#include "refdata/airports_db.h"

namespace vexo {

// The airport within 5.0 nm of the position (or its neighbour, when a stand of the
// neighbour is nearer); null when none.
inline const AirportData* gf_closestAirport(LatLon position) {
  return g_airportsDb.closestAirport(position, gf_readDestApfForClosestStand);
}

}  // namespace vexo
