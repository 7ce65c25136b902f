// First version of the parking limits, static removal and collisions: nothing is
// removed and no parked live aircraft is counted.
#include "engine/engine_services.h"
#include "engine/ground_movement.h"

namespace vexo {

void gf_removeStaticTwins(TrafficEngine& /*engine*/) {}
void gf_removeStaticTwinsOf(const LiveAc& /*aircraft*/, TrafficEngine& /*engine*/) {}
void gf_removeAcAtStand(std::string_view /*standName*/, TrafficEngine& /*engine*/) {}
void gf_removeAllStatic(TrafficEngine& /*engine*/) {}
void gf_fillCallsignList(TrafficEngine& /*engine*/) {}
void gf_resetCallsignList() {}
void gf_checkCollisionUserGnd(TrafficEngine& /*engine*/) {}
void gf_checkCollisionUserAir(TrafficEngine& /*engine*/) {}
void gf_checkCollisionLiveParkedGnd(TrafficEngine& /*engine*/) {}
std::size_t gf_countLiveParked(bool /*computeMean*/, TrafficEngine& /*engine*/) { return 0; }
void lf_checkMaxPark(TrafficEngine& /*engine*/) {}

}  // namespace vexo
