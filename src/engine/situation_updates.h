// The checks of a further report against the aircraft's situation (decodeExisting,
// engine_hooks.h, takes the report). Each may change the report: true means append it.
// Tick thread.
#pragma once

#include "engine/aircraft.h"

namespace vexo {

struct TrafficEngine;

// By FlightState: push-back direction, pushed-back to taxi, at the stand, ordinary reports.
bool checkExtendingSituations(LiveAc& aircraft, StreamPos& report, TrafficEngine& engine);
// During the approach and the landing roll.
bool checkNewPosDuringLanding(LiveAc& aircraft, StreamPos& report, TrafficEngine& engine);
// The filter of ordinary reports; marks a report on the last position stationary.
bool lf_checkBirthPosition(LiveAc& aircraft, StreamPos& report, const TrafficEngine& engine);
// Keeps an aircraft that moves at its stand parked there.
void lf_reParkAtStand(LiveAc& aircraft, StreamPos& report, TrafficEngine& engine);

}  // namespace vexo
