#include "app/closing_down.h"

#include <fmt/format.h>

#include <mutex>
#include <string>
#include <string_view>

#include "airports/airports_services.h"
#include "foundation/log_flush.h"
#include "foundation/main_window_state.h"
#include "app/start_traffic.h"
#include "app/start_up.h"
#include "foundation/status_line.h"
#include "app/tick_loop.h"
#include "app/window_requests.h"
#include "app/worker_threads.h"
#include "engine/engine_services.h"
#include "foundation/log.h"
#include "foundation/parameters.h"
#include "foundation/scan_tasks.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "liveries/liveries_services.h"
#include "liveries/livery_index.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/rt_server.h"
#include "realtraffic/traffic_receiver.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_link_state.h"

namespace vexo {

ClosingPlan gf_closingPlan(ExitReason reason) {
  ClosingPlan plan;
  switch (reason) {
    case ExitReason::newSettings:
      plan.restart = true;
      break;
    case ExitReason::simConnectError:
    case ExitReason::readerError:
      plan.restart = true;
      plan.scansOff = true;
      break;
    case ExitReason::systemError:
      plan.waitForWindowClose = true;
      break;
    case ExitReason::newFlight:
      plan.newFlightNotice = true;
      break;
    default:
      break;
  }
  return plan;
}

void lf_restartCountdown(const SteadyTimer& timer) {
  const std::int32_t delay = g_restartDelay;
  if (delay < 1) return;
  {
    // One block: no other thread's line comes between the two.
    std::lock_guard lock(g_logMutex);
    if (g_logFile.is_open()) g_logFile << fmt::format("Restarting after {} seconds\n", delay) << std::string(48, '-') << '\n';
  }
  for (std::int32_t r = delay; r >= 1; --r) {
    const auto shownAt = timer.now();
    gf_setStatus(fmt::format("Restarting after {} second{}", r, gf_plural(r)), false);
    timer.sleepUntil(shownAt + std::chrono::seconds(1));
  }
  gf_log("Restart countdown finished");
}

namespace {

// Stops the run's other threads: the "SimClient" thread is joined, so the reset never
// touches state it still uses; the readers get a bounded wait (each returns from its
// receive within a second).
void lf_stopRunThreads(const SteadyTimer& timer) {
  gf_setTrafficIntake(false);
  g_simClientThread.requestStop();
  g_readerThreads.requestStop();
  g_trafficReceiver.stopRequested = true;
  g_qnhReceiver.stopRequested = true;
  timer.sleepFor(g_threadStopWait);
  gf_closeRTServer();
}

void lf_waitForWindowClose(const SteadyTimer& timer) {
  while (!g_windowClosed) timer.sleepFor(std::chrono::milliseconds(500));
  gf_setStatus("User closed Vendrake_P3D", true);
}

// What a run leaves behind that the next one must not find: the park airport's parked
// aircraft, the spawn ids, the flight plans, a destination and a blocked callsign.
void lf_cleanUpRun() {
  // Saves the park airport's learned file; a park airport left earlier saved it then.
  if (g_airportsState.fileLoaded) gf_clearParkAirport();
  g_spawnIdMap.clear();
  gf_removeFlightPlanFolder();
  g_settings.DESTINATION.setAndSave("");
  g_settings.BLOCK_CALLSIGN.setAndSave("");
  g_mainWindowState.tbloNote = false;
  g_ghostCallsigns.clear();
  gf_writeMatchingSummary();
  gf_logMissingLiveries();
}

void lf_switchScansOff() {
  auto& s = g_settings;
  s.SCAN_LIVERIES.value = false;
  gf_saveBoolParameter(s.SCAN_LIVERIES);
  s.SCAN_AIRPORTS.value = false;
  gf_saveBoolParameter(s.SCAN_AIRPORTS);
}

// Everything but the final message. Returns whether to restart.
bool lf_closeRun(const SteadyTimer& timer) {
  gf_log(fmt::format("Exiting: {}", gf_exitReasonName(g_exitReason)));
  lf_stopRunThreads(timer);
  // A scan task whose result was given up at its time limit may still read the program's
  // tables; they must outlive it.
  if (!gf_waitForScanTasks(g_scanTaskExitWait)) gf_logWarning("a scan task of the ended run did not stop");
  if (gf_closingPlan(g_exitReason).waitForWindowClose) lf_waitForWindowClose(timer);
  lf_cleanUpRun();

  // Only the first setter of g_closing chose the reason, so it cannot change any more.
  const ClosingPlan plan = gf_closingPlan(g_exitReason);
  // The reset below changes what the "SimClient" thread works with: it must have ended.
  g_simClientThread.stopAndJoin();
  if (plan.restart) {
    g_isRestart = true;
    gf_clearStatusError();
    gf_setStatus("Prepare for a restart ...", true);
    if (plan.scansOff) lf_switchScansOff();
    if (!g_readerThreads.waitEnded(g_readerEndLimit))
      gf_logWarning("a reader thread of the ended run did not stop");
    lf_restartCountdown(timer);
    lf_resetForRestart();
    return true;
  }
  g_isRestart = false;
  if (plan.newFlightNotice) {
    gf_setStatus("New flight detected, Vendrake_P3D will close, please restart manually ...", true);
    timer.sleepFor(std::chrono::seconds(10));
  }
  g_readerThreads.waitEnded(g_readerEndLimit);
  return false;
}

// Logged in any case: while an error text holds the status line, the line would neither
// show the failure nor log it.
void lf_closingFailed(std::string_view what) {
  const std::string text = fmt::format("{} exception {}", "lf_closingDown", what);
  gf_log(text);
  gf_setStatus(text, false);
}

}  // namespace

void lf_closingDown(const SteadyTimer& timer) {
  bool restart = false;
  try {
    restart = lf_closeRun(timer);
  } catch (const std::exception& e) {
    lf_closingFailed(e.what());
  } catch (...) {
    lf_closingFailed("Unknown exception");
  }
  // Also after a failure: without this message no thread would ever end the program.
  platform::gf_postMainWindowMessage(restart ? WM_APP_START_UP : WM_APP_SAVE_AND_QUIT);
  lf_flushLog();
}

void lf_resetForRestart() {
  gf_resetReaders();
  gf_resetSimLink(static_cast<std::uint32_t>(g_settings.P3D_VERSION.value.load()));
  gf_resetTraffic();
  // The engine held its titles as views into the livery index; with its tables empty the
  // index may go, before the next start-up builds it again.
  if (g_forgetLiveriesRequest.exchange(false)) lf_forgetLiveries();
  g_statusLine.reset();
  g_mainWindowState.resetShown();
  gf_setRtLinkUp(false);
  g_windowClosed = false;
  g_closing = false;
  g_exitReason = ExitReason::notYetSet;
  g_userAcReported = false;
  g_flightRunning = false;
  g_userAc.set(UserAcData{});
  gf_resetTickState();
  gf_clearWindowRequests();
  g_rtProfessional = false;
  g_rtNotConnectedYet = true;
  g_startUpState.stockAirportsPath.clear();
}

}  // namespace vexo
