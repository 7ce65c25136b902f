#include "simlink/recv_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"
#include "simstandin/messages.h"
#include "test_support.h"

using namespace vexo;
using simstandin::Bytes;

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
