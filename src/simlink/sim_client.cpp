#include "simlink/sim_client.h"

#include <chrono>
#include <thread>

#include <fmt/format.h>

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "foundation/error.h"
#include "foundation/install_query.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/time_text.h"
#include "simlink/sim_definitions.h"
#include "simlink/sim_dispatch.h"
#include "simlink/user_aircraft.h"

namespace vexo {

namespace {

constexpr std::size_t g_queueRoom = 256;
constexpr auto g_openRetry = std::chrono::milliseconds(100);
constexpr auto g_dispatchPeriod = std::chrono::milliseconds(1);

void lf_sleepUntil(std::chrono::steady_clock::time_point deadline) {
  while (std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

void lf_flushLog() {
  std::lock_guard lock(g_logMutex);
  if (g_logFile.is_open()) g_logFile.flush();
}

// Clears the shared handle first and under the mutex, whatever happens afterwards, so that
// no other thread can reach the client once it is closed.
void lf_exitSteps(SimLink& link, HANDLE& local) {
  {
    std::lock_guard lock(link.simConnectMutex);
    link.hSimConnect = nullptr;
  }
  try {
    lf_rememberUserStand(link);
    g_mainWindowState.simConnected = false;
    gf_repaintSimState();
  } catch (...) {
    // The connection is closed below in any case.
  }
  lf_closeSimConnect(local);
}

// Dispatches until a stop is requested; false when the link failed.
bool lf_dispatchLoop(SimLink& link, HANDLE local, const std::stop_token& stop, bool& noLongerConnected) {
  while (!stop.stop_requested()) {
    const HRESULT hr = SimConnect_CallDispatch(local, lf_dispatch, &link);
    const auto after = std::chrono::steady_clock::now();
    if (!gf_succeeded(hr)) {
      gf_logWarning(fmt::format("SimConnect link failed, status 0x{:08X}", static_cast<std::uint32_t>(hr)));
      lf_simNoLongerConnected(noLongerConnected);
      return false;
    }
    lf_sleepUntil(after + g_dispatchPeriod);
  }
  return true;
}

void lf_connectAndDispatch(SimLink& link, HANDLE& local, const std::stop_token& stop, bool& noLongerConnected) {
  bool first = true;
  for (;;) {
    if (gf_runEnding() || stop.stop_requested()) return;
    if (first) {
      first = false;
      gf_log(" ");
      // The version the install path names (a user with v6 installed reads v6), else the
      // P3D_VERSION setting that the link was prepared with.
      gf_setStatus(fmt::format("Waiting for Prepar3Dv{} ...", gf_getP3dMajorVersion()), true);
      lf_flushLog();
    }
    lf_closeSimConnect(local);
    const HRESULT opened =
        link.open ? link.open(&local) : SimConnect_Open(&local, g_programName, nullptr, 0, nullptr, 0);
    if (!gf_succeeded(opened) || !local) {
      local = nullptr;
      lf_sleepUntil(std::chrono::steady_clock::now() + g_openRetry);
      continue;
    }
    {
      // No other thread may send on the handle while the setup packets go out.
      std::lock_guard lock(link.simConnectMutex);
      link.hSimConnect = local;
      lf_defineSimConnectData(link);
    }
    lf_dispatchLoop(link, local, stop, noLongerConnected);
    return;
  }
}

}  // namespace

void gf_initSimClient(std::uint32_t majorVersion, SimLink& link) {
  link.simMajorVersion = majorVersion;
  {
    std::lock_guard lock(link.simConnectMutex);
    link.simPositionQueue.reserve(g_queueRoom);
    link.simCreateQueue.reserve(g_queueRoom);
    link.simRemovalQueue.reserve(g_queueRoom);
  }
  link.sentCreateList.reserve(g_queueRoom);
  link.objectAddedIds.reserve(g_queueRoom);
  link.simBroken = false;
}

void lf_simClientThread(std::stop_token stop) { gf_runSimClient(g_simLink, std::move(stop)); }

void gf_runSimClient(SimLink& link, std::stop_token stop) {
  {
    std::lock_guard lock(link.simConnectMutex);
    link.hSimConnect = nullptr;
  }
  HANDLE local = nullptr;
  bool noLongerConnected = false;
  try {
    lf_connectAndDispatch(link, local, stop, noLongerConnected);
  } catch (const UserErrorException& e) {
    const std::string text = e.what();
    gf_setStatusError(text.empty() ? "Unknown exception" : text);
  } catch (const std::exception& e) {
    gf_setStatusError(e.what());
    lf_simNoLongerConnected(noLongerConnected);
  } catch (...) {
    gf_setStatusError(fmt::format("Exception in {}", "SimClient"));
    lf_simNoLongerConnected(noLongerConnected);
  }
  lf_exitSteps(link, local);
}

void gf_simConnectRequestError(SimLink& link) {
  gf_setStatus("SimConnect request error", true);
  link.simBroken = true;
  gf_requestClosing(ExitReason::simConnectError, 9);
}

void lf_closeSimConnect(HANDLE& handle) {
  if (!handle) return;
  if (SimConnect_Close(handle) < 0)
    gf_logWarning("Closing SimConnect failed?!");
  else
    gf_log("SimConnect closed ok");
  handle = nullptr;
}

void lf_simNoLongerConnected(bool& flag) {
  if (!flag) {
    g_flightRunning = false;
    if (!g_closing) {
      gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_utcClockNow(),
                         g_programName));
      gf_requestClosing(ExitReason::simWasClosed, 0);
    }
  }
  flag = true;
}

void gf_repaintSimState() { gf_invalidateMainWindow(g_stateRect, true); }

}  // namespace vexo
