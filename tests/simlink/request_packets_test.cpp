// The exact bytes of every request packet: each case builds the whole expected packet,
// so a field at the wrong offset or a stray byte in the zero fill fails it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "simlink_fixture.h"

using namespace vexo;
using namespace vexo::test;

namespace {

using namespace std::string_literals;

// One field of a packet: a number at its offset, or a text whose field is zero-filled.
struct Field {
  std::size_t at;
  std::variant<std::uint32_t, float, double, std::string> value;
};

// Header of protocol version 35, the given fields, zeros everywhere else.
Bytes lf_expected(std::uint32_t size, std::uint32_t function, std::uint32_t sendId, const std::vector<Field>& fields) {
  Bytes bytes(size);
  ByteWriter w(bytes);
  w.u32(0, size);
  w.u32(4, 35);
  w.u32(8, 0xF0000000u | function);
  w.u32(12, sendId);
  for (const Field& f : fields) {
    if (const auto* u = std::get_if<std::uint32_t>(&f.value)) w.u32(f.at, *u);
    if (const auto* x = std::get_if<float>(&f.value)) w.f32(f.at, *x);
    if (const auto* d = std::get_if<double>(&f.value)) w.f64(f.at, *d);
    if (const auto* t = std::get_if<std::string>(&f.value)) w.bytes(f.at, std::as_bytes(std::span(*t)));
  }
  return bytes;
}

// Consecutive 32-bit fields from offset 16.
std::vector<Field> lf_u32s(std::initializer_list<std::uint32_t> values, std::vector<Field> more = {}) {
  std::size_t at = 16;
  for (const std::uint32_t v : values) more.push_back({(at += 4) - 4, v});
  return more;
}

const double g_block[3] = {1.5, -2.25, 3.0};
const std::uint32_t g_two[2] = {7, 8};
const SimConnectInitPosition g_at{51.47, -0.45, 83.0, -1.5, 0.25, 270.0, 1, 0};

struct PacketCase {
  const char* name;
  std::function<HRESULT(HANDLE)> call;
  std::uint32_t size, function;
  std::vector<Field> fields;
};

const PacketCase g_packets[] = {
    {"MapClientEvent", [](HANDLE h) { return SimConnect_MapClientEventToSimEvent(h, 220, "GEAR_SET"); }, 276, 0x04,
     {{16, 220u}, {20, "GEAR_SET"s}}},
    {"TransmitClientEvent", [](HANDLE h) { return SimConnect_TransmitClientEvent(h, 1001, 208, 1, 301, 0x10); }, 36,
     0x05, lf_u32s({1001, 208, 1, 301, 0x10})},
    {"AddToGroup", [](HANDLE h) { return SimConnect_AddClientEventToNotificationGroup(h, 301, 208, true); }, 28, 0x07,
     lf_u32s({301, 208, 1})},
    {"GroupPriority", [](HANDLE h) { return SimConnect_SetNotificationGroupPriority(h, 301, 1); }, 24, 0x09,
     lf_u32s({301, 1})},
    {"Subscribe", [](HANDLE h) { return SimConnect_SubscribeToSystemEvent(h, 204, "Frame"); }, 276, 0x17,
     {{16, 204u}, {20, "Frame"s}}},
    // A null units text leaves its field empty.
    {"AddToDataDefinition",
     [](HANDLE h) { return SimConnect_AddToDataDefinition(h, 404, "ATC ID", nullptr, SimConnectDataType::STRING32, 0.5f); },
     544, 0x0C, {{16, 404u}, {20, "ATC ID"s}, {532, 6u}, {536, 0.5f}, {540, 0xFFFFFFFFu}}},
    {"RequestData",
     [](HANDLE h) { return SimConnect_RequestDataOnSimObject(h, 108, 409, 0, SimConnectPeriod::SECOND, 1, 2, 3, 4); },
     48, 0x0E, lf_u32s({108, 409, 0, 4, 1, 2, 3, 4})},
    {"RequestDataByType", [](HANDLE h) { return SimConnect_RequestDataOnSimObjectType(h, 101, 404, 92600, 2); }, 32,
     0x0F, lf_u32s({101, 404, 92600, 2})},
    // ArrayCount 0 sends one element.
    {"SetData one element", [](HANDLE h) { return SimConnect_SetDataOnSimObject(h, 401, 1001, 0, 0, 24, g_block); },
     60, 0x10, lf_u32s({401, 1001, 0, 1, 24}, {{36, 1.5}, {44, -2.25}, {52, 3.0}})},
    {"SetData two elements", [](HANDLE h) { return SimConnect_SetDataOnSimObject(h, 406, 1002, 0, 2, 4, g_two); }, 44,
     0x10, lf_u32s({406, 1002, 0, 2, 4, 7, 8})},
    {"AICreate", [](HANDLE h) { return SimConnect_AICreateNonATCAircraft(h, "Airbus A320 BAW", "GEUUA", g_at, 104); },
     344, 0x29,
     {{16, "Airbus A320 BAW"s}, {272, "GEUUA"s}, {284, 51.47}, {292, -0.45}, {300, 83.0}, {308, -1.5}, {316, 0.25},
      {324, 270.0}, {332, 1u}, {340, 104u}}},
    {"AIReleaseControl", [](HANDLE h) { return SimConnect_AIReleaseControl(h, 1001, 103); }, 24, 0x2B,
     lf_u32s({1001, 103})},
    {"AIRemoveObject", [](HANDLE h) { return SimConnect_AIRemoveObject(h, 1002, 105); }, 24, 0x2C, lf_u32s({1002, 105})},
    {"AISetFlightPlan", [](HANDLE h) { return SimConnect_AISetAircraftFlightPlan(h, 1003, "/plans/BAW123.pln", 110); },
     284, 0x2D, {{16, 1003u}, {20, "/plans/BAW123.pln"s}, {280, 110u}}},
};

class RequestPackets : public ::testing::Test {
protected:
  SimLinkSandbox sandbox;
  PairedClient paired;
};

}  // namespace

TEST_F(RequestPackets, EveryRequestHasItsExactBytesAndTheNextSendId) {
  std::uint32_t sendId = 0;
  for (const PacketCase& c : g_packets) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.call(paired.handle), S_OK);
    EXPECT_EQ(paired.nextPacket(), lf_expected(c.size, c.function, ++sendId, c.fields));
    std::uint32_t last = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(paired.handle, &last), S_OK);
    EXPECT_EQ(last, sendId);
  }
}

TEST_F(RequestPackets, RefusedArgumentsSendNothing) {
  const HANDLE h = paired.handle;
  const std::byte data[16] = {};
  // 0x10000 x 0x10000 wraps to 0 in 32 bits.
  EXPECT_EQ(SimConnect_SetDataOnSimObject(h, 401, 1, 0, 0x10000, 0x10000, data), E_INVALIDARG);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(h, 401, 1, 0, 0xFFFFFFFF, 0xFFFFFFFF, data), E_INVALIDARG);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(h, 401, 1, 0, 1, g_sendBufferCapacity - 35, data), E_INVALIDARG);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(h, 401, 1, 0, 1, 8, nullptr), E_INVALIDARG);
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(h, "t", std::string(12, 'X').c_str(), g_at, 1), E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SimConnect_MapClientEventToSimEvent(h, 1, std::string(256, 'E').c_str()), E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SimConnect_AddToDataDefinition(h, 1, "ok", std::string(300, 'U').c_str()), E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SimConnect_AISetAircraftFlightPlan(h, 1, std::string(260, 'P').c_str(), 1), E_INSUFFICIENT_BUFFER);
  // The longest texts and the largest block that fit still go, and the next packet read is
  // exactly the first of them: nothing of the refused ones went out.
  const std::string title(255, 'T'), tail(11, 'X');
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(h, title.c_str(), tail.c_str(), g_at, 1), S_OK);
  EXPECT_EQ(paired.nextPacket(), lf_expected(344, 0x29, 5, {{16, title}, {272, tail}, {284, 51.47}, {292, -0.45},
                                                            {300, 83.0}, {308, -1.5}, {316, 0.25}, {324, 270.0},
                                                            {332, 1u}, {340, 1u}}))
      << "refused texts still used their send ids, refused blocks did not";
  Bytes big(g_sendBufferCapacity - 36, std::byte{0x11});
  ASSERT_EQ(SimConnect_SetDataOnSimObject(h, 401, 1, 0, 1, static_cast<std::uint32_t>(big.size()), big.data()), S_OK);
  EXPECT_EQ(paired.nextPacket().size(), g_sendBufferCapacity);
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
  // The bytes 00 'D' '3' 'P' at 276.
  EXPECT_EQ(readPacket(peer.fd()), lf_expected(296, 0x01, 1, {{16, name}, {276, 0x50334400u}, {280, 5u}, {284, 3u}}));
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
