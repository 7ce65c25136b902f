#include "app/start_traffic.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string_view>

#include "foundation/log_flush.h"
#include "app/main_window_commands.h"
#include "foundation/main_window_state.h"
#include "app/repaint.h"
#include "foundation/run_state.h"
#include "app/start_up.h"
#include "app/tick_grid.h"
#include "foundation/status_line.h"
#include "app/tick_loop.h"
#include "app/window_requests.h"
#include "app/worker_threads.h"
#include "engine/engine_services.h"
#include "foundation/limited_log.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "liveries/liveries_services.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/rt_lines.h"
#include "realtraffic/rt_server.h"
#include "realtraffic/traffic_receiver.h"
#include "simlink/sim_client.h"
#include "simlink/sim_link_state.h"
#include "simlink/sim_vocabulary.h"
#include "simlink/user_aircraft.h"

namespace vexo {

std::atomic<bool> g_rtProfessional{false};

namespace {

void lf_showEdition(const std::string& text) {
  g_mainWindowState.updateTexts([&](ShownTexts& t) { t.rtEdition = text; });
  lf_repaint(g_stateRect, false);
}

}  // namespace

void lf_processRTVersion(const std::string& reply) {
  if (reply.empty()) {
    gf_setStatus("No RealTraffic version received?", true);
    g_rtProfessional = false;
    return;
  }
  try {
    const auto json = nlohmann::json::parse(reply);
    if (!json.is_object()) {
      g_rtProfessional = false;
      lf_showEdition({});
      return;
    }
    const bool professional = json.value("level", 0) == 2;
    g_rtProfessional = professional;
    const std::string version = json.value("version", std::string());
    lf_showEdition(fmt::format("RT {} edition: {}", professional ? "prof" : "stnd", version));
  } catch (const nlohmann::json::exception& e) {
    g_rtProfessional = false;
    lf_showEdition({});
    // The parser's message quotes what it last read of the peer's bytes.
    gf_log(fmt::format("{}: JSON parse failed: {}", "lf_processRTVersion", gf_printableText(e.what())));
  }
}

void gf_sendUserPositionNow(TrafficEngine& engine) {
  gf_sendUserPosition(engine.link.userAc(), g_rtAtThisPc, [&engine] { gf_takeLiveAcsOutOfSim(engine); });
}

void gf_lookForRealTrafficNow() {
  gf_lookForRealTraffic(g_rtServer, g_rtAtThisPc, [](const std::string& reply) {
    lf_processRTVersion(reply);
    g_rtNotConnectedYet = false;
  });
}

LatLon gf_userPosition() {
  const UserAcData user = g_simLink.userAc();
  return {user.latitude, user.longitude};
}

std::optional<bool> gf_userOnGround() {
  if (!g_userOnGroundKnown) return std::nullopt;
  return g_userOnGround.load();
}

namespace {

bool lf_knownPosition(const UserAcData& user) { return !gf_isNullPosition(user.latitude, user.longitude); }

// Until a condition holds: ask for the next user block, give up when the run ends.
bool lf_pollUserAircraft(const SteadyTimer& timer, std::chrono::milliseconds step,
                         const std::function<bool(const UserAcData&)>& done) {
  for (;;) {
    if (done(gf_getUserAcPosition())) return true;
    if (gf_runEnding()) return false;
    timer.sleepFor(step);
  }
}

}  // namespace

bool lf_waitForUserAircraft(const SteadyTimer& timer) {
  while (!g_flightRunning || g_simBroken) {
    if (gf_runEnding()) return false;
    timer.sleepFor(std::chrono::milliseconds(100));
  }
  if (gf_runEnding()) return false;
  HRESULT hr = S_OK;
  {
    std::lock_guard lock(g_simConnectMutex);
    hr = SimConnect_RequestDataOnSimObject(g_hSimConnect, RequestId::userOnGround, DataDefinitionId::userOnGround,
                                           g_simConnectUserObject, SimConnectPeriod::SECOND, 0, 0, 0, 0);
  }
  if (!gf_succeeded(hr)) {
    gf_logWarning("SimConnect request ac gnd/air fails");
    gf_simConnectRequestError();
  }
  using std::chrono::milliseconds;
  if (!lf_pollUserAircraft(timer, milliseconds(500),
                           [](const UserAcData& u) { return g_userOnGroundKnown && lf_knownPosition(u); }))
    return false;
  gf_requestUserAcTitleAndModel();
  return lf_pollUserAircraft(timer, milliseconds(200), lf_knownPosition);
}

void lf_waitForRealTraffic(const SteadyTimer& timer) {
  if (!g_rtAtThisPc) return;
  gf_setStatus("Waiting for RealTraffic to connect to Vendrake_P3D ...", true);
  lf_flushLog();
  gf_resetReaders();
  // The wait gives up by itself when the run ends or the server is closed; a connection
  // that does not answer is given up after g_versionAnswerLooks looks, one a tick's length.
  std::string reply;
  switch (g_rtServer.waitForRealTraffic(reply, [&timer] { timer.sleepFor(TickGrid::g_period); })) {
    case RealTrafficWait::connected:
      lf_processRTVersion(reply);
      gf_setRtLinkUp(true);
      g_rtNotConnectedYet = false;
      gf_log("RealTraffic connected");
      break;
    case RealTrafficWait::silent:
      lf_processRTVersion({});  // the tick goes on looking for RealTraffic
      break;
    case RealTrafficWait::ended:
      break;
  }
  gf_clearStatus();
}

void gf_startReaders(bool atThisPc, const SteadyTimer& timer, std::uint16_t qnhPort, std::uint16_t trafficPort) {
  g_readerThreads.start([atThisPc, qnhPort](std::stop_token stop) {
    std::stop_callback onStop(stop, [] { g_qnhReceiver.stopRequested = true; });
    lf_qnhReaderThread(qnhPort, atThisPc);
  });
  // The QNH is known before the first aircraft arrive.
  timer.sleepFor(std::chrono::seconds(2));
  g_readerThreads.start([atThisPc, trafficPort](std::stop_token stop) {
    std::stop_callback onStop(stop, [] { g_trafficReceiver.stopRequested = true; });
    lf_trafficReaderThread(trafficPort, atThisPc);
  });
}

std::uint16_t gf_readerPort(const char* variable, std::uint16_t standard) {
  const char* text = std::getenv(variable);
  if (text == nullptr || *text == '\0') return standard;
  const std::string_view value(text);
  std::uint16_t port = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
  if (error != std::errc() || end != value.data() + value.size() || port == 0) {
    gf_logWarning(fmt::format("{}='{}' is no port; {} is used", variable, value, standard));
    return standard;
  }
  return port;
}

bool lf_waitForFirstTraffic(const SteadyTimer& timer) {
  const bool arrived = gf_pollUntil(
      timer, [] { return gf_runEnding() || static_cast<long long>(g_trafficReceiver.recordTime.load()) != 0; },
      std::chrono::milliseconds(100), std::chrono::seconds(15));
  return arrived && !gf_runEnding();
}

bool lf_startTraffic(const SteadyTimer& timer) {
  gf_setRtLinkUp(false);
  g_mainWindowState.simConnected = false;
  lf_repaint(g_stateRect, false);
  gf_reserveTrafficTables();
  static std::once_flag liveryTablesReserved;
  std::call_once(liveryTablesReserved, gf_reserveLiveryMatchTables);
  gf_initSimClient(static_cast<std::uint32_t>(g_settings.P3D_VERSION.value.load()));
  lf_repaint(g_stateRect, false);
  g_simClientThread.replace(lf_simClientThread);
  if (!lf_waitForUserAircraft(timer)) return false;
  if (g_settings.AUTO_RANGE.value) lf_computeAutoRange();
  if (!g_rtAtThisPc || g_settings.AEROWINX.value) {
    gf_setRtLinkUp(true);
  } else {
    gf_startRTServer(g_settings.PORT_NUMBER.value());
  }
  if (gf_runEnding()) return false;
  g_mainWindowState.rtNotStarted = false;
  lf_repaint(g_stateRect, false);
  if (!g_settings.AEROWINX.value) {
    lf_waitForRealTraffic(timer);
    if (g_rtProfessional) gf_sendSimTime(g_simUtcSeconds);
  } else {
    g_rtProfessional = false;
  }
  if (gf_runEnding()) return false;
  gf_setTrafficIntake(false);
  gf_startReaders(g_rtAtThisPc, timer, gf_readerPort("VDRK_QNH_PORT", g_qnhPort),
                  gf_readerPort("VDRK_TRAFFIC_PORT", g_trafficPort));
  g_trafficEngine.hooks.sendUserPosition = gf_sendUserPositionNow;
  gf_sendUserPositionNow(g_trafficEngine);
  g_trafficReceiver.setRefPosition(gf_userPosition());
  if (!lf_waitForFirstTraffic(timer) && !gf_runEnding()) gf_log("No traffic in this region?");
  gf_setWeekSlotNow(gf_weekdayAndHalfHour());
  return !gf_runEnding();
}

}  // namespace vexo
