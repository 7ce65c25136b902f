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

#include "airports/airport_reader.h"
#include "airports/airports_scan.h"
#include "airports/airports_state.h"
#include "airports/park_airports.h"
#include "airports/static_cycle.h"
#include "airports/static_parking.h"
#include "foundation/geodesy.h"
#include "foundation/time_text.h"
#include "refdata/fixed_code.h"

namespace vexo {

// The static parking cycle (gf_staticParkingTick, gf_adjustStaticParking,
// gf_clearParkAirport): static_cycle.h; gf_matchLearnedFlight and gf_countStaticAircraft:
// static_parking.h.

}  // namespace vexo
