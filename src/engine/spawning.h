// Spawning, livery respawn and ghosts: the steps behind lf_spawnDecision, spawnLiveAc and
// lf_checkRespawn (engine_hooks.h) that tests and the stands reach. Tick thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/aircraft.h"
#include "engine/live_report.h"

namespace vexo {

struct TrafficEngine;

// The airline of an aircraft that has none.
inline constexpr std::string_view g_privateAirline = "PVT";

// True when the head position was dropped because of the user aircraft nearby.
bool lf_holdNearUser(LiveAc& aircraft, TrafficEngine& engine);

// A stand found for an aircraft born standing on the ground.
struct StandAtSpawn {
  double lat = 0.0;
  double lon = 0.0;
  double heading = 0.0;  // radians
  std::uint32_t sid = 0;
  std::uint8_t cargo = 0;
};
// The stand of the park airport on which a new aircraft stands; none when there is none
// (a refused stand also drops the record).
std::optional<StandAtSpawn> lf_checkStandAtSpawn(LiveAc& aircraft, TrafficEngine& engine);
// Parks a new aircraft at its stand: FlightState parked, the stream cut to its head on the stand.
void lf_parkAtSpawn(LiveAc& aircraft, const StandAtSpawn& stand, TrafficEngine& engine);

// Removes the live record named callsign + "_" (a ghost) and remembers its callsign.
void lf_checkGhost(const std::string& callsign, TrafficEngine& engine);
// The callsign (ending in "_") without its last character belongs to a record not being removed.
bool lf_ghostOfLive(const std::string& callsign, const TrafficEngine& engine);

// --- livery_respawn.cpp ---
// Removes the aircraft's object to create it again (another livery) where it is now.
void liveryRespawn(LiveAc& aircraft, TrafficEngine& engine);
// The aircraft forgets its livery and is born again at its next spawn.
void lf_forgetLivery(LiveAc& aircraft, TrafficEngine& engine);

}  // namespace vexo
