#include "simlink/recv_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"
#include "simstandin/messages.h"
#include "test_support.h"

using namespace vexo;
using simstandin::Bytes;

TEST(RecvMessages, FieldsAreReadAtTheirOffsets) {
  const auto exc = gf_readRecvException(simstandin::gf_buildException(35, 22, 0x1234, 1));
  ASSERT_TRUE(exc);
  EXPECT_EQ(exc->exception, 22u);
  EXPECT_EQ(exc->sendId, 0x1234u);
  EXPECT_EQ(exc->index, 1u);

  const auto open = gf_readRecvOpen(simstandin::gf_buildOpen(35, {"Lockheed Martin Prepar3D v5", 5, 4, 14, 1}));
  ASSERT_TRUE(open);
  EXPECT_EQ(open->applicationName, "Lockheed Martin Prepar3D v5");
  EXPECT_EQ(open->versionMajor, 5u);
  EXPECT_EQ(open->versionMinor, 4u);
  EXPECT_EQ(open->buildMajor, 14u);
  EXPECT_EQ(open->buildMinor, 1u);

  const auto added = gf_readRecvObjectAddRemove(simstandin::gf_buildObjectAddRemove(35, 202, 4711, 2));
  ASSERT_TRUE(added);
  EXPECT_EQ(added->eventId, 202u);
  EXPECT_EQ(added->objectId, 4711u);
  EXPECT_EQ(added->objectType, 2u);

  const auto frame = gf_readRecvEvent(simstandin::gf_buildFrame(35, 204, 30.0f, 1.0f));
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->eventId, 204u);

  const Bytes block(72, std::byte{1});
  const auto data = gf_readRecvSimObjectData(simstandin::gf_buildSimObjectData(35, true, 101, 9, 404, 1, 3, block));
  ASSERT_TRUE(data);
  EXPECT_EQ(data->requestId, 101u);
  EXPECT_EQ(data->objectId, 9u);
  EXPECT_EQ(data->defineId, 404u);
  EXPECT_EQ(data->data.size(), 72u);
  EXPECT_TRUE(gf_dataBlock(*data, 72));
}

TEST(RecvMessages, ShortMessagesAreDroppedAndLogged) {
  test::LogCapture log;
  // Each message cut one byte short of what its id needs.
  for (std::uint32_t id : {1u, 2u, 4u, 5u, 7u, 8u, 9u}) {
    const std::size_t need = gf_recvMinSize(id);
    ASSERT_GT(need, 12u);
    const Bytes shortOne = simstandin::gf_buildRaw(static_cast<std::uint32_t>(need - 1), 35, id, Bytes(need - 13));
    EXPECT_FALSE(gf_readRecvHeader(shortOne)) << id;
  }
  EXPECT_FALSE(gf_readRecvException(simstandin::gf_buildRaw(20, 35, 1, Bytes(8))));
  EXPECT_FALSE(gf_readRecvOpen(simstandin::gf_buildRaw(100, 35, 2, Bytes(88))));
  EXPECT_FALSE(gf_readRecvSimObjectData(simstandin::gf_buildRaw(39, 35, 8, Bytes(27))));
  EXPECT_FALSE(gf_readRecvHeader(Bytes(11)));
  EXPECT_TRUE(log.contains("SimConnect message id 2 of 100 bytes dropped: needs 284"));
  // A message of another id is not read as the asked one.
  EXPECT_FALSE(gf_readRecvOpen(simstandin::gf_buildException(35, 1, 2, 3)));
  // QUIT needs nothing beyond its header.
  EXPECT_TRUE(gf_readRecvHeader(simstandin::gf_buildQuit(35)));
}

TEST(RecvMessages, DataBlockShorterThanItsDefinitionIsRefused) {
  test::LogCapture log;
  const auto data = gf_readRecvSimObjectData(simstandin::gf_buildSimObjectData(35, false, 109, 0, 403, 0, 0, Bytes(95)));
  ASSERT_TRUE(data);
  EXPECT_FALSE(gf_dataBlock(*data, 96));
  EXPECT_TRUE(log.contains("SimConnect data for request 109 dropped: 95 bytes, definition needs 96"));
}

TEST(RecvMessages, TextsAreBoundedByTheirFieldOrTheMessage) {
  // An application name without a terminator stops at the end of its 256-byte field.
  Bytes open = simstandin::gf_buildOpen(35, {"x", 5, 0, 0, 0});
  for (std::size_t i = 12; i < 268; ++i) open[i] = std::byte{'A'};
  const auto reply = gf_readRecvOpen(open);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->applicationName, std::string(256, 'A'));

  // A variable-length text without a terminator stops at the end of the data.
  const Bytes text{std::byte{'a'}, std::byte{'b'}, std::byte{'c'}};
  ByteReader reader(text);
  std::size_t next = 0;
  EXPECT_EQ(reader.varString(0, &next), "abc");
  EXPECT_EQ(next, 3u);
  EXPECT_TRUE(reader.ok());
  EXPECT_EQ(reader.fixedString(1, 32), "");
  EXPECT_FALSE(reader.ok()) << "a field past the end fails the reader";
}

TEST(ByteIo, WriterRefusesTextsThatLeaveNoRoomForTheTerminator) {
  Bytes field(12);
  ByteWriter writer(field);
  EXPECT_TRUE(writer.fixedString(0, 12, "ABCDEFGHIJK"));
  EXPECT_FALSE(writer.fixedString(0, 12, "ABCDEFGHIJKL"));
  EXPECT_EQ(field[10], std::byte{'K'});
  EXPECT_EQ(field[11], std::byte{0});
  writer.u32(10, 1);
  EXPECT_FALSE(writer.ok());
}
