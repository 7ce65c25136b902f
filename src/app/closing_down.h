// The end of every run: stop the other threads, clean up, and by the exit reason restart
// in the same process after a countdown or end the program.
#pragma once

#include "foundation/run_state.h"
#include "app/steady_timer.h"
#include "foundation/window_messages.h"

namespace vexo {

// What closing down does for an exit reason.
struct ClosingPlan {
  bool restart = false;             // NEW SETTINGS, SIMCONNECT ERROR, READER ERROR
  bool scansOff = false;            // SIMCONNECT ERROR, READER ERROR: no rescans next time
  bool waitForWindowClose = false;  // SYSTEM ERROR: the error stays readable
  bool newFlightNotice = false;     // NEW FLIGHT: ask for a restart by hand
};
ClosingPlan gf_closingPlan(ExitReason reason);

// How long closing down waits for the other threads of the run to end.
inline constexpr std::chrono::milliseconds g_threadStopWait{500};
inline constexpr std::chrono::milliseconds g_readerEndLimit{5000};

// Ends the run on the start-up thread. Never throws; whatever fails, it posts the
// message that restarts or ends the program, so the window can always be closed.
void lf_closingDown(const SteadyTimer& timer = gf_steadyTimer());

// The countdown of g_restartDelay seconds in the status line.
void lf_restartCountdown(const SteadyTimer& timer = gf_steadyTimer());

// Returns the run state to what a fresh start-up expects. The threads of the ended run
// must have ended (closing down joins and waits for them first).
void lf_resetForRestart();

}  // namespace vexo
