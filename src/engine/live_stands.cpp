// First version of the stands for live aircraft: no stand table, so no stand is found,
// marked or named; a created object is tied to its record as it is.
#include <cmath>

#include "engine/engine_hooks.h"
#include "engine/ground_movement.h"
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

bool gf_parkStandsReady() { return false; }
std::optional<double> gf_standRadiusNm(std::uint32_t /*sid*/) { return std::nullopt; }
bool gf_standHasLive(std::uint32_t /*sid*/) { return false; }
void lf_confirmStandChange(LiveAc& /*aircraft*/, TrafficEngine& /*engine*/) {}
// The learned flights are filled in here until they have a file of their own.
void lf_addRealStandOption(std::uint32_t /*sid*/, LiveAc& /*aircraft*/, int /*kind*/, TrafficEngine& /*engine*/) {}

}  // namespace vexo
