#include "realtraffic/reader_display.h"

#include <mutex>
#include <utility>

#include "app/main_window_state.h"

namespace vexo {

namespace {

std::mutex g_repainterMutex;  // guards g_repainter
std::function<void()> g_repainter;

void lf_repaintStateBand() {
  std::function<void()> repaint;
  {
    const std::lock_guard lock(g_repainterMutex);
    repaint = g_repainter;
  }
  if (repaint) repaint();
}

}  // namespace

void gf_setStateBandRepainter(std::function<void()> repaint) {
  const std::lock_guard lock(g_repainterMutex);
  g_repainter = std::move(repaint);
}

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
