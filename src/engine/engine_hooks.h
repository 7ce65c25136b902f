// The seams between the traffic cycle and the engine's neighbours. The cycle
// (traffic_cycle.cpp, report_intake.cpp, sim_requests.cpp, sim_answers.cpp) calls the
// functions below; each lives in its own source file, whose first version does the least
// that keeps the cycle sound. Whoever builds a neighbour replaces that file's body (and
// may split it further); the declarations stay here so the cycle's files need no edit.
// All of them run on the tick thread.
//
//   file                     filled by                     functions
//   position_stream.cpp      movement (stream, air, ground) updateLiveAc
//   spawning.cpp             movement (spawning, ghosts)   lf_spawnDecision, spawnLiveAc,
//                                                          lf_checkRespawn, gf_removeFarthestLiveAc
//   situation_updates.cpp    movement (reports -> stream)  decodeExisting
//   live_stands.cpp          stands for live aircraft      lf_onLiveCreated, gf_setStandLiveFlag,
//                                                          gf_nearestStandName, try2Park
//   static_placement.cpp     static placement              lf_detcs, lf_staticCandidatesWaiting
//   parking_limits.cpp       parking limits, collisions    gf_removeStaticTwins(Of), gf_removeAcAtStand,
//                                                          gf_removeAllStatic, gf_countLiveParked,
//                                                          gf_fillCallsignList, gf_resetCallsignList,
//                                                          gf_checkCollision*
//
// Ways out of the process (clock, random source, simulator requests, the user position,
// the park airport's elevation) are EngineHooks in traffic_engine.h; the stand names of
// gf_standName are g_standNameOf in aircraft_texts.h (the stand table's owner sets it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/aircraft.h"
#include "engine/live_report.h"
#include "engine/sim_responses.h"

namespace vexo {

struct TrafficEngine;

// --- position_stream.cpp ---
// One cycle of one live aircraft, for every record in table order: a buffered one is
// handed to lf_spawnDecision; an active one moves along its stream and queues its position
// on engine.link.simPositionQueue.engineSide(). True when the record is to be erased at
// this cycle's compaction (eraseFromBuffer or eraseWithdrawn set).
bool updateLiveAc(LiveAc& aircraft, TrafficEngine& engine);

// --- spawning.cpp ---
// Spawns, holds or drops a buffered record (drop: eraseFromBuffer).
void lf_spawnDecision(LiveAc& aircraft, TrafficEngine& engine);
// Livery, first FlightState, initial attitude; simState adding2sim and the hexid pushed on
// engine.addingStack; the hexid onto the touch-down list.
void spawnLiveAc(LiveAc& aircraft, TrafficEngine& engine);
// The identity step of a further report of a known aircraft; false: drop the report. A
// livery respawn queues the object id for removal (gf_queueObjectRemoval); a record
// without an object id cannot respawn and is to be erased instead (eraseFromBuffer and
// engine.compactPending), or it would wait for a confirmation that never comes.
bool lf_checkRespawn(LiveAc& aircraft, const LiveReport& report, TrafficEngine& engine);
// Removes the active live aircraft farthest from the user beyond distanceNm (negative: any
// distance); true when none was removed. Also the MAX_LIVE_SEL request of the window.
bool gf_removeFarthestLiveAc(double distanceNm, TrafficEngine& engine);

// --- situation_updates.cpp ---
// Takes a further report of a known aircraft into its stream.
void decodeExisting(LiveAc& aircraft, const StreamPos& pos, TrafficEngine& engine);

// --- live_stands.cpp ---
// The simulator created the aircraft's object: ties objectid to it (refused below 3, or
// when the stands refuse it). True when accepted.
bool lf_onLiveCreated(LiveAc& aircraft, const SimResponse& response, TrafficEngine& engine);
// Sets or clears the occupied-by-live mark of a stand of the park airport.
void gf_setStandLiveFlag(std::int32_t sid, std::uint8_t flag);
// The park airport's stand nearest to the position within 55 m; empty when none.
std::string gf_nearestStandName(double lat, double lon);
// A taxiing aircraft looks for a stand and starts parking.
void try2Park(LiveAc& aircraft, bool wide, TrafficEngine& engine);

// --- static_placement.cpp ---
// Whether static-parking candidates wait to be placed.
bool lf_staticCandidatesWaiting(TrafficEngine& engine);
// Places one static candidate (on a 500 ms cycle without a live creation).
void lf_detcs(TrafficEngine& engine);
// The callsign of a static aircraft from a learned name: the name loses its trailing "_"s
// (the caller's copy too) and ends with one "*".
std::string gf_staticCallsign(std::string& name);

}  // namespace vexo
