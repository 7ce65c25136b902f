// First version of the situation updates: a further report of a known aircraft is
// appended to its stream. The checks by FlightState replace this.
#include "engine/engine_hooks.h"
#include "engine/traffic_engine.h"

namespace vexo {

void decodeExisting(LiveAc& aircraft, const StreamPos& pos, TrafficEngine& /*engine*/) {
  aircraft.stream.push_back(pos);
}

}  // namespace vexo
