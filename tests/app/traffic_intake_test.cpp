// The readers of a run, started as the start of traffic starts them, hand the traffic of a
// recording to the engine's queue once the intake is on, and stop with the run's stop token.
// The start of traffic itself, against the simulator stand-in, where no RealTraffic is
// waited for: RealTraffic on another PC, or Aerowinx mode.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "app/start_traffic.h"
#include "app/start_up.h"
#include "app/window_requests.h"
#include "app/worker_threads.h"
#include "engine/live_report.h"
#include "fake_timer.h"
#include "foundation/main_window_state.h"
#include "foundation/status_line.h"
#include "platform/stream_socket.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/rt_server.h"
#include "realtraffic/traffic_receiver.h"
#include "recording.h"
#include "run_flags.h"
#include "simlink/open_chain.h"
#include "simlink/sim_link_state.h"
#include "simstandin/sim_standin.h"
#include "simstandin/sim_world.h"
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

namespace {

// Whether a reader bound to the port takes datagrams sent to any address of the machine:
// 127.0.0.2 can then not be bound beside it, as it can beside one bound to 127.0.0.1.
bool takesAnyAddress(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(0x7F000002);
  const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno == EADDRINUSE;
  ::close(fd);
  return taken;
}

// The start of traffic as the start-up runs it, against the simulator stand-in on loopback
// with a flight at Los Angeles; the readers on free ports. Sleeps take no time.
class StartTrafficTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::resetAppRunFlags();
    ::setenv("VDRK_PIPE_DIR", pipes_.path().c_str(), 1);  // no simulator on a pipe
    ::setenv("VDRK_QNH_PORT", std::to_string(test::freeLoopbackPort(SOCK_DGRAM)).c_str(), 1);
    ::setenv("VDRK_TRAFFIC_PORT", std::to_string(trafficPort_).c_str(), 1);
    port_ = standin_.listenTcp(platform::g_familyIpv4);
    ASSERT_NE(port_, 0);
    simstandin::UserAircraftState user;
    user.latitude = 33.9416;
    user.longitude = -118.4085;
    world_.setUserAircraft(user);
    standin_.start();
    SimConnectEnvironment environment = gf_simConnectEnvironment();
    environment.cfgFolders.clear();
    environment.readPort = [port = std::to_string(port_)](bool ipv6) { return ipv6 ? std::string() : port; };
    g_simLink.open = [environment](HANDLE* handle) {
      return gf_openSimConnect(handle, "Vendrake_P3D", nullptr, 0, nullptr, 0, environment);
    };
    fake_.onSleep = [](auto) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); };
  }
  void TearDown() override {
    g_readerThreads.requestStop();
    EXPECT_TRUE(g_readerThreads.waitEnded(30s));
    g_simClientThread.stopAndJoin();
    standin_.stop();
    g_simLink.open = {};
    gf_resetSimLink(5);
    gf_closeRTServer();
    g_rtAtThisPc = false;
    g_rtProfessional = false;
    g_settings.AEROWINX.value = false;
    gf_setRtLinkUp(false);
    for (const char* name : {"VDRK_PIPE_DIR", "VDRK_QNH_PORT", "VDRK_TRAFFIC_PORT"}) ::unsetenv(name);
    test::resetAppRunFlags();
  }

  // Starts traffic on its own thread, lets the flight run once the link is set up, and
  // gives lf_startTraffic's result.
  bool startTraffic() {
    auto started = std::async(std::launch::async, [this] { return lf_startTraffic(fake_.timer()); });
    EXPECT_TRUE(standin_.waitForRequestCount(SimConnectFunction::SetNotificationGroupPriority, 1, 30s));
    world_.setFlightRunning(true);
    const bool ready = started.wait_for(30s) == std::future_status::ready;
    EXPECT_TRUE(ready) << "flight " << g_flightRunning << ", on ground known " << g_userOnGroundKnown << "\n"
                       << log_.text();
    if (!ready) g_windowClosed = true;  // the start gives up
    const bool result = started.get();
    if (result) {
      EXPECT_TRUE(waitUntil([this] { return g_trafficReceiver.boundPort() == trafficPort_; }));
    }
    return result;
  }

  test::LogCapture log_;
  test::TempDir pipes_;
  std::uint16_t trafficPort_ = test::freeLoopbackPort(SOCK_DGRAM);
  // Its clock runs: the on-ground report that counts comes with a simulated second.
  static simstandin::StandinOptions clockRunning() {
    simstandin::StandinOptions options;
    options.clockRuns = true;
    return options;
  }
  simstandin::SimStandin standin_{clockRunning()};
  simstandin::SimWorld world_{standin_};
  std::uint16_t port_ = 0;
  test::FakeTimer fake_;
};

}  // namespace

// RealTraffic on another PC: no server is opened and none is waited for, the link counts
// as up, and the Traffic Reader takes datagrams sent to any address of this machine.
TEST_F(StartTrafficTest, RealTrafficOnAnotherPcIsNotWaitedForAndItsTrafficComesFromAnyAddress) {
  g_rtAtThisPc = false;
  ASSERT_TRUE(startTraffic()) << log_.text();
  EXPECT_TRUE(gf_rtLinkUp());
  EXPECT_EQ(g_rtServer.port(), 0);
  EXPECT_FALSE(log_.contains("Waiting for RealTraffic to connect"));
  EXPECT_TRUE(g_rtNotConnectedYet);
  EXPECT_TRUE(takesAnyAddress(trafficPort_));
  EXPECT_FALSE(g_closing);
}

// Aerowinx mode with RealTraffic on this PC: no server, no version asked and the standard
// edition; the readers still start, the Traffic Reader on loopback only.
TEST_F(StartTrafficTest, AerowinxModeOpensNoServerAndStillStartsTheReaders) {
  g_rtAtThisPc = true;
  g_settings.AEROWINX.value = true;
  g_rtProfessional = true;  // left from an earlier run
  ASSERT_TRUE(startTraffic()) << log_.text();
  EXPECT_TRUE(gf_rtLinkUp());
  EXPECT_EQ(g_rtServer.port(), 0);
  EXPECT_FALSE(log_.contains("Waiting for RealTraffic to connect"));
  EXPECT_FALSE(g_rtProfessional);
  EXPECT_NE(g_qnhReceiver.boundPort(), 0);
  EXPECT_FALSE(takesAnyAddress(trafficPort_));
  EXPECT_FALSE(g_closing);
}
