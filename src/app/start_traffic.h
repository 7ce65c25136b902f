// The last stage of start-up: the "SimClient" thread, the wait for a flight and a user
// position, the RealTraffic handshake, and the two UDP readers.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "app/steady_timer.h"
#include "foundation/geodesy.h"
#include "realtraffic/reader_threads.h"

namespace vexo {

struct TrafficEngine;

// RealTraffic reported its professional edition (it then takes the simulator's time).
extern std::atomic<bool> g_rtProfessional;

// Sends the user position to RealTraffic (when it runs on this machine); when it is found
// gone, the live aircraft leave the simulator. The traffic cycle's once-a-second hook, and
// the no-flight tick's. Tick thread.
void gf_sendUserPositionNow(TrafficEngine& engine);

// Every tick while RealTraffic is away: connections to its port are asked for their
// version without waiting, and the first that answers is taken as RealTraffic, its
// edition read. Tick thread.
void gf_lookForRealTrafficNow();

// The user aircraft's latest position as the simulator link reports it ({0, 0} while
// none is known). Start-up/tick thread.
LatLon gf_userPosition();

// Whether the user aircraft is on the ground; empty while the simulator has not said.
std::optional<bool> gf_userOnGround();

// The whole stage; true when the tick loop may start, false when the run ends instead.
bool lf_startTraffic(const SteadyTimer& timer = gf_steadyTimer());

// Waits for a running flight and a real user position; false when the run ends meanwhile.
bool lf_waitForUserAircraft(const SteadyTimer& timer = gf_steadyTimer());

// Waits for RealTraffic's connection and version reply (only when it is on this PC); a
// connection that does not answer is given up after ten seconds of looks.
void lf_waitForRealTraffic(const SteadyTimer& timer = gf_steadyTimer());

// Starts the two UDP readers of this run, the QNH Reader first and the Traffic Reader two
// seconds later, each with the run's stop token. The ports are RealTraffic's (tests give 0
// for any free one).
void gf_startReaders(bool atThisPc, const SteadyTimer& timer = gf_steadyTimer(), std::uint16_t qnhPort = g_qnhPort,
                     std::uint16_t trafficPort = g_trafficPort);

// The port of a reader: RealTraffic's, unless the environment variable names another one
// (several copies of the program side by side, as the tests run them).
std::uint16_t gf_readerPort(const char* variable, std::uint16_t standard);

// Waits up to 15 seconds for the first traffic record; false when none came or the run ends.
bool lf_waitForFirstTraffic(const SteadyTimer& timer = gf_steadyTimer());

// Reads RealTraffic's reply to "Qs999=version": its edition and version text.
void lf_processRTVersion(const std::string& reply);

}  // namespace vexo
