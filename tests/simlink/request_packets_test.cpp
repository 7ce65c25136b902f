// The exact bytes of every request packet.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "simlink_fixture.h"

using namespace vexo;
using namespace vexo::test;

namespace {

// Checks the 16-byte header and that every byte not named in fields is zero.
void lf_expectPacket(const Bytes& packet, std::uint32_t size, std::uint32_t function, std::uint32_t sendId) {
  ASSERT_EQ(packet.size(), size);
  ByteReader r(packet);
  EXPECT_EQ(r.u32(0), size);
  EXPECT_EQ(r.u32(4), 35u);
  EXPECT_EQ(r.u32(8), 0xF0000000u | function);
  EXPECT_EQ(r.u32(12), sendId);
}

// Every byte of packet in [from, to) outside the listed texts is zero.
void lf_expectZeroFrom(const Bytes& packet, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < packet.size(); ++i)
    ASSERT_EQ(packet[i], std::byte{0}) << "byte " << i;
}

std::string lf_text(const Bytes& packet, std::size_t offset, std::size_t width) {
  return ByteReader(packet).fixedString(offset, width);
}

}  // namespace

class RequestPackets : public ::testing::Test {
protected:
  SimLinkSandbox sandbox;
  PairedClient paired;
};

TEST_F(RequestPackets, EventRequestsCarryTheirArgumentsInOrder) {
  ASSERT_EQ(SimConnect_MapClientEventToSimEvent(paired.handle, 220, "GEAR_SET"), S_OK);
  Bytes p = paired.nextPacket();
  lf_expectPacket(p, 276, 0x04, 1);
  EXPECT_EQ(ByteReader(p).u32(16), 220u);
  EXPECT_EQ(lf_text(p, 20, 256), "GEAR_SET");
  lf_expectZeroFrom(p, 20 + 8, 276);

  ASSERT_EQ(SimConnect_TransmitClientEvent(paired.handle, 1001, 208, 1, 301, 0x10), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 36, 0x05, 2);
  ByteReader r(p);
  EXPECT_EQ(r.u32(16), 1001u);
  EXPECT_EQ(r.u32(20), 208u);
  EXPECT_EQ(r.u32(24), 1u);
  EXPECT_EQ(r.u32(28), 301u);
  EXPECT_EQ(r.u32(32), 0x10u);

  ASSERT_EQ(SimConnect_AddClientEventToNotificationGroup(paired.handle, 301, 208, true), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 28, 0x07, 3);
  EXPECT_EQ(ByteReader(p).u32(16), 301u);
  EXPECT_EQ(ByteReader(p).u32(20), 208u);
  EXPECT_EQ(ByteReader(p).u32(24), 1u);

  ASSERT_EQ(SimConnect_SetNotificationGroupPriority(paired.handle, 301, 1), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 24, 0x09, 4);
  EXPECT_EQ(ByteReader(p).u32(20), 1u);

  ASSERT_EQ(SimConnect_SubscribeToSystemEvent(paired.handle, 204, "Frame"), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 276, 0x17, 5);
  EXPECT_EQ(ByteReader(p).u32(16), 204u);
  EXPECT_EQ(lf_text(p, 20, 256), "Frame");
  lf_expectZeroFrom(p, 25, 276);
}

TEST_F(RequestPackets, DataRequests) {
  ASSERT_EQ(SimConnect_AddToDataDefinition(paired.handle, 404, "ATC ID", nullptr, SimConnectDataType::STRING32, 0.5f),
            S_OK);
  Bytes p = paired.nextPacket();
  lf_expectPacket(p, 544, 0x0C, 1);
  ByteReader r(p);
  EXPECT_EQ(r.u32(16), 404u);
  EXPECT_EQ(lf_text(p, 20, 256), "ATC ID");
  lf_expectZeroFrom(p, 26, 532);  // the units field of a null text is empty
  EXPECT_EQ(r.u32(532), 6u);
  EXPECT_EQ(r.f32(536), 0.5f);
  EXPECT_EQ(r.u32(540), 0xFFFFFFFFu);

  ASSERT_EQ(SimConnect_RequestDataOnSimObject(paired.handle, 108, 409, 0, SimConnectPeriod::SECOND, 1, 2, 3, 4), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 48, 0x0E, 2);
  ByteReader d(p);
  const std::uint32_t expected[] = {108, 409, 0, 4, 1, 2, 3, 4};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(d.u32(16 + 4 * i), expected[i]) << i;

  ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(paired.handle, 101, 404, 92600, 2), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 32, 0x0F, 3);
  ByteReader t(p);
  EXPECT_EQ(t.u32(16), 101u);
  EXPECT_EQ(t.u32(20), 404u);
  EXPECT_EQ(t.u32(24), 92600u);
  EXPECT_EQ(t.u32(28), 2u);
}

TEST_F(RequestPackets, SetDataSendsItsElements) {
  const double block[3] = {1.5, -2.25, 3.0};
  ASSERT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 401, 1001, 0, 0, sizeof block, block), S_OK);
  Bytes p = paired.nextPacket();
  lf_expectPacket(p, 36 + 24, 0x10, 1);
  ByteReader r(p);
  EXPECT_EQ(r.u32(16), 401u);
  EXPECT_EQ(r.u32(20), 1001u);
  EXPECT_EQ(r.u32(24), 0u);
  EXPECT_EQ(r.u32(28), 1u) << "ArrayCount 0 sends one element";
  EXPECT_EQ(r.u32(32), 24u);
  EXPECT_EQ(std::memcmp(p.data() + 36, block, sizeof block), 0);

  const std::uint32_t two[2] = {7, 8};
  ASSERT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 406, 1002, 0, 2, 4, two), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 44, 0x10, 2);
  EXPECT_EQ(ByteReader(p).u32(28), 2u);
  EXPECT_EQ(ByteReader(p).u32(40), 8u);
}

TEST_F(RequestPackets, SetDataRefusesByteCountsThatOverflowOrCannotFit) {
  const std::byte data[16] = {};
  // 0x10000 x 0x10000 wraps to 0 in 32 bits.
  EXPECT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 401, 1, 0, 0x10000, 0x10000, data), E_INVALIDARG);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 401, 1, 0, 0xFFFFFFFF, 0xFFFFFFFF, data), E_INVALIDARG);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 401, 1, 0, 1, g_sendBufferCapacity - 35, data), E_INVALIDARG);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 401, 1, 0, 1, 8, nullptr), E_INVALIDARG);
  // The largest block that fits one staging area still goes.
  Bytes big(g_sendBufferCapacity - 36, std::byte{0x11});
  ASSERT_EQ(SimConnect_SetDataOnSimObject(paired.handle, 401, 1, 0, 1, static_cast<std::uint32_t>(big.size()),
                                          big.data()),
            S_OK);
  const Bytes p = paired.nextPacket();
  lf_expectPacket(p, g_sendBufferCapacity, 0x10, 1) ;
}

TEST_F(RequestPackets, AiRequests) {
  SimConnectInitPosition at{51.47, -0.45, 83.0, -1.5, 0.25, 270.0, 1, 0};
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(paired.handle, "Airbus A320 BAW", "GEUUA", at, 104), S_OK);
  Bytes p = paired.nextPacket();
  lf_expectPacket(p, 344, 0x29, 1);
  ByteReader r(p);
  EXPECT_EQ(lf_text(p, 16, 256), "Airbus A320 BAW");
  lf_expectZeroFrom(p, 16 + 15, 272);
  EXPECT_EQ(lf_text(p, 272, 12), "GEUUA");
  lf_expectZeroFrom(p, 277, 284);
  EXPECT_EQ(r.f64(284), 51.47);
  EXPECT_EQ(r.f64(292), -0.45);
  EXPECT_EQ(r.f64(300), 83.0);
  EXPECT_EQ(r.f64(308), -1.5);
  EXPECT_EQ(r.f64(316), 0.25);
  EXPECT_EQ(r.f64(324), 270.0);
  EXPECT_EQ(r.u32(332), 1u);
  EXPECT_EQ(r.u32(336), 0u);
  EXPECT_EQ(r.u32(340), 104u);
  std::uint32_t sendId = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(paired.handle, &sendId), S_OK);
  EXPECT_EQ(sendId, 1u);

  ASSERT_EQ(SimConnect_AIReleaseControl(paired.handle, 1001, 103), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 24, 0x2B, 2);
  EXPECT_EQ(ByteReader(p).u32(16), 1001u);
  EXPECT_EQ(ByteReader(p).u32(20), 103u);

  ASSERT_EQ(SimConnect_AIRemoveObject(paired.handle, 1002, 105), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 24, 0x2C, 3);
  EXPECT_EQ(ByteReader(p).u32(16), 1002u);

  const std::string plan = "/plans/BAW123.pln";
  ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(paired.handle, 1003, plan.c_str(), 110), S_OK);
  p = paired.nextPacket();
  lf_expectPacket(p, 284, 0x2D, 4);
  EXPECT_EQ(ByteReader(p).u32(16), 1003u);
  EXPECT_EQ(lf_text(p, 20, 260), plan);
  lf_expectZeroFrom(p, 20 + plan.size(), 280);
  EXPECT_EQ(ByteReader(p).u32(280), 110u);
}

TEST_F(RequestPackets, TextsThatDoNotFitTheirFieldSendNothing) {
  const SimConnectInitPosition at;
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(paired.handle, "t", std::string(12, 'X').c_str(), at, 1),
            E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SimConnect_MapClientEventToSimEvent(paired.handle, 1, std::string(256, 'E').c_str()),
            E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SimConnect_AddToDataDefinition(paired.handle, 1, "ok", std::string(300, 'U').c_str()),
            E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SimConnect_AISetAircraftFlightPlan(paired.handle, 1, std::string(260, 'P').c_str(), 1),
            E_INSUFFICIENT_BUFFER);
  // The longest texts that fit, then the next packet read is exactly that one: nothing of
  // the refused ones went out.
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(paired.handle, std::string(255, 'T').c_str(),
                                              std::string(11, 'X').c_str(), at, 1),
            S_OK);
  const Bytes p = paired.nextPacket();
  ASSERT_EQ(p.size(), 344u);
  EXPECT_EQ(lf_text(p, 16, 256), std::string(255, 'T'));
  EXPECT_EQ(lf_text(p, 272, 12), std::string(11, 'X'));
  EXPECT_EQ(ByteReader(p).u32(12), 5u) << "refused packets still used their send ids";
}

TEST_F(RequestPackets, SendIdsWrapToOneAndNeverZero) {
  paired.client->seedSendId(0xFFFFFFFEu);
  ASSERT_EQ(SimConnect_AIRemoveObject(paired.handle, 1, 105), S_OK);
  EXPECT_EQ(ByteReader(paired.nextPacket()).u32(12), 0xFFFFFFFFu);
  ASSERT_EQ(SimConnect_AIRemoveObject(paired.handle, 2, 105), S_OK);
  EXPECT_EQ(ByteReader(paired.nextPacket()).u32(12), 1u);
  std::uint32_t last = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(paired.handle, &last), S_OK);
  EXPECT_EQ(last, 1u);
  EXPECT_EQ(SimConnect_GetLastSentPacketID(paired.handle, nullptr), E_FAIL);
  EXPECT_EQ(SimConnect_GetLastSentPacketID(nullptr, &last), E_FAIL);
}

TEST(OpenPacket, FirstPacketOfAConnectionIsOpenWithSendIdOne) {
  SimLinkSandbox sandbox;
  platform::Socket peer;
  SimConnectEnvironment environment;
  environment.connect = [&](const LinkTarget& target) -> std::shared_ptr<SimConnectClient> {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return nullptr;
    peer = platform::Socket(fds[1]);
    auto client = SimConnectClient::create(target.kind);
    if (client->attachSocket(platform::Socket(fds[0]), target.maxReceiveSize, false) != 0) return nullptr;
    return client;
  };
  HANDLE handle = nullptr;
  const std::string name(255, 'N');
  ASSERT_EQ(gf_openSimConnect(&handle, name.c_str(), nullptr, 0, nullptr, 0, environment), S_OK);
  ASSERT_NE(handle, nullptr);
  const Bytes p = readPacket(peer.fd());
  lf_expectPacket(p, 296, 0x01, 1);
  ByteReader r(p);
  EXPECT_EQ(lf_text(p, 16, 256), name);
  EXPECT_EQ(p[271], std::byte{0});
  EXPECT_EQ(r.u32(272), 0u);
  EXPECT_EQ(p[276], std::byte{0x00});
  EXPECT_EQ(p[277], std::byte{0x44});
  EXPECT_EQ(p[278], std::byte{0x33});
  EXPECT_EQ(p[279], std::byte{0x50});
  EXPECT_EQ(r.u32(280), 5u);
  EXPECT_EQ(r.u32(284), 3u);
  EXPECT_EQ(r.u32(288), 0u);
  EXPECT_EQ(r.u32(292), 0u);
  EXPECT_EQ(SimConnect_Close(handle), S_OK);
  EXPECT_EQ(SimConnect_Close(handle), E_FAIL) << "a closed handle is no handle";

  // A name of 256 characters is refused and no client is left behind.
  HANDLE refused = nullptr;
  EXPECT_EQ(gf_openSimConnect(&refused, std::string(256, 'N').c_str(), nullptr, 0, nullptr, 0, environment),
            E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(gf_liveClientCount(), 0u);
  EXPECT_EQ(SimConnect_Open(nullptr, "x", nullptr, 0, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(SimConnect_Open(&refused, nullptr, nullptr, 0, nullptr, 0), E_INVALIDARG);
}
