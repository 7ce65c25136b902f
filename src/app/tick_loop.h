// The heart beat of a run: a tick every 10 ms on the start-up thread. While a flight runs
// every tick drives the live aircraft; each user-aircraft report (about once a second)
// makes a work tick, on which the slower duties run by the schedule of tick_schedule.h.
// Every tick, with a flight or without, sees the end of the run and serves the requests
// of the window's commands: the reports stop while the simulator is paused or gone.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "app/steady_timer.h"

namespace vexo {

// State of the tick loop, touched by the start-up thread only. The work-tick count
// (g_workTick), the requests of the commands and the renewal countdown (minutes to
// renewal) live with the main window, which shows or sets them.
struct TickState {
  bool flightPaused = false;  // the no-flight state has been entered
  std::int32_t noFlightCountdown = 100;
  bool parkSecondHalf = false;  // which half of the two-phase park step comes next
  // Live aircraft already matched against the learned flights (by hexid).
  std::unordered_set<std::uint32_t> matchedHexids;
};
extern TickState g_tickState;

void lf_runTickLoop(const SteadyTimer& timer = gf_steadyTimer());
bool lf_tick();
void lf_tickWork();
void lf_tickNoFlight();
void lf_tickHalfMinute();
void lf_checkParkAirportsIfDue();

// Lets the readers hand traffic records to the tick loop, or not (under g_liveReportMutex).
void gf_setTrafficIntake(bool on);

// Back to the start values before a restart.
void gf_resetTickState();

}  // namespace vexo
