#include "realtraffic/reader_display.h"

#include "foundation/main_window_state.h"

namespace vexo {

namespace {

void lf_repaintStateBand() { gf_invalidateMainWindow(g_stateRect, true); }

}  // namespace

void gf_setReaderLight(std::atomic<std::uint32_t>& light, std::uint32_t value) {
  light.store(value);
  lf_repaintStateBand();
}

void gf_showQnh(std::int32_t qnh) {
  g_mainWindowState.qnhShown.store(static_cast<std::uint32_t>(qnh));
  std::uint32_t idle = g_lightIdle;
  g_qnhLight.compare_exchange_strong(idle, g_lightReceiving);
  lf_repaintStateBand();
}

void gf_setRtLinkUp(bool up) {
  g_mainWindowState.rtConnected.store(up);
  lf_repaintStateBand();
}

bool gf_rtLinkUp() { return g_mainWindowState.rtConnected.load(); }

}  // namespace vexo
