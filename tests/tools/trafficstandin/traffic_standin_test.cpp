// The traffic stand-in as the program meets it: a replay that waits for the program's
// link, the weather repeated for readers that start late, and a loop over a recording
// without traffic that waits rather than spins. Replays run on a clock of the test's own.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "recording.h"
#include "rt_client.h"
#include "test_support.h"

namespace vexo::test {
namespace {

using namespace std::chrono_literals;
using standin::RecordingLine;

// A loopback socket of the test: UDP to receive the replay, or TCP bound but not yet
// listening, so that connecting to it is refused until listen().
class LoopbackSocket {
public:
  explicit LoopbackSocket(int type) : fd_(::socket(AF_INET, type, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackSocket() { ::close(fd_); }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;
  std::uint16_t port() const { return port_; }
  int fd() const { return fd_; }

  // The next datagram within 10 s; empty when none.
  std::string receive(int timeoutMs = 10000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return {};
    char buffer[2048];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  // Every datagram already here (loopback delivers a datagram before its send returns).
  std::vector<std::string> drain() {
    std::vector<std::string> all;
    for (std::string d = receive(0); !d.empty(); d = receive(0)) all.push_back(d);
    return all;
  }

private:
  int fd_;
  std::uint16_t port_ = 0;
};

// Time that passes only when the replay waits.
struct FakeClock {
  standin::ReplayClock::TimePoint now{};
  std::size_t waits = 0;
  standin::ReplayClock clock() {
    return {[this] { return now; },
            [this](standin::ReplayClock::TimePoint due, const std::atomic<bool>*) {
              ++waits;
              now = std::max(now, due);
            }};
  }
  double seconds() const { return std::chrono::duration<double>(now.time_since_epoch()).count(); }
};

RecordingLine lf_weather(const std::string& text) { return {RecordingLine::Kind::weather, text, 0.0}; }
RecordingLine lf_traffic(double time) {
  return {RecordingLine::Kind::traffic,
          "AITFC,abc123,33.9,-118.4,1000,0,1,90,150,UAL1,B738,N1,LAX,SFO," + std::to_string(time), time};
}

TEST(TrafficStandin, ReplayBeginsOnlyOnceTheProgramsLinkIsAccepted) {
  TempDir dir;
  writeFile(dir / "r.csv", "{\"weather\":1}\nAITFC,abc123,33.9,-118.4,1000,0,1,90,150,UAL1,B738,N1,LAX,SFO,1000\n");
  LoopbackSocket udp(SOCK_DGRAM);
  LoopbackSocket server(SOCK_STREAM);  // the program's server, not listening yet
  standin::RtClient client({server.port(), 1, "9", {}});
  standin::ReplayOptions options;
  options.weatherPort = options.trafficPort = udp.port();
  options.speed = 0;
  std::atomic<bool> stop{false}, asked{false}, listening{false}, upEarly{false};
  std::thread replay([&] {
    standin::gf_replayRecordings({dir / "r.csv"}, options, false, [&] {
      asked = true;
      const bool up = client.waitForConnection(stop);
      upEarly = up && !listening;
      return up;
    }, {});
  });
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!asked && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(asked);
  EXPECT_TRUE(udp.drain().empty()) << "nothing before the link";

  listening = true;
  ASSERT_EQ(::listen(server.fd(), 1), 0);
  EXPECT_EQ(udp.receive(), "{\"weather\":1}");
  EXPECT_TRUE(udp.receive().starts_with("RTTFC,abc123"));
  replay.join();
  EXPECT_FALSE(upEarly);
}

TEST(TrafficStandin, LatestWeatherIsSentAgainEveryTenSecondsOfTheRecording) {
  std::vector<RecordingLine> lines{lf_weather("W1")};
  for (int t = 0; t <= 60; ++t) {
    if (t == 35) lines.push_back(lf_weather("W2"));
    lines.push_back(lf_traffic(1000.0 + t));
  }
  struct Case {
    double every;
    std::vector<std::string> weather;
  };
  for (const Case& c : {Case{10, {"W1", "W1", "W1", "W1", "W2", "W2", "W2"}}, Case{0, {"W1", "W2"}}}) {
    LoopbackSocket udp(SOCK_DGRAM);
    FakeClock fake;
    standin::ReplayOptions options;
    options.weatherPort = options.trafficPort = udp.port();
    options.weatherEvery = c.every;
    options.clock = fake.clock();
    const auto counts = standin::gf_replay(lines, options);
    std::vector<std::string> weather;
    for (const std::string& d : udp.drain())
      if (!d.starts_with("RTTFC")) weather.push_back(d);
    EXPECT_EQ(weather, c.weather) << c.every;
    EXPECT_EQ(counts.weather, c.weather.size());
    EXPECT_EQ(counts.traffic, 61u);
    EXPECT_EQ(fake.seconds(), 60.0) << "paced by the recording";
  }
}

// Counted in passes per second of the replay's clock: a spinning loop makes many passes
// while its clock stands still.
TEST(TrafficStandin, LoopOverARecordingWithoutTrafficWaits) {
  TempDir dir;
  writeFile(dir / "weather.csv", "{\"weather\":1}\n");
  LoopbackSocket udp(SOCK_DGRAM);
  FakeClock fake;
  std::atomic<bool> stop{false};
  standin::ReplayOptions options;
  options.weatherPort = options.trafficPort = udp.port();
  options.stop = &stop;
  options.clock = fake.clock();
  std::size_t passes = 0;
  standin::gf_replayRecordings({dir / "weather.csv"}, options, true, {},
                               [&](const std::filesystem::path&, const standin::ReplayCounts& counts) {
                                 EXPECT_EQ(counts.weather, 1u);
                                 if (++passes == 50) stop = true;
                               });
  EXPECT_EQ(passes, 50u);
  EXPECT_EQ(fake.seconds(), 49 * 10.0);  // one weather line every 10 s
  EXPECT_EQ(udp.drain().size(), 50u);
}

}  // namespace
}  // namespace vexo::test
