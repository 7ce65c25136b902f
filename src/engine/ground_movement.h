// The pieces of the ground movement that the tests and the stands reach directly (the
// steps the stream calls are in movement.h), and what the ground movement asks of the
// stands, the learned flights and the parking limits. Tick thread.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/aircraft.h"

namespace vexo {

struct TrafficEngine;

// Timing of the next position on the ground, with the turn-rate adaptation.
void lf_timeNextGround(LiveAc& aircraft, TrafficEngine& engine);
// Leaving a stand: backwards with a turn decided halfway, or forwards by one wingspan.
void lf_startPushBack(LiveAc& aircraft, TrafficEngine& engine);
void lf_startPullOut(LiveAc& aircraft, TrafficEngine& engine);
// The push-back's path from a stand of that radius (nm); lf_startPushBack looks it up.
void lf_pushBackFrom(LiveAc& aircraft, double standRadiusNm, TrafficEngine& engine);
// The curve from the aircraft through the next position to the one after it.
void lf_setUpCurve(LiveAc& aircraft);
// The midpoint of the front and the next position, inserted after the front.
void lf_insertMidpoint(LiveAc& aircraft);
// lf_insertMidpoint when the speed changes by more than 5 kt over 100 m or more.
void lf_splitOnSpeedChange(LiveAc& aircraft);
// Parking at the stand; standTaken: another live aircraft stands there already.
void lf_parkAtStand(LiveAc& aircraft, bool standTaken, TrafficEngine& engine);
// Half the wingspan (nm) to leave a stand with; a model of unknown span gets a typical one
// and is logged once.
double lf_halfSpanForStand(const LiveAc& aircraft, TrafficEngine& engine);

// --- What the ground movement asks of its neighbours (first versions in live_stands.cpp) ---

// The park airport's stands are loaded.
bool gf_parkStandsReady();
// The radius (nm) of a stand of the park airport; none when it is not in the stand table.
std::optional<double> gf_standRadiusNm(std::uint32_t sid);
// The stand is marked occupied by a live aircraft.
bool gf_standHasLive(std::uint32_t sid);
// The cargo bookkeeping of an aircraft that took its stand (arrived, or spawned there): a
// cargo aircraft on a stand it took as no cargo stand clears that stand's cargo flag.
void lf_confirmStandChange(LiveAc& aircraft, TrafficEngine& engine);

}  // namespace vexo
