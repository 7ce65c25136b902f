// First version of the stands for live aircraft: no stand table, so no stand is found,
// marked or named; a created object is tied to its record as it is.
#include <cmath>

#include "engine/engine_hooks.h"
#include "engine/traffic_engine.h"

namespace vexo {

bool lf_onLiveCreated(LiveAc& aircraft, const SimResponse& response, TrafficEngine& /*engine*/) {
  if (response.objectId < 3) return false;
  aircraft.objectid = response.objectId;
  if (std::isfinite(response.value2)) aircraft.aboveGround = response.value2;
  return true;
}

void gf_setStandLiveFlag(std::int32_t /*sid*/, std::uint8_t /*flag*/) {}

std::string gf_nearestStandName(double /*lat*/, double /*lon*/) { return {}; }

void try2Park(LiveAc& /*aircraft*/, bool /*wide*/, TrafficEngine& /*engine*/) {}

}  // namespace vexo
