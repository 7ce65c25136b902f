// The closest airport of the production table, with the stand check of the airports
// subsystem. Inline so that the reference data do not link the airports subsystem: the
// callers of this header link it.
#pragma once

#include "airports/airports_services.h"
#include "refdata/airports_db.h"

namespace vexo {

// The airport within 5.0 nm of the position (or its neighbour, when a stand of the
// neighbour is nearer); null when none.
inline const AirportData* gf_closestAirport(LatLon position) {
  return g_airportsDb.closestAirport(position, gf_readDestApfForClosestStand);
}

}  // namespace vexo
