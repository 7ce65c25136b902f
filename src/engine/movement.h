// The movement of live aircraft along their reported positions, as one call graph over
// four files (all on the tick thread):
//
//   position_stream.cpp     updateLiveAc (engine_hooks.h) -> nextPosMain -> lf_groundStep,
//                           lf_advanceStream -> lf_extendStream; the re-timing windows
//   situation_updates.cpp   decodeExisting (engine_hooks.h); lf_startTakeOffRoll
//   air_movement.cpp        lf_flyCurve (every cycle), lf_airStep (on reaching a position
//                           in the air), lf_initAttitude (spawn), gf_removeIfUserBehind
//   ground_movement.cpp     nextPosGround, lf_timeNextAir, lf_groundRollStep (on reaching a
//                           position), lf_arriveAtStand (a parking aircraft ran out of
//                           positions), drive2Stand (the stand search)
//
// "d", the cycles left until the next position (stream[1]) is due, is lf_cyclesToNext.
#pragma once

#include <cstdint>

#include "engine/aircraft.h"

namespace vexo {

struct TrafficEngine;

// --- position_stream.cpp ---

// The bearing and length of the leg between two stream positions of the aircraft (the
// values of gf_initialBearing and gf_greatCircleNm), each measured once per leg and only
// when asked for; gf_measureLeg gives both.
double gf_legBearing(const LiveAc& aircraft, const StreamPos& from, const StreamPos& to);
double gf_legNm(const LiveAc& aircraft, const StreamPos& from, const StreamPos& to);
const MeasuredLeg& gf_measureLeg(const LiveAc& aircraft, const StreamPos& from, const StreamPos& to);

// The step taken when the front position falls due.
void nextPosMain(LiveAc& aircraft, TrafficEngine& engine);
// Fewer than two positions left: extend or hold; false when the aircraft is to go.
bool lf_advanceStream(LiveAc& aircraft, TrafficEngine& engine);
// Appends one dead-reckoned position and sets stepsLeft to steps.
void lf_extendStream(LiveAc& aircraft, std::int32_t steps, TrafficEngine& engine);
// The per-cycle steps toward the next position; removes the front.
void lf_groundStep(LiveAc& aircraft, TrafficEngine& engine);
// Re-times the next position to cycles from now, within the windows.
void lf_setNextDue(LiveAc& aircraft, std::int32_t cycles, const TrafficEngine& engine);
// max(next dueTick - now, 25); 25 with fewer than two positions.
std::int32_t lf_cyclesToNext(const LiveAc& aircraft, const TrafficEngine& engine);
// The re-timing windows: shrink toward 1000 by 100; open to 3000 (late 5000 in a take-off roll).
void lf_shrinkWindows(LiveAc& aircraft);
void lf_openWindows(LiveAc& aircraft);
// A travel time in cycles, rounded. A time that is not finite or does not fit 32 bits
// raises std::range_error naming the caller: it is checked before any conversion.
std::int32_t lf_roundTicks(double cycles, const char* caller);

// --- situation_updates.cpp ---

// Starts a take-off roll (throttle 0, spoilers off, flaps 1, take-off lights).
void lf_startTakeOffRoll(LiveAc& aircraft, TrafficEngine& engine);

// --- air_movement.cpp ---

// One cycle of movement, every flight state.
void lf_flyCurve(LiveAc& aircraft, TrafficEngine& engine);
// Climb, pitch, heading, bank and configuration toward the next position in the air.
void lf_airStep(LiveAc& aircraft, TrafficEngine& engine);
// First position and attitude of a new aircraft, from its front position.
void lf_initAttitude(LiveAc& aircraft, TrafficEngine& engine);
// Removes the aircraft when the user aircraft is close behind it (index 0 tight, 1 wide);
// true when removed.
bool gf_removeIfUserBehind(LiveAc& aircraft, int index, TrafficEngine& engine);
// Speed of the leg to the next position, knots (at least 1 when both stand).
double lf_legSpeed(const LiveAc& aircraft);
// Begins the take-off rotation.
void lf_startTakeOff(LiveAc& aircraft, TrafficEngine& engine);

// --- ground_movement.cpp ---

// The step of an aircraft on the ground on reaching a position, by FlightState.
void nextPosGround(LiveAc& aircraft, TrafficEngine& engine);
// The timing of the next position in the air.
void lf_timeNextAir(LiveAc& aircraft, TrafficEngine& engine);
// Throttle, flaps and spoilers on the ground; detects the take-off.
void lf_groundRollStep(LiveAc& aircraft, TrafficEngine& engine);
// Parks a parking aircraft that ran out of positions at its stand.
void lf_arriveAtStand(LiveAc& aircraft, TrafficEngine& engine);
// Appends the drive onto a stand (position in degrees, heading in radians).
void drive2Stand(LiveAc& aircraft, double standLat, double standLon, double standHeading, TrafficEngine& engine);

}  // namespace vexo
