#include "foundation/main_window_state.h"

namespace vexo {

MainWindowState g_mainWindowState;
std::atomic<std::uint32_t>& g_trafficLight = g_mainWindowState.trafficLight;
std::atomic<std::uint32_t>& g_qnhLight = g_mainWindowState.qnhLight;

std::intptr_t gf_packRect(const platform::Rect& area) {
  auto field = [](int v, int shift) {
    return static_cast<std::uint64_t>(static_cast<std::uint16_t>(v)) << shift;
  };
  return static_cast<std::intptr_t>(field(area.left, 0) | field(area.top, 16) | field(area.right, 32) |
                                    field(area.bottom, 48));
}

platform::Rect gf_unpackRect(std::intptr_t packed) {
  const auto bits = static_cast<std::uint64_t>(packed);
  auto field = [bits](int shift) { return static_cast<int>(static_cast<std::int16_t>((bits >> shift) & 0xFFFF)); };
  return {field(0), field(16), field(32), field(48)};
}

void gf_invalidateMainWindow(const platform::Rect& area, bool erase) {
  platform::gf_postMainWindowMessage(WM_APP_INVALIDATE, erase ? 1 : 0, gf_packRect(area));
}

void gf_setMainWindowTopmost(bool topmost) {
  platform::gf_postMainWindowMessage(WM_APP_SET_TOPMOST, topmost ? 1 : 0, 0);
}

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
