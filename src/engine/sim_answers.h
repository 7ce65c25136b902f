// The simulator's answers on the engine's side: object created (with its two seconds of
// settling), removed, creation failed, on-ground reports with the touchdown, and the
// static centre-of-gravity data. Tick thread.
#pragma once

#include <cstdint>

#include "engine/traffic_engine.h"

namespace vexo {

// Drains engine.responses and handles each answer in arrival order, then settles the
// created objects. The cycle's first step, and every tick while no flight runs.
void lf_handleSimResponses(TrafficEngine& engine = g_trafficEngine);

// Counts each created object through its 200 cycles of settling (all lights toggled at 50
// and 100), then makes its record active with its first events.
void lf_handleCreatedObjects(TrafficEngine& engine);

// The simulator confirmed that an object is gone: a livery respawn goes back to buffer,
// any other record is erased (its flight plan file with it).
void gf_removeFlightPlan(std::uint32_t objectid, TrafficEngine& engine);

}  // namespace vexo
