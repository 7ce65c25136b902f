// The readers on real loopback sockets, fed by the traffic-source stand-in.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <future>
#include <thread>

#include "foundation/main_window_state.h"
#include "platform/net.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/reader_threads.h"
#include "record_helpers.h"
#include "recording.h"
#include "test_support.h"

using namespace vexo;
using namespace std::chrono_literals;

namespace {

// Keeps the datagrams it gets.
class KeepingReceiver : public UdpReceiver {
public:
  void onReceive() override {
    const std::lock_guard lock(mutex);
    received.emplace_back(datagram());
  }
  void onStop() override { stopped.store(true); }
  std::size_t count() const {
    const std::lock_guard lock(mutex);
    return received.size();
  }
  mutable std::mutex mutex;  // guards received
  std::vector<std::string> received;
  std::atomic<bool> stopped{false};
};

void lf_send(std::uint16_t port, const std::string& bytes) {
  int error = 0;
  bool atBind = false;
  const platform::Socket socket = platform::gf_openUdpSocket(0, true, error, atBind);
  ASSERT_TRUE(socket.valid());
  ASSERT_TRUE(platform::gf_sendDatagramToLoopback(socket.fd(), port, bytes, error)) << error;
}

// To another address of the loopback network than 127.0.0.1.
void lf_sendTo(const char* address, std::uint16_t port, const std::string& bytes) {
  int error = 0;
  bool atBind = false;
  const platform::Socket socket = platform::gf_openUdpSocket(0, false, error, atBind);
  ASSERT_TRUE(socket.valid());
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  ASSERT_EQ(::inet_pton(AF_INET, address, &to.sin_addr), 1);
  ASSERT_EQ(::sendto(socket.fd(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
            static_cast<ssize_t>(bytes.size()));
}

}  // namespace

TEST(UdpReader, OversizedDatagramsAreDroppedAndTheLoopGoesOn) {
  test::LogCapture log;
  KeepingReceiver receiver;
  receiver.createAndBind(0, true);
  auto loop = std::async(std::launch::async, [&] { receiver.receiveLoop(true); });
  lf_send(receiver.boundPort(), std::string(16383, 'a'));
  lf_send(receiver.boundPort(), std::string(16384, 'b'));
  lf_send(receiver.boundPort(), std::string(20000, 'c'));
  lf_send(receiver.boundPort(), "after");
  ASSERT_TRUE(test::waitUntil([&] { return receiver.count() == 2; }));
  EXPECT_EQ(receiver.received[0].size(), 16383u);
  EXPECT_EQ(receiver.received[1], "after");
  EXPECT_EQ(receiver.datagramCount.load(), 2u);
  EXPECT_TRUE(log.contains("buffer overrun: 16384 bytes"));
  EXPECT_TRUE(log.contains("buffer overrun: 20000 bytes"));

  receiver.stopRequested.store(true);  // noticed within one receive time-out
  ASSERT_EQ(loop.wait_for(test::g_patience), std::future_status::ready);
  loop.get();
  EXPECT_TRUE(receiver.stopped.load());
  EXPECT_FALSE(receiver.hasSocket());
}

TEST(UdpReader, ReadersTakeAReplayedRecording) {
  test::LogCapture log;
  test::IntakeScope intake;
  gf_resetReaders();
  const LatLon edkb{50.7677, 7.1628};
  g_trafficReceiver.setRefPosition(edkb);
  g_trafficReceiver.setParkAirport(ParkAirportRef{edkb, 197.0});
  g_trafficReceiver.setParkAirportElevation(197.0);

  std::thread traffic(lf_trafficReaderThread, 0, true);
  std::thread qnh(lf_qnhReaderThread, 0, true);
  ASSERT_TRUE(test::waitUntil([&] {
    return log.contains("Traffic Reader connected") && log.contains("QNH Reader connected");
  }));

  standin::ReplayOptions options;
  options.trafficPort = g_trafficReceiver.boundPort();
  options.weatherPort = g_qnhReceiver.boundPort();
  options.speed = 0.0;
  g_qnh.store(0);
  const auto counts = standin::gf_replay(
      standin::gf_readRecording(test::testdataDir() / "realtraffic" / "edkb_landing.csv"), options);
  EXPECT_EQ(counts.traffic, 11u);
  EXPECT_EQ(counts.failed, 0u);
  ASSERT_TRUE(test::waitUntil([&] { return intake.size() == 11; }));
  ASSERT_TRUE(test::waitUntil([&] { return g_qnh.load() == 1013; }));
  // Rebased to now: the record clock is today's.
  const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(g_trafficReceiver.recordTime.load(), now, 3600.0);

  g_trafficReceiver.stopRequested.store(true);
  g_qnhReceiver.stopRequested.store(true);
  traffic.join();
  qnh.join();
  EXPECT_TRUE(log.contains("Traffic Reader has stopped"));
  EXPECT_TRUE(log.contains("QNH Reader has stopped"));
  EXPECT_EQ(g_trafficLight.load(), g_lightStopped);
  gf_resetReaders();
}

// RealTraffic on this PC: the reader listens on 127.0.0.1 only and takes every datagram.
// On another PC: it listens on every address and drops a datagram that repeats the one
// before it byte for byte.
TEST(UdpReader, ReaderListensAndDropsRepeatsByWhereRealTrafficRuns) {
  test::LogCapture log;
  struct Case {
    bool atThisPc;
    std::uint32_t delivered;  // of three copies, one other datagram, one to 127.0.0.2 and the mark
  };
  for (const Case c : {Case{true, 5}, Case{false, 4}}) {
    SCOPED_TRACE(c.atThisPc);
    gf_resetReaders();
    g_qnh.store(0);
    gf_setReaderLight(g_qnhLight, g_lightStopped);
    std::thread reader(lf_qnhReaderThread, 0, c.atThisPc);
    ASSERT_TRUE(test::waitUntil([] { return g_qnhLight.load() == g_lightReceiving; }));
    const std::uint16_t port = g_qnhReceiver.boundPort();
    const std::string copy = fmt::format(R"({{"QNH": {}}})", c.atThisPc ? 1001 : 1002);
    for (int i = 0; i < 3; ++i) lf_send(port, copy);
    lf_send(port, R"({"QNH": 1003})");
    lf_sendTo("127.0.0.2", port, R"({"QNH": 1004})");
    lf_send(port, R"({"QNH": 1005})");
    ASSERT_TRUE(test::waitUntil([] { return g_qnh.load() == 1005; }));
    EXPECT_EQ(g_qnhReceiver.datagramCount.load(), c.delivered);
    g_qnhReceiver.stopRequested.store(true);
    reader.join();
  }
  gf_resetReaders();
}

// Before RealTraffic is awaited again both readers start over: no record time, no
// callsigns, no stop, the QNH back to 1013 and its counters to 0, the lights receiving.
TEST(UdpReader, ResetTakesBothReadersBackToTheirStart) {
  g_trafficReceiver.recordTime.store(1700000000.0);
  g_trafficReceiver.startCollectingCallsigns();
  ASSERT_TRUE(g_trafficReceiver.collectCallsign("AAL1"));
  g_trafficReceiver.stopRequested.store(true);
  g_trafficReceiving.store(false);
  g_qnhReceiver.lastQnh.store(1020);
  g_qnhReceiver.stopRequested.store(true);
  g_qnhReceiver.datagramCount.store(7);
  g_qnhReceiver.countAtLastCheck.store(5);
  g_qnhReceiving.store(false);
  gf_resetReaders();
  EXPECT_EQ(g_trafficReceiver.recordTime.load(), 0.0);
  EXPECT_TRUE(g_trafficReceiver.callsigns().empty());
  EXPECT_FALSE(g_trafficReceiver.stopRequested.load());
  EXPECT_TRUE(g_trafficReceiving.load());
  EXPECT_EQ(g_qnhReceiver.lastQnh.load(), 1013);
  EXPECT_FALSE(g_qnhReceiver.stopRequested.load());
  EXPECT_EQ(g_qnhReceiver.datagramCount.load(), 0u);
  EXPECT_EQ(g_qnhReceiver.countAtLastCheck.load(), 0u);
  EXPECT_TRUE(g_qnhReceiving.load());
  g_trafficReceiver.stopCollectingCallsigns();
}

TEST(UdpReader, BindFailureEndsTheRunWithReaderError) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  KeepingReceiver holder;
  holder.createAndBind(0, true);
  lf_trafficReaderThread(holder.boundPort(), true);  // returns after reporting
  EXPECT_TRUE(log.contains("bind to stream socket failed, error: 10048 Address already in use"));
  EXPECT_TRUE(g_closing.load());
  EXPECT_EQ(g_exitReason.load(), ExitReason::readerError);
  EXPECT_TRUE(log.contains("Traffic Reader disconnected"));
  EXPECT_EQ(g_trafficLight.load(), g_lightStopped);
}

TEST(UdpReader, LightsFollowTheDatagrams) {
  gf_resetReaders();
  gf_setRtLinkUp(false);
  g_trafficLight.store(g_lightReceiving);
  gf_updateReaderLights();  // not tracked while the link is down
  EXPECT_EQ(g_trafficLight.load(), g_lightReceiving);

  gf_setRtLinkUp(true);
  g_trafficReceiver.countAtLastCheck.store(g_trafficReceiver.datagramCount.load());
  gf_updateReaderLights();
  EXPECT_EQ(g_trafficLight.load(), g_lightIdle);
  EXPECT_EQ(g_qnhLight.load(), g_lightIdle);
  EXPECT_FALSE(g_trafficReceiving.load());
  g_trafficReceiver.datagramCount.fetch_add(1);
  gf_updateReaderLights();
  EXPECT_EQ(g_trafficLight.load(), g_lightReceiving);
  EXPECT_EQ(g_qnhLight.load(), g_lightIdle);
  EXPECT_TRUE(g_trafficReceiving.load());
  gf_setRtLinkUp(false);
  gf_setReaderLight(g_trafficLight, g_lightStopped);
  gf_setReaderLight(g_qnhLight, g_lightStopped);
}

// The reader thread collects callsigns while the window's thread starts, reads and clears
// the set: under ThreadSanitizer any access outside the set's lock is reported.
TEST(UdpReader, CallsignsAreCollectedWhileAnotherThreadReadsAndClearsThem) {
  test::IntakeScope intake(false);
  TrafficReceiver receiver;
  receiver.setRefPosition(test::g_klax);
  receiver.createAndBind(0, true);
  auto loop = std::async(std::launch::async, [&] { receiver.receiveLoop(true); });
  int error = 0;
  bool atBind = false;
  const platform::Socket socket = platform::gf_openUdpSocket(0, true, error, atBind);
  ASSERT_TRUE(socket.valid());
  auto send = [&](const std::string& callsign) {
    platform::gf_sendDatagramToLoopback(socket.fd(), receiver.boundPort(), test::makeRecord({{9, callsign}}), error);
  };
  for (int i = 0; i < 3000; ++i) {
    send(fmt::format("CS{}", i % 40));
    if (i % 10 == 0) receiver.startCollectingCallsigns();
    if (i % 7 == 0) receiver.clearCallsigns();
    if (i % 13 == 0) receiver.stopCollectingCallsigns();
    for (const std::string& callsign : receiver.callsigns()) ASSERT_TRUE(callsign.starts_with("CS")) << callsign;
  }
  receiver.startCollectingCallsigns();
  ASSERT_TRUE(test::waitUntil([&] {
    send("LAST1");
    return receiver.callsigns().contains("LAST1");
  }));
  receiver.stopRequested.store(true);
  ASSERT_EQ(loop.wait_for(test::g_patience), std::future_status::ready);
  loop.get();
}
