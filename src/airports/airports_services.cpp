// Stand-ins until static parking and the airports scan are built: they do nothing and
// find nothing.
#include "airports/airports_services.h"
#include "airports/static_parking.h"

namespace vexo {

bool gf_staticCandidatesEmpty() { return g_staticCandidates.empty(); }

void gf_staticParkingTick(bool /*start*/) {}
void gf_adjustStaticParking() {}
void gf_requestParkRecalculation() {}

}  // namespace vexo
