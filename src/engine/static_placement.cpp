// First version of the static placement: no candidates, nothing placed.
#include "engine/engine_hooks.h"
#include "engine/traffic_engine.h"

namespace vexo {

bool lf_staticCandidatesWaiting(TrafficEngine& /*engine*/) { return false; }

void lf_detcs(TrafficEngine& /*engine*/) {}

}  // namespace vexo
