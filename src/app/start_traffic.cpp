#include "app/start_traffic.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "app/main_window_state.h"
#include "app/run_state.h"
#include "app/status_line.h"
#include "foundation/log.h"

namespace vexo {

std::atomic<bool> g_rtProfessional{false};

namespace {

void lf_showEdition(const std::string& text) {
  g_mainWindowState.updateTexts([&](ShownTexts& t) { t.rtEdition = text; });
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
    gf_log(fmt::format("{}: JSON parse failed: {}", "lf_processRTVersion", e.what()));
  }
}

bool lf_waitForUserAircraft(const SteadyTimer& timer) {
  while (!g_flightRunning) {
    if (gf_runEnding()) return false;
    timer.sleepFor(std::chrono::milliseconds(100));
  }
  return !gf_runEnding();
}

void lf_waitForRealTraffic(const SteadyTimer&) {}

bool lf_startTraffic(const SteadyTimer& timer) {
  if (!lf_waitForUserAircraft(timer)) return false;
  return !gf_runEnding();
}

}  // namespace vexo
