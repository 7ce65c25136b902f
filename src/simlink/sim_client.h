// The "SimClient" thread: opens the SimConnect connection (retrying every 100 ms while the
// simulator is absent), registers the program's vocabulary, and dispatches what the
// simulator sends every millisecond until it is told to stop. A failed link ends the run
// as a closed simulator does.
#pragma once

#include <cstdint>
#include <stop_token>

#include "simlink/sim_link_state.h"

namespace vexo {

// Before each start of the thread: the simulator's major version (5 or 6), room in the
// queues and lists, and a cleared broken flag. Start-up thread.
void gf_initSimClient(std::uint32_t majorVersion, SimLink& link = g_simLink);

// The body of the "SimClient" thread (a std::jthread's stop token); returns when a stop
// is requested, the run ends before a connection, the link fails, or an exception ends it.
void lf_simClientThread(std::stop_token stop);
void gf_runSimClient(SimLink& link, std::stop_token stop);

// After any failed SimConnect request, on any thread: status "SimConnect request error",
// the link counts as broken, and the run ends with SIMCONNECT ERROR (restart after 9 s).
void gf_simConnectRequestError(SimLink& link = g_simLink);

// Closes an open handle and makes it null; logs the outcome.
void lf_closeSimConnect(HANDLE& handle);

// The simulator went away: the flight stops and, unless the run ends already, it ends with
// SIM WAS CLOSED. Only the first call of a thread acts (flag).
void lf_simNoLongerConnected(bool& flag);

// Repaints the main window's state band after a shown value changed. Any thread.
void gf_repaintSimState();

}  // namespace vexo
