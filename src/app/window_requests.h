// Work that the main window's commands (UI thread) hand to the tick thread, and the flags
// the two share. Each request is set by a command and taken with an exchange by the tick
// thread on its next work tick, so it is served exactly once; the tables the work
// touches belong to the tick thread alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "airports/static_parking.h"

namespace vexo {

// "Flush static": remove all static aircraft, then switch INITIAL_LOAD_ONLY on (not saved).
extern std::atomic<bool> g_removeAllStaticRequest;
// "Re-read": check the park airport again while the static parking is not busy.
extern std::atomic<bool> g_rereadRequest;
// "cs->oid:": empty the object-id text and refill the callsign list.
extern std::atomic<bool> g_callsignListRequest;
// BLOCK_CALLSIGN changed: apply the blocked callsign to the live aircraft.
extern std::atomic<bool> g_blockChangedRequest;
// MATCHING_DEPTH raised: match the aircraft without a livery again.
extern std::atomic<bool> g_rematchRequest;
// Run the static parking at the next 15-work-tick step.
extern std::atomic<bool> g_parkNowRequest;

// The callsign list was used ("Block", or the blocked callsign typed equals the chosen
// one): empty the list and its choice (gf_resetCallsignList).
extern std::atomic<bool> g_resetCallsignListRequest;
// NAV_LIGHTS_WHILE_PARKED changed: set the navigation lights of the parked aircraft to
// the setting's value at the time the request is served.
extern std::atomic<bool> g_navLightsRequest;
// MAX_LIVE_SEL changed: remove the active live aircraft above the new maximum, farthest
// first.
extern std::atomic<bool> g_maxLiveRequest;
// AUTO_RANGE is on (switched on, or a new park airport): compute the range now.
extern std::atomic<bool> g_autoRangeRequest;
// SCAN_LIVERIES switched on before RealTraffic connected: the liveries read so far are
// forgotten before the next start-up processes them (the program restarts).
extern std::atomic<bool> g_forgetLiveriesRequest;

// A new destination becomes the current park airport.
struct ParkAirportRequest {
  std::string icao;  // 4 characters A-Z, 0-9
  double latitude = 0.0;
  double longitude = 0.0;
};
// Hands the destination over (a later one replaces one not yet taken). Any thread.
void gf_requestParkAirport(ParkAirportRequest request);
// Takes the pending destination, if any. Tick thread.
std::optional<ParkAirportRequest> gf_takeParkAirportRequest();

// g_parkBusy (static parking is being computed, its controls are locked) belongs to the
// static parking: airports/static_parking.h.
// "Now" may be enabled again when the park controls are unlocked.
extern std::atomic<bool> g_nowAllowed;
// True at program start and before each restart; false once RealTraffic has connected.
extern std::atomic<bool> g_rtNotConnectedYet;
// Work ticks since the tick loop started (back to 0 after 86400). Written by the tick
// thread; the UI thread reads it for the "Now" countdown.
extern std::atomic<std::int32_t> g_workTick;

// Every request above back to "none" (the reset before a restart), except the
// forget-liveries request, which the start-up after the restart serves.
void gf_clearWindowRequests();

}  // namespace vexo
