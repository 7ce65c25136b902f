// The client against the simulator stand-in: connecting over the pipe and TCP, message
// cutting on a real link, link failures and reconnecting.
#include <gtest/gtest.h>

#include "platform/notify_event.h"
#include "platform/stream_socket.h"
#include "simlink/recv_messages.h"
#include "simlink_fixture.h"
#include "simstandin/sim_standin.h"

using namespace vexo;
using namespace vexo::test;
using simstandin::SimStandin;

namespace {

constexpr auto g_waitMs = std::chrono::milliseconds(10000);

std::uint32_t lf_id(const Bytes& message) { return ByteReader(message).u32(8); }

bool lf_has(const Collected& collected, std::uint32_t id) {
  for (const auto& m : collected.messages)
    if (lf_id(m) == id) return true;
  return false;
}

class Link : public ::testing::Test {
protected:
  void SetUp() override {
    standinPtr = std::make_unique<SimStandin>(options);
    port = standin().listenTcp(platform::g_familyIpv4);
    ASSERT_NE(port, 0);
    standin().start();
  }
  SimStandin& standin() { return *standinPtr; }
  void TearDown() override {
    if (handle) SimConnect_Close(handle);
  }
  // Opens over TCP 127.0.0.1 (no pipe exists in the sandbox) and waits for the OPEN reply.
  void open() {
    ASSERT_EQ(gf_openSimConnect(&handle, "Vendrake_P3D", nullptr, 0, &event, 0,
                                sandbox.environment({}, std::to_string(port))),
              S_OK);
    dispatchUntil(handle, collected, [&] { return lf_has(collected, SimConnectRecvId::OPEN); });
    ASSERT_TRUE(lf_has(collected, SimConnectRecvId::OPEN));
    collected.messages.clear();
  }

  SimLinkSandbox sandbox;
  simstandin::StandinOptions options;
  std::unique_ptr<SimStandin> standinPtr;
  std::uint16_t port = 0;
  HANDLE handle = nullptr;
  platform::NotifyEvent event;
  Collected collected;
};

}  // namespace

TEST(LinkPipe, OpenOverThePipeComesFirstAndADroppedPipeIsBroken) {
  SimLinkSandbox sandbox;
  simstandin::StandinOptions options;
  options.open = {"Stand-in v5", 5, 1, 2, 3};
  SimStandin standin(options);
  ASSERT_TRUE(standin.listenPipe());
  const std::uint16_t tcpPort = standin.listenTcp(platform::g_familyIpv4);
  standin.start();
  HANDLE handle = nullptr;
  ASSERT_EQ(gf_openSimConnect(&handle, "Vendrake_P3D", nullptr, 0, nullptr, 0,
                              sandbox.environment({}, std::to_string(tcpPort))),
            S_OK);
  Collected collected;
  dispatchUntil(handle, collected, [&] { return !collected.messages.empty(); });
  ASSERT_EQ(collected.messages.size(), 1u);
  const auto open = gf_readRecvOpen(collected.messages[0]);
  ASSERT_TRUE(open);
  EXPECT_EQ(open->applicationName, "Stand-in v5");
  EXPECT_EQ(open->buildMinor, 3u);
  EXPECT_EQ(standin.acceptedCount(), 1u);
  standin.dropConnections();
  const HRESULT failed = dispatchUntilResult(handle, collected, static_cast<HRESULT>(0xC000014Bu));
  EXPECT_EQ(failed, static_cast<HRESULT>(0xC000014Bu));
  EXPECT_EQ(gf_findClient(handle)->closeReason(), CloseReason::disconnected);
  EXPECT_EQ(SimConnect_Close(handle), S_OK);
}

TEST_F(Link, SplitAndPaddedMessagesArriveWhole) {
  open();
  standin().setSendFaults({7, 5});
  const Bytes open = simstandin::gf_buildOpen(35, {"Split v5"});
  standin().sendToAll(open);
  standin().sendToAll(simstandin::gf_buildQuit(35));
  dispatchUntil(handle, collected, [&] { return collected.messages.size() >= 2; });
  ASSERT_EQ(collected.messages.size(), 2u);
  EXPECT_EQ(collected.messages[0], open);
  EXPECT_EQ(lf_id(collected.messages[1]), SimConnectRecvId::QUIT);
  EXPECT_EQ(SimConnect_AIRemoveObject(handle, 5, 105), S_OK) << "the link is still sound";
}

// A size field the link cannot take closes it: the message before is still delivered, then
// dispatch and every request answer E_ABORT, and nothing more reaches the simulator. A size
// below the 12-byte header would leave the stream out of step (7 left it waiting forever).
TEST_F(Link, BadSizeFieldsCloseTheLinkAndRequestsAbort) {
  const struct {
    std::uint32_t size;
    std::uint32_t reason;
  } cases[] = {{41089, CloseReason::tooLarge}, {11, CloseReason::badSize}, {7, CloseReason::badSize},
               {4, CloseReason::badSize},       {3, CloseReason::badSize},  {1, CloseReason::badSize}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    open();
    standin().sendToAll(simstandin::gf_buildQuit(35));
    standin().sendRawBytes(simstandin::gf_buildRaw(c.size, 35, 4, Bytes(100)));
    EXPECT_EQ(dispatchUntilResult(handle, collected, E_ABORT), E_ABORT);
    ASSERT_EQ(collected.messages.size(), 1u);
    EXPECT_EQ(lf_id(collected.messages[0]), SimConnectRecvId::QUIT);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 5, 105), E_ABORT);
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(handle, 204, "Frame"), E_ABORT);
    std::uint32_t osError = 0, status = 0;
    gf_findClient(handle)->lastError(osError, status);
    EXPECT_EQ(status, 0x80004004u);
    EXPECT_EQ(gf_findClient(handle)->closeReason(), c.reason);
    EXPECT_TRUE(event.wait(std::chrono::milliseconds(0))) << "the failure was signalled";
    EXPECT_EQ(SimConnect_Close(handle), S_OK);
    handle = nullptr;
    collected.messages.clear();
  }
  EXPECT_TRUE(standin().requestsOf(SimConnectFunction::AIRemoveObject).empty());
}

// TCP reports the end of the stream as a read of zero bytes, the pipe as a broken pipe.
TEST_F(Link, ClientReconnectsAfterTheSimulatorDropsIt) {
  open();
  standin().dropConnections();
  const HRESULT failed = dispatchUntilResult(handle, collected, static_cast<HRESULT>(0xC000013Eu));
  EXPECT_EQ(failed, static_cast<HRESULT>(0xC000013Eu));
  EXPECT_EQ(gf_findClient(handle)->closeReason(), CloseReason::zeroBytes);
  EXPECT_LT(SimConnect_AIRemoveObject(handle, 5, 105), 0);
  EXPECT_EQ(SimConnect_Close(handle), S_OK);
  handle = nullptr;

  open();
  EXPECT_EQ(standin().acceptedCount(), 2u);
  EXPECT_EQ(standin().requestsOf(SimConnectFunction::Open).size(), 2u);
  EXPECT_EQ(SimConnect_AIRemoveObject(handle, 5, 105), S_OK);
  EXPECT_TRUE(standin().waitForRequestCount(SimConnectFunction::AIRemoveObject, 1, g_waitMs));
}

