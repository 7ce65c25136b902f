#include "app/tick_loop.h"

#include <fmt/format.h>

#include "app/main_window_state.h"
#include "app/run_state.h"
#include "app/status_line.h"
#include "app/tick_grid.h"
#include "app/tick_schedule.h"
#include "app/window_requests.h"
#include "foundation/log.h"

namespace vexo {

TickState g_tickState;

namespace {

void lf_flushLog() {
  std::lock_guard lock(g_logMutex);
  g_logFile.flush();
}

bool lf_flightMode() { return g_flightRunning.load(); }

// The half of the two-phase static parking step that is due on a 15th work tick.
void lf_parkStep() {
  if (!g_parkNowRequest) return;
  if (!g_tickState.parkSecondHalf) {
    g_tickState.parkSecondHalf = true;
    return;
  }
  g_tickState.parkSecondHalf = false;
  gf_clearStatusError();
  lf_flushLog();
  g_parkNowRequest = false;
}

}  // namespace

void lf_runTickLoop(const SteadyTimer& timer) {
  g_workTick = 0;
  const auto t0 = timer.now();
  TickGrid grid(t0);
  gf_runTickGrid(timer, grid, lf_tick, [] { return g_userAcReported.load(); });
}

bool lf_tick() {
  if (!lf_flightMode()) {
    lf_tickNoFlight();
    return !gf_runEnding();
  }
  if (!g_userAcReported.exchange(false)) return true;
  lf_tickWork();
  if (gf_runEnding()) return false;
  const WorkTickDuties duties = gf_workTickDuties(g_workTick);
  if (!duties.fiveSecond) return true;
  lf_checkParkAirportsIfDue();
  if (!duties.parkStep) return true;
  lf_parkStep();
  if (duties.halfMinute) lf_tickHalfMinute();
  return true;
}

void lf_tickWork() {
  if (g_tickState.flightPaused) {
    g_tickState.flightPaused = false;
  }
  gf_statusLineWorkTick();
  g_workTick = g_workTick + 1;
}

void lf_tickNoFlight() {
  if (!g_tickState.flightPaused) {
    g_tickState.flightPaused = true;
    g_tickState.noFlightCountdown = 100;
  }
  g_tickState.noFlightCountdown -= 1;
  if (g_tickState.noFlightCountdown % 100 == 0) lf_checkParkAirportsIfDue();
  if (g_tickState.noFlightCountdown < 1) g_tickState.noFlightCountdown = 100;
}

void lf_tickHalfMinute() {
  const WorkTickDuties duties = gf_workTickDuties(g_workTick);
  if (duties.minute) {
    auto& countdown = g_mainWindowState.minutesToRenewal;
    countdown = countdown - 1;
    if (countdown < 1) countdown = 20;
    if (duties.day) g_workTick = 0;
  }
  lf_flushLog();
}

void lf_checkParkAirportsIfDue() {
  if (!g_rereadRequest || g_parkBusy) return;
  g_rereadRequest = false;
}

void gf_resetTickState() {
  g_tickState = TickState{};
  g_workTick = 0;
}

}  // namespace vexo
