// Stand-ins until static parking and the airports scan are built: they do nothing and
// find nothing.
#include "airports/airports_services.h"

namespace vexo {

void gf_staticParkingTick(bool /*start*/) {}
void gf_adjustStaticParking() {}
void gf_matchLearnedFlight(WeekSlot /*slot*/, LiveAc& /*aircraft*/) {}
std::size_t gf_countStaticAircraft(bool /*computeMean*/) { return 0; }
bool gf_staticCandidatesEmpty() { return true; }
void gf_requestParkRecalculation() {}

}  // namespace vexo
