// The static parking cycle at the park airport: finding and leaving it as the user moves,
// the first calculation when it is found, the renewals (every 20 minutes or on "Now"),
// and clearing everything when it is left or the program closes. Tick thread; the
// traffic engine creates and removes the simulator objects.
#pragma once

#include "airports/static_parking.h"

namespace vexo {

// One static-parking step: unlocks the park controls once every candidate is placed,
// reads the file and makes the first calculation of a park airport just found, else
// orders the park airports by the user's position and finds or watches the park airport.
// The tick loop calls it with true once when it starts, then on its static-parking ticks.
void gf_staticParkingTick(bool announce, TrafficEngine& engine = g_trafficEngine);

// A park airport was found: its calculation is due at the next static-parking tick; the
// park controls are locked and the callsigns seen live are collected meanwhile.
void lf_startStaticCalculation(bool announce);

// The renewal: keeps the static aircraft that still fit, replaces those that do not, and
// fills the free stands, all within the wanted count (the renewal's second phase).
void gf_adjustStaticParking(TrafficEngine& engine = g_trafficEngine);

// Removes the park airport's static aircraft and the live aircraft parked or on their
// way out, then leaves it (lf_leaveParkAirport).
void gf_clearParkAirport(TrafficEngine& engine = g_trafficEngine);

// Leaves the park airport without removing aircraft: saves its learned file once, puts
// its settings back and forgets its stands, candidates and reserved stand.
void lf_leaveParkAirport();

// Locks (sets the busy flag) or unlocks (and restarts the renewal countdown at 20) the
// park controls; the window's controls follow through the parkControls hook.
void lf_lockParkControls();
void lf_unlockParkControls();

// Back to no park airport and no static parking (the reset before a restart).
void gf_resetParkAirportForRestart();

}  // namespace vexo
