// The TCP link with the traffic-source stand-in on the other end.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "foundation/run_state.h"
#include "platform/net.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/rt_lines.h"
#include "realtraffic/rt_server.h"
#include "record_helpers.h"
#include "rt_client.h"
#include "test_support.h"

using namespace vexo;
using namespace std::chrono_literals;

namespace {

const UserPose g_amsterdam{52.0, 4.0, 0.0, 0.0, 0.0, 0.0, 0.0};

bool lf_has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct Link {
  RTServer server;
  std::unique_ptr<standin::RtClient> client;
  explicit Link(int level = 1, std::string version = "9.1.2") {
    server.start("0");
    client = std::make_unique<standin::RtClient>(standin::ClientOptions{server.port(), level, std::move(version), {}});
  }
  bool clientHas(const std::string& line) {
    return client->waitFor([&](const auto& lines) { return lf_has(lines, line); }, test::g_patience);
  }
  // The start's wait, with RealTraffic answering at once: true when it connected.
  bool connect(std::string* reply = nullptr) {
    std::string answer;
    const bool connected =
        server.waitForRealTraffic(answer, [] { std::this_thread::sleep_for(1ms); }) == RealTrafficWait::connected;
    if (reply != nullptr) *reply = answer;
    return connected;
  }
};

// Looks of one a tick (10 ms) in 2.5 s: an answer this late still counts.
constexpr int kLateLooks = 250;

// Whether a peer's end is still open with nothing more to read: it has not been closed.
bool lf_stillOpenAndQuiet(const platform::Socket& peer) {
  return platform::gf_waitReadable(peer.fd(), 0ms) == platform::WaitResult::timeout;
}

// One connection to 127.0.0.1:port, closed as soon as it is made; false when it was not
// made within wait.
bool lf_connectAndClose(std::uint16_t port, std::chrono::milliseconds wait) {
  platform::Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
  if (errno != EINPROGRESS || platform::gf_waitWritable(s.fd(), wait) != platform::WaitResult::ready) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return ::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// A peer on the port that is not RealTraffic: it connects (waiting for that at most
// wait) and then says nothing.
platform::Socket lf_connectSilent(std::uint16_t port, std::chrono::milliseconds wait = 1s) {
  platform::Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == EINPROGRESS)
    platform::gf_waitWritable(s.fd(), wait);
  return s;
}

// What a peer has received until text is among it, or the peer's end of the stream
// (reported as "<end>"), or the patience runs out.
std::string lf_readUntil(const platform::Socket& peer, const std::string& text) {
  std::string got;
  std::array<char, 4096> buffer{};
  const auto deadline = std::chrono::steady_clock::now() + test::g_patience;
  while (got.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    if (platform::gf_waitReadable(peer.fd(), 50ms) != platform::WaitResult::ready) continue;
    const ssize_t n = ::recv(peer.fd(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n <= 0) return got + "<end>";
    got.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return got;
}

// A wait on its own thread that a closed server always ends, so that a test that fails
// does not hang. pauses counts the looks between which it paused.
struct WaitingServer {
  RTServer server;
  std::string reply;
  std::atomic<int> pauses{0};
  std::future<RealTrafficWait> result;
  WaitingServer() {
    server.start("0");
    result = std::async(std::launch::async, [this] {
      return server.waitForRealTraffic(reply, [this] {
        ++pauses;
        std::this_thread::sleep_for(1ms);
      });
    });
  }
  ~WaitingServer() { server.close(); }
  bool ended() { return result.wait_for(test::g_patience) == std::future_status::ready; }
};

}  // namespace

TEST(RtServer, HandshakeAndLines) {
  test::LogCapture log;
  Link link(2, "10.0.1");
  std::string reply;
  ASSERT_TRUE(link.connect(&reply));
  EXPECT_TRUE(link.server.connected());
  EXPECT_EQ(reply, R"({"level": 2, "version": "10.0.1"})");
  // One client at a time: another connection is not even asked while RealTraffic is here.
  const platform::Socket other = lf_connectSilent(link.server.port());
  EXPECT_FALSE(link.server.lookForRealTraffic().answered);
  EXPECT_TRUE(lf_stillOpenAndQuiet(other));

  gf_sendUserPosition(link.server, UserPose{0.00005, -0.00005}, true, {});  // no position yet
  gf_sendUserPosition(link.server, g_amsterdam, false, {});                 // RealTraffic elsewhere
  gf_sendSimTime(link.server, 0);
  gf_sendSimTime(link.server, -5);
  gf_sendUserPosition(link.server, g_amsterdam, true, {});
  gf_sendSimTime(link.server, 1700000000);
  ASSERT_TRUE(link.clientHas("Qs123=1700000000000"));
  EXPECT_EQ(link.client->lines(), (std::vector<std::string>{"Qs999=version", "Qs121=0;0;0.000000;0;0;0.907571;0.069813",
                                                            "Qs123=1700000000000"}));

  link.server.close();
  EXPECT_TRUE(link.clientHas("exit"));
  EXPECT_FALSE(link.server.connected());
  EXPECT_FALSE(link.connect());  // closed: nothing to accept on
  EXPECT_FALSE(log.contains("failed"));
}

// Within 0.0001 degrees of 0,0 (both coordinates) the simulator has not reported the user
// aircraft yet: nothing goes to RealTraffic. Each case is followed by a time line as a mark.
TEST(RtServer, NoUserPositionLineWithinTheBoundAroundZero) {
  struct Case {
    double lat, lon;
    bool sent;
  };
  const Case cases[] = {{0.0000999, -0.0000999, false}, {0.0001, 0.0001, false}, {-0.0001, -0.0001, false},
                        {0.0001001, 0.0, true},         {0.0, -0.0001001, true}, {0.0001001, 0.0001001, true}};
  Link link;
  ASSERT_TRUE(link.connect());
  std::vector<std::string> expected{"Qs999=version"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const UserPose pose{cases[i].lat, cases[i].lon};
    gf_sendUserPosition(link.server, pose, true, {});
    const std::int64_t mark = static_cast<std::int64_t>(i) + 1;
    gf_sendSimTime(link.server, mark);
    if (cases[i].sent) {
      const std::string line = gf_userPositionLine(pose);
      expected.push_back(line.substr(0, line.size() - 2));  // the client keeps lines without "\r\n"
    }
    expected.push_back("Qs123=" + std::to_string(mark * 1000));
  }
  ASSERT_TRUE(link.clientHas(expected.back()));
  EXPECT_EQ(link.client->lines(), expected);
}

TEST(RtServer, UserPositionLine) {
  UserPose pose{52.0, 4.0, -0.05, 0.1, 3.14159265, 35000.0, 250.0};
  EXPECT_EQ(gf_userPositionLine(pose), "Qs121=-5000;10000;3.141593;35000000;250000;0.907571;0.069813\r\n");
  pose = UserPose{-33.5, 151.25, 0.0436, -0.0000001, 6.2, 12.5, 300.0};
  EXPECT_EQ(gf_userPositionLine(pose), "Qs121=4360;0;6.200000;12500;300000;-0.584685;2.639810\r\n");
  // The peer reads no exponent: whole numbers in fixed notation, however round or large.
  pose = UserPose{0.0, 0.0, 0.0, 0.0, 0.0, 100000.0, 100.0};
  EXPECT_EQ(gf_userPositionLine(pose), "Qs121=0;0;0.000000;100000000;100000;0.000000;0.000000\r\n");
}

TEST(RtServer, DroppedLinkIsNoticedAndAcceptedAgain) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  Link link;
  ASSERT_TRUE(link.connect());
  gf_setRtLinkUp(true);
  gf_sendUserPosition(link.server, g_amsterdam, true, {});
  ASSERT_TRUE(link.clientHas("Qs121=0;0;0.000000;0;0;0.907571;0.069813"));

  link.client->drop();
  int takenOut = 0;
  ASSERT_TRUE(test::waitUntil([&] {
    gf_sendUserPosition(link.server, g_amsterdam, true, [&] { ++takenOut; });
    return !link.server.connected();
  }));
  EXPECT_EQ(takenOut, 1);
  EXPECT_FALSE(gf_rtLinkUp());
  EXPECT_TRUE(log.contains("sendDataPacket to RealTraffic failed: "));
  EXPECT_TRUE(log.contains("RealTraffic client socket closed"));
  EXPECT_TRUE(log.contains("RealTraffic gone? Wait for RealTraffic to re-connect ..."));

  // Without RealTraffic the tick's calls return at once; once it connects again and
  // answers, a look takes it back.
  std::vector<std::string> versions;
  const auto version = [&](const std::string& reply) { versions.push_back(reply); };
  const auto tick = [&] {
    gf_lookForRealTraffic(link.server, true, version);
    gf_sendUserPosition(link.server, g_amsterdam, true, [&] { ++takenOut; });
  };
  tick();
  EXPECT_FALSE(link.server.connected());
  // A connection that closes its end when it is asked for its version is no RealTraffic.
  const platform::Socket gone = lf_connectSilent(link.server.port());
  auto closing = std::async(std::launch::async, [&] {
    const std::string asked = lf_readUntil(gone, "Qs999=version\r\n");
    ::shutdown(gone.fd(), SHUT_WR);
    return asked;
  });
  while (closing.wait_for(1ms) != std::future_status::ready) tick();
  EXPECT_EQ(closing.get(), "Qs999=version\r\n");
  ASSERT_TRUE(test::waitUntil([&] {  // dropped once its end is seen closed
    tick();
    return platform::gf_waitReadable(gone.fd(), 0ms) == platform::WaitResult::ready;
  }));
  EXPECT_EQ(lf_readUntil(gone, "<end>"), "<end>");
  EXPECT_FALSE(link.server.connected());
  EXPECT_FALSE(gf_rtLinkUp());

  const std::size_t linesBefore = link.client->lines().size();
  link.client->reopen();
  // Once an exit reason is set, RealTraffic connecting again is left waiting: the run ends.
  ASSERT_TRUE(test::waitUntil([&] { return link.client->connections() == 2; }));
  for (const ExitReason reason : {ExitReason::simWasClosed, ExitReason::newSettings, ExitReason::newVersion}) {
    g_exitReason.store(reason);
    for (int i = 0; i < 5; ++i) {
      tick();
      std::this_thread::sleep_for(10ms);  // time for an answer, had it been asked
    }
    EXPECT_FALSE(link.server.connected()) << static_cast<int>(reason);
  }
  EXPECT_EQ(link.client->lines().size(), linesBefore);  // not even asked
  g_exitReason.store(ExitReason::notYetSet);
  EXPECT_FALSE(log.contains("RealTraffic re-connected"));
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return link.server.connected();
  }));
  EXPECT_TRUE(gf_rtLinkUp());
  EXPECT_TRUE(log.contains("RealTraffic re-connected"));
  // RealTraffic taken back is asked for its version before anything else.
  EXPECT_EQ(versions, (std::vector<std::string>{R"({"level": 1, "version": "9.1.2"})"}));
  ASSERT_TRUE(test::waitUntil([&] { return link.client->lines().size() >= linesBefore + 2; }));
  EXPECT_EQ(link.client->connections(), 2);
  const std::vector<std::string> lines = link.client->lines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore),
                                     lines.begin() + static_cast<std::ptrdiff_t>(linesBefore) + 2),
            (std::vector<std::string>{"Qs999=version", "Qs121=0;0;0.000000;0;0;0.907571;0.069813"}));
  EXPECT_EQ(takenOut, 1);
  gf_setRtLinkUp(false);
}

// RealTraffic found gone by a time line ("Qs123=") is lost all the same: the next user
// position takes the live aircraft out, once.
TEST(RtServer, RealTrafficFoundGoneByATimeLineIsLostAllTheSame) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  Link link(2, "10.0.1");
  ASSERT_TRUE(link.connect());
  gf_setRtLinkUp(true);
  link.client->drop();
  ASSERT_TRUE(test::waitUntil([&] {
    gf_sendSimTime(link.server, 1700000000);
    return !link.server.connected();
  }));
  int takenOut = 0;
  gf_sendUserPosition(link.server, g_amsterdam, true, [&] { ++takenOut; });
  gf_sendUserPosition(link.server, g_amsterdam, true, [&] { ++takenOut; });
  EXPECT_EQ(takenOut, 1);
  EXPECT_FALSE(gf_rtLinkUp());
  EXPECT_TRUE(log.contains("RealTraffic gone? Wait for RealTraffic to re-connect ..."));
}

// Peers on the port before RealTraffic that never answer the version request, or close
// their end: RealTraffic, connecting after them, is still asked for its version and kept.
TEST(RtServer, PeersThatDoNotAnswerGiveWayToRealTrafficAtTheStart) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  enum class Peer { silent, closesAtOnce, closesWhenAsked };
  struct Case {
    const char* name;
    std::vector<Peer> peers;
  };
  const Case cases[] = {
      {"none", {}},
      {"one silent", {Peer::silent}},
      {"two silent", {Peer::silent, Peer::silent}},
      {"ten silent", std::vector<Peer>(10, Peer::silent)},
      {"twenty closing at once", std::vector<Peer>(20, Peer::closesAtOnce)},
      {"one closing when asked", {Peer::closesWhenAsked}},
      {"silent, then one closing when asked", {Peer::silent, Peer::closesWhenAsked}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaitingServer waiting;
    std::vector<platform::Socket> peers;
    for (const Peer peer : c.peers) {
      peers.push_back(lf_connectSilent(waiting.server.port()));
      if (peer == Peer::closesAtOnce) ::shutdown(peers.back().fd(), SHUT_WR);
      if (peer == Peer::closesWhenAsked) {
        ASSERT_EQ(lf_readUntil(peers.back(), "Qs999=version\r\n"), "Qs999=version\r\n");
        ::shutdown(peers.back().fd(), SHUT_WR);
      }
    }
    standin::RtClient client({waiting.server.port(), 2, "10.0.1", {}});
    ASSERT_TRUE(waiting.ended());
    EXPECT_EQ(waiting.result.get(), RealTrafficWait::connected);
    EXPECT_EQ(waiting.reply, R"({"level": 2, "version": "10.0.1"})");
    EXPECT_TRUE(waiting.server.connected());
    ASSERT_FALSE(client.lines().empty());
    EXPECT_EQ(client.lines().front(), "Qs999=version");
    // Those the port's queue took before RealTraffic were asked before it, and closed.
    for (std::size_t i = 0; i < peers.size() && i < platform::g_listenBacklog; ++i) {
      if (c.peers[i] != Peer::silent) continue;
      EXPECT_EQ(lf_readUntil(peers[i], "<end>"), "Qs999=version\r\n<end>") << i;
    }
  }
}

// At the start a connection is given g_versionAnswerLooks looks to answer (here one
// answers after 2.5 s of ticks); one that stays silent is then given up and the start
// goes on without it. When
// the run ends meanwhile, no client is kept.
TEST(RtServer, TheVersionAnswerIsAwaitedWithinABound) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  const std::string answer = R"({"level": 2, "version": "10.0.2"})";
  for (const bool answers : {true, false}) {
    SCOPED_TRACE(answers ? "answers late" : "silent");
    RTServer server;
    server.start("0");
    const platform::Socket peer = lf_connectSilent(server.port());
    int pauses = 0;
    std::string reply;
    const RealTrafficWait result = server.waitForRealTraffic(reply, [&] {
      if (++pauses == kLateLooks && answers) {
        ASSERT_EQ(::send(peer.fd(), answer.data(), answer.size(), MSG_NOSIGNAL), static_cast<ssize_t>(answer.size()));
      }
    });
    EXPECT_EQ(result, answers ? RealTrafficWait::connected : RealTrafficWait::silent);
    EXPECT_EQ(reply, answers ? answer : "");
    EXPECT_EQ(server.connected(), answers);
    EXPECT_EQ(pauses, answers ? kLateLooks : g_versionAnswerLooks - 1);
    EXPECT_EQ(lf_readUntil(peer, answers ? "\r\n" : "<end>"), answers ? "Qs999=version\r\n" : "Qs999=version\r\n<end>");
  }
  WaitingServer waiting;
  const platform::Socket silent = lf_connectSilent(waiting.server.port());
  ASSERT_EQ(lf_readUntil(silent, "Qs999=version\r\n"), "Qs999=version\r\n");
  g_windowClosed.store(true);
  ASSERT_TRUE(waiting.ended());
  EXPECT_EQ(waiting.result.get(), RealTrafficWait::ended);
  EXPECT_FALSE(waiting.server.connected());
}

// On the tick, while RealTraffic is away, every connection to the port is asked and its
// answer looked for on later ticks without waiting. Until one answers, nothing is
// RealTraffic: no line but the version request goes to it, the link is not shown up and
// nothing is said to have re-connected; one that goes is no loss. An answer counts
// whenever it comes within g_versionAnswerLooks ticks; a connection silent for that long
// is given up.
TEST(RtServer, OnTheTickOnlyAConnectionThatAnswersIsRealTraffic) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  RTServer server;
  server.start("0");
  std::vector<std::string> versions;
  int takenOut = 0;
  const auto tick = [&] {
    gf_lookForRealTraffic(server, true, [&](const std::string& reply) { versions.push_back(reply); });
    gf_sendUserPosition(server, g_amsterdam, true, [&] { ++takenOut; });
  };
  const std::string asked = "Qs999=version\r\n";

  platform::Socket late = lf_connectSilent(server.port());
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return platform::gf_waitReadable(late.fd(), 0ms) == platform::WaitResult::ready;
  }));
  for (int i = 0; i < kLateLooks; ++i) tick();
  EXPECT_EQ(lf_readUntil(late, asked), asked);
  EXPECT_TRUE(lf_stillOpenAndQuiet(late));  // nothing but the request
  EXPECT_FALSE(server.connected());
  EXPECT_FALSE(gf_rtLinkUp());
  EXPECT_FALSE(log.contains("re-connected"));
  // It answers long after it was asked: the answer is read and acted upon.
  const std::string answer = R"({"level": 2, "version": "10.0.1"})";
  ASSERT_EQ(::send(late.fd(), answer.data(), answer.size(), MSG_NOSIGNAL), static_cast<ssize_t>(answer.size()));
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return server.connected();
  }));
  EXPECT_EQ(versions, std::vector<std::string>{answer});
  EXPECT_TRUE(gf_rtLinkUp());
  EXPECT_TRUE(log.contains("RealTraffic re-connected"));
  EXPECT_TRUE(lf_readUntil(late, "Qs121=").starts_with("Qs121="));

  // RealTraffic goes (a loss), then a silent connection stays on the port for as long as
  // it is given, and goes: nothing more is taken out, nothing said to have re-connected.
  late.close();
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return !server.connected();
  }));
  EXPECT_EQ(takenOut, 1);
  const platform::Socket silent = lf_connectSilent(server.port());
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return platform::gf_waitReadable(silent.fd(), 0ms) == platform::WaitResult::ready;
  }));
  for (int i = 1; i < g_versionAnswerLooks - 1; ++i) tick();
  EXPECT_EQ(lf_readUntil(silent, asked), asked);
  EXPECT_TRUE(lf_stillOpenAndQuiet(silent));  // still asked
  tick();
  tick();
  EXPECT_EQ(lf_readUntil(silent, "<end>"), "<end>");  // given up
  EXPECT_FALSE(server.connected());
  EXPECT_EQ(takenOut, 1);
  EXPECT_EQ(versions.size(), 1U);
  EXPECT_EQ(log.text().find("re-connected"), log.text().rfind("re-connected"));  // said once

  // Silent connections beyond g_maxAskedConnections: the oldest give way, so RealTraffic
  // connecting after them is still asked, taken, and the others closed.
  std::vector<platform::Socket> crowd;
  for (std::size_t i = 0; i < g_maxAskedConnections + 6; ++i) {
    crowd.push_back(lf_connectSilent(server.port()));
    tick();
  }
  standin::RtClient client({server.port(), 1, "9.1.2", {}});
  int ticks = 0;
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    ++ticks;
    return server.connected();
  }));
  EXPECT_LT(ticks, g_versionAnswerLooks / 2) << "not before the crowd was given up";
  EXPECT_EQ(versions.back(), R"({"level": 1, "version": "9.1.2"})");
  for (const platform::Socket& peer : crowd) EXPECT_EQ(lf_readUntil(peer, "<end>"), asked + "<end>");
  EXPECT_EQ(takenOut, 1);
  gf_setRtLinkUp(false);
}

TEST(RtServer, WaitsEndWhenTheRunEndsOrTheServerCloses) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  RTServer server;
  server.start("0");
  // With an exit reason set, a lost RealTraffic is not waited for.
  g_exitReason.store(ExitReason::newSettings);
  gf_sendUserPosition(server, g_amsterdam, true, {});
  gf_lookForRealTraffic(server, true, {});
  g_exitReason.store(ExitReason::notYetSet);

  std::string reply;
  const auto wait = [&] { return server.waitForRealTraffic(reply, [] { std::this_thread::sleep_for(1ms); }); };
  auto waiting = std::async(std::launch::async, wait);
  std::this_thread::sleep_for(50ms);
  g_closing.store(true);
  ASSERT_EQ(waiting.wait_for(test::g_patience), std::future_status::ready);
  EXPECT_EQ(waiting.get(), RealTrafficWait::ended);
  g_closing.store(false);

  waiting = std::async(std::launch::async, wait);
  std::this_thread::sleep_for(50ms);
  server.close();
  ASSERT_EQ(waiting.wait_for(test::g_patience), std::future_status::ready);
  EXPECT_EQ(waiting.get(), RealTrafficWait::ended);

  // A closed server opens again and accepts a new client.
  server.start("0");
  standin::RtClient client({server.port(), 1, "9", {}});
  EXPECT_EQ(wait(), RealTrafficWait::connected);
  server.close();
}

// A reply that fills the receive buffer may go on beyond it: it is refused whole, and
// the connection that sent it is no RealTraffic.
TEST(RtServer, ReplyFillingTheReceiveBufferIsAnOverrun) {
  constexpr std::size_t kBuffer = 16384;
  const std::size_t frame = std::string(R"({"level": 1, "version": ""})").size();
  for (const std::size_t size : {kBuffer - 1, kBuffer, kBuffer + 1}) {
    SCOPED_TRACE(size);
    test::LogCapture log;
    Link link(1, std::string(size - frame, '7'));
    std::string reply;
    ASSERT_TRUE(test::waitUntil([&] {
      RealTrafficLook look = link.server.lookForRealTraffic();
      reply = look.reply;
      return look.answered || log.contains("receive: buffer overrun: 16384");
    }));
    EXPECT_EQ(reply.size(), size < kBuffer ? size : 0u);
    EXPECT_EQ(link.server.connected(), size < kBuffer);
    EXPECT_EQ(log.contains("receive: buffer overrun: 16384"), size >= kBuffer);
    link.server.close();
  }
}

// A connection that goes before it answers was not RealTraffic: the start's wait goes on
// and takes RealTraffic when it comes.
TEST(RtServer, TheWaitGoesOnWhenAConnectionGoesBeforeItAnswers) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  WaitingServer waiting;
  {
    standin::RtClient slow({waiting.server.port(), 1, "9", {}, 60s});
    ASSERT_TRUE(slow.waitFor([](const auto& lines) { return lf_has(lines, "Qs999=version"); }, test::g_patience));
  }  // gone without an answer
  const int pausesWhenGone = waiting.pauses.load();
  standin::RtClient client({waiting.server.port(), 1, "9.1.2", {}});
  ASSERT_TRUE(waiting.ended());
  EXPECT_EQ(waiting.result.get(), RealTrafficWait::connected);
  EXPECT_EQ(waiting.reply, R"({"level": 1, "version": "9.1.2"})");
  EXPECT_LT(pausesWhenGone, g_versionAnswerLooks);  // not given up for silence
}

TEST(RtServer, StartFailuresNameTheStep) {
  RTServer first;
  first.start("0");
  const std::string port = std::to_string(first.port());
  RTServer second;
  try {
    second.start(port);
    FAIL() << "the port is in use";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Bind failed at port " + port + " with error 10048 Address already in use");
  }
  for (const char* bad : {"99999", "not-a-port", "", "-1", "80x"}) {
    try {
      second.start(bad);
      ADD_FAILURE() << bad;
    } catch (const std::runtime_error& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("getaddrinfo failed with error ")) << e.what();
    }
  }
  EXPECT_EQ(second.port(), 0);
}

// Port scanners and other local tools connect to the port and close at once, thousands of
// times. While RealTraffic drops and reconnects, such a flood must not keep it out, and a
// stale connection must never count as RealTraffic gone (which takes every live aircraft
// out of the simulator). The tick is driven here every 20 ms instead of once a second.
TEST(RtServer, AFloodOfStaleConnectionsNeitherKeepsRealTrafficOutNorRemovesLiveAircraft) {
  test::LogCapture log;
  test::RunFlagsReset flags;
  Link link;
  ASSERT_TRUE(link.connect());
  gf_setRtLinkUp(true);
  gf_sendUserPosition(link.server, g_amsterdam, true, {});
  ASSERT_TRUE(link.clientHas("Qs121=0;0;0.000000;0;0;0.907571;0.069813"));

  constexpr int kStaleAtMost = 2000;
  std::atomic<bool> stopFlood{false};
  std::atomic<int> stale{0};
  const std::uint16_t port = link.server.port();
  // Connect and close at once, every 5 ms; a connection the full queue does not take
  // within 50 ms is given up and tried anew.
  std::thread flood([&] {
    while (!stopFlood.load() && stale.load() < kStaleAtMost) {
      if (lf_connectAndClose(port, 50ms)) ++stale;
      std::this_thread::sleep_for(5ms);
    }
  });
  int takenOut = 0;
  const auto tick = [&] {
    gf_lookForRealTraffic(link.server, true, {});
    gf_sendUserPosition(link.server, g_amsterdam, true, [&] { ++takenOut; });
    std::this_thread::sleep_for(20ms);
  };
  const auto tickFor = [&](std::chrono::milliseconds span) {
    for (const auto end = std::chrono::steady_clock::now() + span; std::chrono::steady_clock::now() < end;) tick();
  };

  // Connected: the stale connections fill the queue of the listening socket.
  ASSERT_TRUE(test::waitUntil([&] { return stale.load() >= platform::g_listenBacklog; }));
  tickFor(100ms);
  EXPECT_EQ(takenOut, 0);

  // RealTraffic goes: noticed once; the stale connections met while it stays away are
  // closed without counting as RealTraffic.
  link.client->drop();
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return !link.server.connected();
  }));
  EXPECT_EQ(takenOut, 1);
  const int staleBefore = stale.load();
  tickFor(600ms);
  EXPECT_GT(stale.load(), staleBefore + 10) << "the flood went on while RealTraffic was away";

  // RealTraffic comes back and is taken within a few seconds, flood or not.
  const std::size_t linesBefore = link.client->lines().size();
  link.client->reopen();
  const auto reopened = std::chrono::steady_clock::now();
  ASSERT_TRUE(test::waitUntil([&] {
    tick();
    return link.server.connected() && link.client->lines().size() > linesBefore + 1;
  }));
  const auto away = std::chrono::steady_clock::now() - reopened;
  tickFor(200ms);
  stopFlood = true;
  link.server.close();
  flood.join();

  EXPECT_LT(away, 8s) << std::chrono::duration_cast<std::chrono::milliseconds>(away).count() << " ms";
  EXPECT_EQ(takenOut, 1);
  gf_setRtLinkUp(false);
}
