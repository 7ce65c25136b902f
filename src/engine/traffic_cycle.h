// The traffic cycle: one call of lf_handleAddingStack per 10 ms tick while a flight runs.
// In one cycle the engine takes the simulator's answers, moves every live aircraft one
// step, hands the cycle's positions to the simulator link, paces the creations and
// removals, takes at most two new reports, sends at most one new aircraft towards the
// simulator, asks at fixed multiples for the aircraft in range and the user aircraft, and
// counts g_trafficTick on. Tick thread.
#pragma once

#include "engine/traffic_engine.h"

namespace vexo {

inline constexpr int g_reportsPerCycle = 2;

// One engine cycle.
void lf_handleAddingStack(TrafficEngine& engine = g_trafficEngine);

// Every 100 cycles (every 20 while a landing is in progress) the aircraft-in-range request;
// every 100 cycles the user position to the traffic source and the user aircraft block
// into g_userAc.
void lf_requestAcInRange(TrafficEngine& engine);

}  // namespace vexo
