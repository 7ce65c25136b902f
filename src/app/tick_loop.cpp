#include "app/tick_loop.h"

#include <fmt/format.h>

#include <algorithm>

#include "airports/airports_services.h"
#include "app/main_window.h"
#include "app/main_window_commands.h"
#include "foundation/main_window_state.h"
#include "app/repaint.h"
#include "foundation/run_state.h"
#include "app/start_traffic.h"
#include "app/start_up.h"
#include "foundation/status_line.h"
#include "app/tick_grid.h"
#include "app/tick_schedule.h"
#include "app/window_requests.h"
#include "app/window_tick_work.h"
#include "engine/aircraft.h"
#include "engine/engine_services.h"
#include "engine/live_report.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/rt_lines.h"
#include "simlink/sim_link_state.h"
#include "realtraffic/traffic_receiver.h"
#include "foundation/log_flush.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/time_text.h"
#include "liveries/liveries_services.h"

namespace vexo {

TickState g_tickState;

namespace {

// A broken link counts as no flight: its ticks only drain what the simulator sent.
bool lf_flightMode() { return g_flightRunning.load() && !g_simBroken.load(); }

// One phase of a requested static-parking renewal, on a 15th work tick: the first locks
// the park controls and collects the callsigns seen live for 15 work ticks, the second
// renews the static aircraft of the park airport.
void lf_parkStep() {
  if (!g_parkNowRequest) return;
  if (!g_tickState.parkSecondHalf) {
    g_tickState.parkSecondHalf = true;
    lf_lockParkControls();
    gf_startSeenCollection();
    return;
  }
  g_tickState.parkSecondHalf = false;
  gf_clearStatusError();
  gf_clearStatus();
  if (!g_parkAirport.icao.empty() && !g_stands.empty()) gf_adjustStaticParking();
  lf_flushLog();
  g_parkNowRequest = false;
}

// The work of ticks that are not multiples of 5.
void lf_tickOffBeat(const WorkTickDuties& duties) {
  if (duties.staticParkingDriver && !g_tickState.parkSecondHalf) gf_staticParkingTick(false);
  if (duties.readerLights) gf_updateReaderLights();
  if (duties.staticTwins) gf_removeStaticTwins();
}

LiveAc* lf_findLiveAc(std::uint32_t hexid) {
  const auto found = std::ranges::find_if(g_liveAcs, [&](const LiveAc& ac) { return ac.hexid == hexid; });
  return found == g_liveAcs.end() ? nullptr : &*found;
}

// One aircraft that spawned or touched down per work tick: matched once against the park
// airport's learned flights, and its static twins removed.
void lf_touchdownEntry() {
  if (g_touchdownList.empty()) return;
  const std::uint32_t hexid = g_touchdownList.front();
  if (LiveAc* aircraft = lf_findLiveAc(hexid)) {
    if (g_tickState.matchedHexids.insert(hexid).second) gf_matchLearnedFlight(g_weekSlotNow, *aircraft);
    gf_removeStaticTwinsOf(*aircraft);
  }
  g_touchdownList.pop_front();
}

void lf_collisionChecks() {
  const auto& s = g_settings;
  if (const auto onGround = gf_userOnGround()) {
    if (*onGround && s.COLLISION_USER_GND.value) gf_checkCollisionUserGnd();
    if (!*onGround && s.COLLISION_USER_AIR.value) gf_checkCollisionUserAir();
  }
  if (s.COLLISION_LIVE_PARKED_GND.value) gf_checkCollisionLiveParkedGnd();
}

}  // namespace

void lf_runTickLoop(const SteadyTimer& timer) {
  gf_staticParkingTick(true);
  gf_updateReaderLights();
  g_workTick = 0;
  const auto t0 = timer.now();
  gf_setWeekSlotNow(gf_weekdayAndHalfHour());
  gf_setTrafficIntake(true);
  TickGrid grid(t0);
  g_settings.CALLSIGN_2_OBJECTID.fillComboBox();
  g_settings.csToOidButton.enable();
  gf_runTickGrid(timer, grid, lf_tick, [] { return g_userAcReported.load(); });
}

bool lf_tick() {
  const bool flight = lf_flightMode();
  if (flight)
    lf_handleAddingStack();
  else
    lf_tickNoFlight();
  // Seen on every tick: the user-aircraft reports stop with a paused or vanished simulator.
  if (gf_runEnding()) return false;
  gf_runWindowRequests();
  gf_lookForRealTrafficNow();
  if (!flight || !g_userAcReported.exchange(false)) return true;
  lf_tickWork();
  if (gf_runEnding()) return false;
  const WorkTickDuties duties = gf_workTickDuties(g_workTick);
  if (!duties.fiveSecond) {
    lf_tickOffBeat(duties);
    return true;
  }
  g_trafficReceiver.setRefPosition(gf_userPosition());
  if (g_rtProfessional) gf_sendSimTime(g_simUtcSeconds);
  if (const std::string stand = gf_reservedStandName(); !stand.empty()) gf_removeAcAtStand(stand);
  lf_checkParkAirportsIfDue();
  if (!duties.parkStep) return true;
  lf_parkStep();
  if (g_trafficLight == g_lightIdle || g_qnhLight == g_lightIdle) gf_updateReaderLights();
  if (duties.halfMinute) lf_tickHalfMinute();
  return true;
}

void lf_tickWork() {
  if (g_tickState.flightPaused) {
    g_tickState.flightPaused = false;
    gf_log(fmt::format("{} Flight resumed", gf_utcClockNow()));
    gf_setTrafficIntake(true);
  }
  gf_statusLineWorkTick();
  gf_refreshShownCounts();
  gf_setWeekSlotNow(gf_weekdayAndHalfHour());
  g_workTick = g_workTick + 1;
  lf_touchdownEntry();
  lf_collisionChecks();
  if (g_parkBusy) {
    g_mainWindowState.staticCount = g_staticAcs.size();
    lf_repaint(g_parkRect, false);
  }
}

void lf_tickNoFlight() {
  if (!g_tickState.flightPaused) {
    gf_setTrafficIntake(false);
    g_tickState.flightPaused = true;
    g_tickState.noFlightCountdown = 100;
    {
      std::lock_guard lock(g_simConnectMutex);
      g_simPositionQueue.clear();
    }
    gf_log(fmt::format("{} Flight not running", gf_utcClockNow()));
  }
  lf_handleSimResponses();
  g_tickState.noFlightCountdown -= 1;
  if (g_tickState.noFlightCountdown % 100 == 0) {
    lf_checkParkAirportsIfDue();
    gf_sendUserPositionNow(g_trafficEngine);
  }
  if (g_tickState.noFlightCountdown < 1) {
    g_tickState.noFlightCountdown = 100;
    gf_refreshShownCounts();
    gf_setWeekSlotNow(gf_weekdayAndHalfHour());
  }
}

void lf_tickHalfMinute() {
  if (g_rematchRequest.exchange(false)) g_missingLiveries.clear();
  if (g_settings.AUTO_RANGE.value) lf_computeAutoRange();
  const WorkTickDuties duties = gf_workTickDuties(g_workTick);
  if (duties.minute) {
    auto& countdown = g_mainWindowState.minutesToRenewal;
    countdown = countdown - 1;
    if (countdown < 1) {
      countdown = 20;
      if (g_airportsState.fileLoaded && !g_settings.INITIAL_LOAD_ONLY.value && !g_parkBusy && !g_parkNowRequest)
        gf_requestStaticParkingNow();
    }
    lf_repaint(g_controlsRect, true);
    if (duties.missingLiveries) gf_logMissingLiveries();
    if (duties.day) {
      g_workTick = 0;
      gf_writeMatchingSummary();
      g_spawnIdMap.clear();
    }
  }
  lf_flushLog();
}

void lf_checkParkAirportsIfDue() {
  if (!g_rereadRequest || g_parkBusy) return;
  std::string text;
  if (gf_checkParkAirports(true, text)) gf_setStatus(text, !text.empty());
  g_settings.rereadButton.enable();
  g_settings.DESTINATION.enable();
  g_rereadRequest = false;
}

void gf_setTrafficIntake(bool on) {
  std::lock_guard lock(g_liveReportMutex);
  g_trafficIntake = on;
}

void gf_resetTickState() {
  g_tickState = TickState{};
  g_workTick = 0;
}

}  // namespace vexo
