#include "app/main_window_state.h"

namespace vexo {

MainWindowState g_mainWindowState;
std::atomic<std::uint32_t>& g_trafficLight = g_mainWindowState.trafficLight;
std::atomic<std::uint32_t>& g_qnhLight = g_mainWindowState.qnhLight;

MainWindowState::MainWindowState() { initialised = true; }

MainWindowState::~MainWindowState() {
  initialised = false;
  std::lock_guard lock(textsMutex_);
  texts_ = ShownTexts{};
}

ShownTexts MainWindowState::texts() const {
  std::lock_guard lock(textsMutex_);
  return texts_;
}

void MainWindowState::updateTexts(const std::function<void(ShownTexts&)>& change) {
  std::lock_guard lock(textsMutex_);
  change(texts_);
}

void MainWindowState::resetShown() {
  updateTexts([](ShownTexts& t) { t = ShownTexts{}; });
  staticAverageFit = -1.0f;
  liveAverageFit = -1.0f;
  // The scan counts (liveries, add-on airports) stay: a restart in the same process
  // keeps what the scans found and does not necessarily scan again.
  for (auto* count : {&liveShown, &parkedLive, &staticCount, &stands, &staticCandidates}) *count = 0;
  parkPercentage = 0;
  qnhShown = 0;
  maxPark = 0;
  minutesToRenewal = 20;
  trafficWeek = 0;
  updatesCount = 0;
  for (auto* flag : {&handmade, &rtConnected, &parkAirportValid, &parkAirportSet, &simConnected, &flightRunning,
                     &softMode, &weekMode, &reservedStandValid, &tbloNote})
    *flag = false;
  rtNotStarted = true;
  userAcKnown = true;
  trafficLight = g_lightStopped;
  qnhLight = g_lightStopped;
}

}  // namespace vexo
