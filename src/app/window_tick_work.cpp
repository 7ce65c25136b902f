#include "app/window_tick_work.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "airports/airports_services.h"
#include "app/main_window_commands.h"
#include "foundation/main_window_state.h"
#include "app/window_requests.h"
#include "engine/engine_services.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_link_state.h"

namespace vexo {

namespace {

bool lf_isActive(const StaticAc& aircraft) { return aircraft.simState == SimState::active; }

void lf_takeParkAirport() {
  auto request = gf_takeParkAirportRequest();
  if (!request) return;
  try {
    gf_addParkAirport(IcaoCode(request->icao), LatLon{request->latitude, request->longitude});
  } catch (const std::invalid_argument& e) {
    gf_logWarning(fmt::format("destination '{}' not taken: {}", request->icao, e.what()));
  }
}

void lf_setNavLightsOfParked() {
  const std::uint32_t value = g_settings.NAV_LIGHTS_WHILE_PARKED.value ? 1 : 0;
  for (const StaticAc& aircraft : g_staticAcs)
    if (lf_isActive(aircraft)) gf_setNavLights(aircraft.objectid, value);
  for (const LiveAc& aircraft : g_liveAcs)
    if (lf_isActive(aircraft) && aircraft.flightState == FlightState::parked) gf_setNavLights(aircraft.objectid, value);
  gf_invalidateMainWindow(g_controlsRect, true);
}

void lf_removeLiveSurplus() {
  const auto active = static_cast<std::int64_t>(std::count_if(g_liveAcs.begin(), g_liveAcs.end(), lf_isActive));
  for (std::int64_t n = g_settings.MAX_LIVE_SEL.value; n < active; ++n) gf_removeFarthestLiveAc(-1.0, g_trafficEngine);
}

void lf_removeAllStatic() {
  gf_removeAllStatic();
  auto& initialLoadOnly = g_settings.INITIAL_LOAD_ONLY;
  if (!initialLoadOnly.value) {
    initialLoadOnly.value = true;  // not saved
    initialLoadOnly.updateControl();
  }
}

void lf_refillCallsignList() {
  g_mainWindowState.updateTexts([](ShownTexts& t) { t.objectIdText.clear(); });
  gf_invalidateMainWindow(g_controlsRect, true);
  gf_fillCallsignList();
}

void lf_applyBlockedCallsign() {
  const std::string blocked = g_settings.BLOCK_CALLSIGN.value();
  if (blocked.empty()) return;
  const auto found = std::ranges::find_if(
      g_liveAcs, [&](const LiveAc& ac) { return ac.callsign == blocked && ac.simState == SimState::active; });
  if (found != g_liveAcs.end()) removeAircraftFromSim(*found);
}

std::optional<double> lf_parkAirportDistance(LatLon user) {
  std::lock_guard lock(g_parkAirportsMutex);
  if (g_parkAirports.empty()) return std::nullopt;
  return gf_greatCircleNm(user, g_parkAirports.front().position);
}

}  // namespace

void lf_computeAutoRange() {
  const UserAcData user = g_simLink.userAc();  // the last block received, without a new request
  const SettingsState& s = g_settings;
  gf_setRange(gf_autoRangeNm(g_userOnGround, user.altitude, lf_parkAirportDistance({user.latitude, user.longitude}),
                             s.AR_ABOVE_HEIGHT.value, s.AIRP_HEIGHT.value));
}

void gf_runWindowRequests() {
  lf_takeParkAirport();
  if (g_removeAllStaticRequest.exchange(false)) lf_removeAllStatic();
  if (g_callsignListRequest.exchange(false)) lf_refillCallsignList();
  if (g_blockChangedRequest.exchange(false)) lf_applyBlockedCallsign();
  if (g_resetCallsignListRequest.exchange(false)) gf_resetCallsignList();
  if (g_navLightsRequest.exchange(false)) lf_setNavLightsOfParked();
  if (g_maxLiveRequest.exchange(false)) lf_removeLiveSurplus();
  if (g_autoRangeRequest.exchange(false) && g_settings.AUTO_RANGE.value) lf_computeAutoRange();
}

void gf_refreshShownCounts() {
  MainWindowState& w = g_mainWindowState;
  const auto flying = static_cast<std::uint64_t>(std::count_if(g_liveAcs.begin(), g_liveAcs.end(), [](const LiveAc& a) {
    return lf_isActive(a) && a.flightState != FlightState::parked;
  }));
  if (flying != w.liveShown) {
    w.liveShown = flying;
    gf_invalidateMainWindow(g_stateRect, true);
  }
  const auto statics = static_cast<std::uint64_t>(gf_countStaticAircraft(true));
  const auto parked = static_cast<std::uint64_t>(gf_countLiveParked(true));
  if (statics != w.staticCount || parked != w.parkedLive) {
    w.staticCount = statics;
    w.parkedLive = parked;
    gf_invalidateMainWindow(g_parkRect, true);
  }
}

}  // namespace vexo
