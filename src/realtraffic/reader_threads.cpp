#include "realtraffic/reader_threads.h"

#include <fmt/format.h>
#include <gsl/util>

#include <exception>
#include <string>

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/log.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/traffic_receiver.h"

namespace vexo {

std::atomic<bool> g_trafficReceiving{false};
std::atomic<bool> g_qnhReceiving{false};

namespace {

// The Traffic Reader drives both lights at its start and end, the QNH Reader its own.
void lf_setLights(bool trafficReader, std::uint32_t value) {
  if (trafficReader) gf_setReaderLight(g_trafficLight, value);
  gf_setReaderLight(g_qnhLight, value);
}

void lf_runReader(UdpReceiver& receiver, std::string_view name, bool trafficReader, std::uint16_t port,
                  bool atThisPc) {
  const auto exitGuard = gsl::finally([&] {
    try {
      receiver.closeSocket();
      lf_setLights(trafficReader, g_lightStopped);
      lf_logReaderDisconnected(name);
    } catch (...) {  // the guard must not throw
    }
  });
  try {
    receiver.createAndBind(port, atThisPc);
    lf_setLights(trafficReader, g_lightReceiving);
    lf_logReaderConnected(name);
    receiver.receiveLoop(atThisPc);
  } catch (const std::exception& e) {
    gf_reportReaderError(name, e.what());
  } catch (...) {
    gf_reportReaderError(name, "Unknown exception");
  }
}

void lf_updateLight(UdpReceiver& receiver, std::atomic<std::uint32_t>& light, std::atomic<bool>& receiving) {
  const std::uint32_t count = receiver.datagramCount.load();
  const std::uint32_t previous = receiver.countAtLastCheck.exchange(count);
  if (count == previous) {
    gf_setReaderLight(light, g_lightIdle);
    receiving.store(false);
  } else if (!receiving.exchange(true)) {
    gf_setReaderLight(light, g_lightReceiving);
  }
}

}  // namespace

void lf_trafficReaderThread(std::uint16_t port, bool atThisPc) {
  lf_runReader(g_trafficReceiver, g_trafficReaderName, true, port, atThisPc);
}

void lf_qnhReaderThread(std::uint16_t port, bool atThisPc) {
  lf_runReader(g_qnhReceiver, g_qnhReaderName, false, port, atThisPc);
}

void gf_updateReaderLights() {
  if (!gf_rtLinkUp()) return;
  lf_updateLight(g_qnhReceiver, g_qnhLight, g_qnhReceiving);
  lf_updateLight(g_trafficReceiver, g_trafficLight, g_trafficReceiving);
}

void gf_resetReaders() {
  g_trafficReceiver.recordTime.store(0.0);
  g_trafficReceiver.clearCallsigns();
  g_trafficReceiver.stopRequested.store(false);
  g_trafficReceiving.store(true);
  g_qnhReceiver.lastQnh.store(g_standardQnh);
  g_qnhReceiver.stopRequested.store(false);
  g_qnhReceiver.datagramCount.store(0);
  g_qnhReceiver.countAtLastCheck.store(0);
  g_qnhReceiving.store(true);
}

void lf_logReaderConnected(std::string_view threadName) { gf_logIndented(fmt::format("{} connected", threadName)); }

void lf_logReaderDisconnected(std::string_view threadName) {
  gf_logIndented(fmt::format("{} disconnected", threadName));
}

}  // namespace vexo
