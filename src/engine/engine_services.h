// What the rest of the program uses of the traffic engine: its state and cycle, the
// requests to the simulator, and the once-a-second duties of the parking limits and
// collisions. The engine runs on the start-up/tick thread; see traffic_engine.h for what
// other threads may touch.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/aircraft.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/sim_answers.h"
#include "engine/sim_requests.h"
#include "engine/traffic_cycle.h"
#include "engine/traffic_engine.h"

namespace vexo {

// --- parking_limits.cpp (parking limits, static removal and collisions) ---

// Remove active static aircraft that duplicate an active live aircraft on the ground
// (all of them, or those of one live aircraft).
void gf_removeStaticTwins(TrafficEngine& engine = g_trafficEngine);
void gf_removeStaticTwinsOf(const LiveAc& aircraft, TrafficEngine& engine = g_trafficEngine);

// Removes the active static aircraft on the named stand of the park airport, else the
// active parked live aircraft on it.
void gf_removeAcAtStand(std::string_view standName, TrafficEngine& engine = g_trafficEngine);

// Removes every static aircraft.
void gf_removeAllStatic(TrafficEngine& engine = g_trafficEngine);

// Rebuilds the callsign list (g_settings.callsignChoices) from the active live aircraft
// that are not parked; 1 when it is not empty. Tick thread.
std::uint32_t gf_fillCallsignList(TrafficEngine& engine = g_trafficEngine);
// Empties the callsign list to one empty entry and disables its controls.
void gf_resetCallsignList();

// The collision checks; each removes the live aircraft in the way.
void gf_checkCollisionUserGnd(TrafficEngine& engine = g_trafficEngine);
void gf_checkCollisionUserAir(TrafficEngine& engine = g_trafficEngine);
void gf_checkCollisionLiveParkedGnd(TrafficEngine& engine = g_trafficEngine);

// Active parked live aircraft; with computeMean also their mean parked time.
std::size_t gf_countLiveParked(bool computeMean, TrafficEngine& engine = g_trafficEngine);

}  // namespace vexo
