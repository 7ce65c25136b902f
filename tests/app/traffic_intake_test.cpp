// The readers of a run, started as the start of traffic starts them, hand the traffic of a
// recording to the engine's queue once the intake is on, and stop with the run's stop token.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "foundation/main_window_state.h"
#include "app/start_traffic.h"
#include "foundation/status_line.h"
#include "app/worker_threads.h"
#include "engine/live_report.h"
#include "fake_timer.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/traffic_receiver.h"
#include "recording.h"
#include "test_support.h"

using namespace vexo;
using namespace std::chrono_literals;

namespace {

bool waitUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + 30s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

std::size_t queued() {
  std::lock_guard lock(g_liveReportMutex);
  return g_liveReportQueue.size();
}

}  // namespace

TEST(TrafficIntake, ReadersHandTheRecordingToTheEngineAndStopWithTheRun) {
  test::LogCapture log;
  gf_resetReaders();
  g_trafficReceiver.setRefPosition(LatLon{33.9416, -118.4085});  // Los Angeles
  test::FakeTimer fake;
  gf_startReaders(true, fake.timer(), 0, 0);  // any free ports
  ASSERT_TRUE(waitUntil([] { return g_trafficReceiver.boundPort() != 0 && g_qnhReceiver.boundPort() != 0; }))
      << g_statusLine.texts().status << log.text();

  const auto lines = standin::gf_readRecording(test::testdataDir() / "realtraffic" / "KLAX_20200617_2152.csv");
  standin::ReplayOptions options;
  options.speed = 0;
  options.weatherPort = g_qnhReceiver.boundPort();
  options.trafficPort = g_trafficReceiver.boundPort();
  standin::gf_replay(lines, options);  // intake off: nothing reaches the engine
  ASSERT_TRUE(waitUntil([] { return g_trafficReceiver.recordTime.load() != 0.0; }));
  EXPECT_EQ(queued(), 0U);

  {
    std::lock_guard lock(g_liveReportMutex);
    g_trafficIntake = true;  // as the tick loop does when it starts
  }
  standin::gf_replay(lines, options);
  EXPECT_TRUE(waitUntil([] { return queued() > 0; }));
  // The recording's altimeter of 29.96 inHg.
  EXPECT_TRUE(waitUntil([] { return g_mainWindowState.qnhShown.load() == 1015; })) << g_mainWindowState.qnhShown;

  g_readerThreads.requestStop();
  EXPECT_TRUE(g_readerThreads.waitEnded(30s));
  EXPECT_TRUE(log.contains("Traffic Reader disconnected"));
  std::lock_guard lock(g_liveReportMutex);
  g_trafficIntake = false;
  g_liveReportQueue.clear();
}
