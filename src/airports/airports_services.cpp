// Stand-ins until the airports and static parking subsystem is built: they do nothing and
// find nothing.
#include "airports/airports_services.h"

namespace vexo {

std::mutex g_parkAirportsMutex;
std::list<ParkAirportEntry> g_parkAirports;
std::atomic<IcaoCode> g_parkAirportId{IcaoCode()};
std::atomic<bool> g_staticParkingActive{false};
std::atomic<bool> g_parkAirportSet{false};

void gf_scanAirports() {}
bool lf_readMyParkAirports() { return false; }
bool gf_checkParkAirports(bool /*reread*/, std::string& /*text*/) { return false; }
void gf_staticParkingTick(bool /*start*/) {}
void gf_adjustStaticParking() {}
void gf_clearParkAirport() {}
void gf_matchLearnedFlight(WeekSlot /*slot*/, LiveAc& /*aircraft*/) {}
void gf_addParkAirport(IcaoCode /*icao*/, LatLon /*position*/) {}
void gf_addToMyParkAirports() {}
std::size_t gf_countStaticAircraft(bool /*computeMean*/) { return 0; }
double gf_readDestApfForClosestStand(const IcaoCode& /*icao*/, LatLon /*position*/, std::string& /*standName*/) {
  return 100.0;  // not found
}
bool gf_staticCandidatesEmpty() { return true; }
std::string gf_reservedStandName() { return {}; }
void gf_requestParkRecalculation() {}

}  // namespace vexo
