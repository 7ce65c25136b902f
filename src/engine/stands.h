// Stands of the park airport for live aircraft, and the limits on parked aircraft: the
// steps that spawning, movement and static parking call besides the seams of
// engine_hooks.h and engine_services.h. All of them run on the tick thread and work on
// the park airport's stand table (g_stands).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/aircraft.h"
#include "foundation/geodesy.h"

namespace vexo {

struct TrafficEngine;
struct ParkingPosition;

// --- live_stands.cpp ---

// The stand for the aircraft at the position: the nearest that fits within radius (nm),
// else (wide) a fitting stand within 85 m where it was learned; none for a helicopter
// off a helipad and for an aircraft that is no helicopter on one. A stand too small but
// within 20 m is taken and enlarged to the aircraft.
ParkingPosition* lf_findStandFor(LatLon position, const LiveAc& aircraft, double radiusNm, bool wide);
// Sets the stand's used flag and the blocked flag of its adjacent stands.
void gf_markStandAndNeighbours(ParkingPosition& stand);
// May a new aircraft with this callsign take the stand? Removes the aircraft there when
// the newcomer replaces it.
bool lf_freeStandForSpawn(std::uint32_t sid, std::string_view callsign, TrafficEngine& engine);
// No live aircraft parked on the adjacent stand collides with the aircraft on the stand.
bool lf_adjacentStandClear(std::uint32_t adjacentSid, const LiveAc& aircraft, const ParkingPosition& stand,
                           TrafficEngine& engine);
// Removes a live aircraft parked on the adjacent stand that would collide.
void lf_removeAdjacentLiveParked(std::uint32_t adjacentSid, const LiveAc& aircraft, const ParkingPosition& stand,
                                 TrafficEngine& engine);
// Static aircraft on the stand, and colliding ones on its adjacent stands, make way.
void lf_makeWayForLive(const LiveAc& aircraft, const ParkingPosition& stand, TrafficEngine& engine);
// Removes one colliding static aircraft on the adjacent stand.
void lf_clearExcludedStand(const LiveAc& aircraft, std::uint32_t adjacentSid, const ParkingPosition& stand,
                           TrafficEngine& engine);
// The stand bookkeeping of an aircraft created on the ground.
void lf_onGroundAtCreation(LiveAc& aircraft, TrafficEngine& engine);
// Writes the aircraft's AI flight plan and gives it to its object.
void lf_giveFlightPlan(LiveAc& aircraft, TrafficEngine& engine);

// --- parking_limits.cpp ---

// Rebuilds g_liveParked (the caller empties it) and removes live aircraft parked
// past their limit; sorted by minutes, fewest first.
void gf_collectLiveParked(TrafficEngine& engine);
// The parked count against the wanted count; extra 1 for an aircraft spawned parked.
void lf_checkMaxPark(std::uint8_t extra, TrafficEngine& engine);
// Removes the count longest-parked live aircraft.
void gf_removeLiveParked(std::uint64_t count, TrafficEngine& engine);
// (hexid, seconds parked) of the parked live aircraft, longest first.
void lf_listLiveParkedBySeconds(std::vector<std::pair<std::uint32_t, std::uint64_t>>& out, TrafficEngine& engine);
// One static aircraft too close to the moving live aircraft is removed.
void lf_removeStaticInTheWay(LiveAc& aircraft, TrafficEngine& engine);

}  // namespace vexo
