// Stand-ins until the traffic engine is built: they do nothing and find nothing.
#include "engine/engine_services.h"

namespace vexo {

TrafficTables g_trafficTables;
EngineUserAc g_engineUserAc;

void gf_reserveTrafficTables() {}
void lf_handleAddingStack() {}
void lf_handleSimResponses() {}
void gf_removeStaticTwins() {}
void gf_removeStaticTwinsOf(const LiveAc& /*aircraft*/) {}
void gf_removeAcAtStand(std::string_view /*standName*/) {}
void gf_removeAllStatic() {}
void gf_fillCallsignList() {}
void gf_resetCallsignList() {}
void gf_checkCollisionUserGnd() {}
void gf_checkCollisionUserAir() {}
void gf_checkCollisionLiveParkedGnd() {}
void removeAircraftFromSim(LiveAc& /*aircraft*/) {}
void gf_resetTraffic() {}
void gf_removeFarthestLiveAc(double /*distanceNm*/) {}
std::size_t gf_countLiveParked(bool /*computeMean*/) { return 0; }
bool gf_withdrawAddRequest(std::deque<AiCreateAction>& /*queue*/, std::string_view /*callsign*/) { return false; }
std::string gf_nearestStandName(double /*lat*/, double /*lon*/) { return {}; }
void lf_requestAcInRange() {}
void updateLiveAc(LiveAc& /*aircraft*/) {}
void lf_paceSimQueues() {}
void gf_setGear(std::uint32_t /*objectId*/, std::uint32_t /*value*/) {}
void gf_setFlaps(std::uint32_t /*objectId*/, std::uint32_t /*value*/) {}
void gf_setSpoilers(std::uint32_t /*objectId*/, std::uint32_t /*value*/) {}
void gf_setThrottle(std::uint32_t /*objectId*/, std::uint32_t /*value*/) {}
void lf_requestStaticCG(std::uint32_t /*objectId*/) {}
void gf_removeFlightPlan(std::uint32_t /*objectId*/) {}

}  // namespace vexo
