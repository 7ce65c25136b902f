#include "simlink/message_cutter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "simstandin/messages.h"

using namespace vexo;
using simstandin::Bytes;

namespace {

Bytes lf_join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes lf_zeros(std::size_t count) { return Bytes(count); }

// Feeds bytes in chunks of at most chunk and collects every message and the first
// failure. Reads never exceed the free space, as a socket read would not.
struct Feed {
  std::vector<Bytes> messages;
  CutResult failure = CutResult::needMore;
  std::size_t skips = 0;

  void run(MessageCutter& cutter, const Bytes& stream, std::size_t chunk) {
    std::size_t pos = 0;
    while (pos < stream.size() && failure == CutResult::needMore) {
      auto space = cutter.freeSpace();
      ASSERT_FALSE(space.empty());
      const std::size_t count = std::min({chunk, space.size(), stream.size() - pos});
      std::memcpy(space.data(), stream.data() + pos, count);
      cutter.commitRead(count);
      pos += count;
      drain(cutter);
    }
  }

  void drain(MessageCutter& cutter) {
    for (;;) {
      const CutResult result = cutter.next();
      if (result == CutResult::message) {
        messages.push_back(cutter.takeMessage());
      } else if (result == CutResult::skippedZeros) {
        ++skips;
      } else {
        if (result != CutResult::needMore) failure = result;
        return;
      }
    }
  }
};

Bytes lf_event(std::uint32_t eventId) { return simstandin::gf_buildEvent(35, 1, eventId, 7); }

}  // namespace

TEST(MessageCutter, TwoMessagesInOneReadComeOutInOrder) {
  MessageCutter cutter(41088);
  const Bytes a = lf_event(201), b = simstandin::gf_buildQuit(35);
  Feed feed;
  feed.run(cutter, lf_join({a, b}), 4096);
  ASSERT_EQ(feed.messages.size(), 2u);
  EXPECT_EQ(feed.messages[0], a);
  EXPECT_EQ(feed.messages[1], b);
  EXPECT_EQ(cutter.unread(), 0u);
}

TEST(MessageCutter, SplitMessagesAreDeliveredWhenWholeAtEveryCut) {
  const Bytes stream = lf_join({lf_event(201), simstandin::gf_buildOpen(35, {"Prepar3D v5"}), lf_event(202)});
  for (std::size_t chunk = 1; chunk <= 40; ++chunk) {
    MessageCutter cutter(41088);
    Feed feed;
    feed.run(cutter, stream, chunk);
    ASSERT_EQ(feed.failure, CutResult::needMore) << chunk;
    ASSERT_EQ(feed.messages.size(), 3u) << chunk;
    EXPECT_EQ(feed.messages[1].size(), 308u);
    EXPECT_EQ(lf_join({feed.messages[0], feed.messages[1], feed.messages[2]}), stream);
  }
}

TEST(MessageCutter, ZeroBytesBetweenMessagesAreSkipped) {
  MessageCutter cutter(41088);
  const Bytes a = lf_event(201), b = lf_event(202);
  Feed feed;
  feed.run(cutter, lf_join({lf_zeros(7), a, lf_zeros(4), b, lf_zeros(9)}), 4096);
  ASSERT_EQ(feed.messages.size(), 2u);
  EXPECT_EQ(feed.messages[0], a);
  EXPECT_EQ(feed.messages[1], b);
  EXPECT_GE(feed.skips, 2u);
  EXPECT_EQ(feed.failure, CutResult::needMore);
  EXPECT_EQ(cutter.unread(), 0u) << "only zeros left: both positions back at the start";
}

TEST(MessageCutter, LargeMessagesGrowTheBufferUpToTheLimit) {
  MessageCutter cutter(100000);
  const Bytes big = simstandin::gf_buildRaw(12 + 9000, 35, 99, Bytes(9000, std::byte{0x5A}));
  Feed feed;
  feed.run(cutter, lf_join({big, lf_event(201)}), 1500);
  ASSERT_EQ(feed.messages.size(), 2u);
  EXPECT_EQ(feed.messages[0], big);
  EXPECT_GE(cutter.capacity(), 9012u);
  EXPECT_EQ(cutter.capacity() % g_receiveBufferStep, 0u);
}

TEST(MessageCutter, BadSizeFieldsAreReported) {
  {
    MessageCutter cutter(41088);
    Feed feed;
    feed.run(cutter, simstandin::gf_buildRaw(41089, 35, 4, Bytes(20)), 4096);
    EXPECT_EQ(feed.failure, CutResult::tooLarge);
  }
  for (std::uint32_t size : {1u, 2u, 3u}) {
    MessageCutter cutter(41088);
    Feed feed;
    feed.run(cutter, simstandin::gf_buildRaw(size, 35, 4, Bytes(20)), 4096);
    EXPECT_EQ(feed.failure, CutResult::badSize) << size;
  }
  {
    // A size field above 1 MiB is too large even when the configured maximum is higher.
    MessageCutter cutter(0xFFFFFFFFu);
    EXPECT_EQ(cutter.maxMessageSize(), g_receiveBufferLimit);
    Feed feed;
    feed.run(cutter, simstandin::gf_buildRaw(g_receiveBufferLimit + 1, 35, 4, Bytes(20)), 4096);
    EXPECT_EQ(feed.failure, CutResult::tooLarge);
  }
}

TEST(MessageCutter, MessageOfExactlyTheLimitFits) {
  MessageCutter cutter(g_receiveBufferLimit);
  const Bytes big = simstandin::gf_buildRaw(g_receiveBufferLimit, 35, 99, Bytes(g_receiveBufferLimit - 12));
  Feed feed;
  feed.run(cutter, big, 65536);
  ASSERT_EQ(feed.messages.size(), 1u);
  EXPECT_EQ(feed.messages[0].size(), g_receiveBufferLimit);
}
