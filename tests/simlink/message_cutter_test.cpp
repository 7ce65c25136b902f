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

// Feeds bytes in chunks of at most chunk and collects every message and the first
// failure. Reads never exceed the free space, as a socket read would not.
struct Feed {
  std::vector<Bytes> messages;
  CutResult failure = CutResult::needMore;

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
      } else if (result != CutResult::skippedZeros) {
        if (result != CutResult::needMore) failure = result;
        return;
      }
    }
  }
};

Bytes lf_event(std::uint32_t eventId) { return simstandin::gf_buildEvent(35, 1, eventId, 7); }

}  // namespace

// Whole messages come out in order however the stream is cut into reads. Zero bytes between
// messages are skipped when they arrive with the next message's size field (a run of fewer
// than four zeros at the end of a read would be taken for part of a size field).
TEST(MessageCutter, MessagesComeOutWholeAtEveryCut) {
  const Bytes a = lf_event(201), open = simstandin::gf_buildOpen(35, {"Prepar3D v5"}), quit = simstandin::gf_buildQuit(35);
  const struct {
    const char* name;
    Bytes stream;
    std::vector<Bytes> messages;
    std::vector<std::size_t> chunks;
  } cases[] = {
      {"two in one read", lf_join({a, quit}), {a, quit}, {4096}},
      {"split over reads", lf_join({a, open, a}), {a, open, a}, {1, 2, 3, 5, 7, 13, 40, 4096}},
      {"zeros between", lf_join({Bytes(7), a, Bytes(4), quit, Bytes(9)}), {a, quit}, {4096}},
  };
  for (const auto& c : cases)
    for (std::size_t chunk : c.chunks) {
      SCOPED_TRACE(::testing::Message() << c.name << ", reads of " << chunk);
      MessageCutter cutter(41088);
      Feed feed;
      feed.run(cutter, c.stream, chunk);
      EXPECT_EQ(feed.failure, CutResult::needMore);
      EXPECT_EQ(feed.messages, c.messages);
      EXPECT_EQ(cutter.unread(), 0u) << "only zeros left: both positions back at the start";
    }
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
  // A message of exactly the 1 MiB limit fits.
  MessageCutter most(g_receiveBufferLimit);
  Feed whole;
  whole.run(most, simstandin::gf_buildRaw(g_receiveBufferLimit, 35, 99, Bytes(g_receiveBufferLimit - 12)), 65536);
  ASSERT_EQ(whole.messages.size(), 1u);
  EXPECT_EQ(whole.messages[0].size(), g_receiveBufferLimit);
}

TEST(MessageCutter, BadSizeFieldsAreReported) {
  // A size field above 1 MiB is too large even when the configured maximum is higher.
  EXPECT_EQ(MessageCutter(0xFFFFFFFFu).maxMessageSize(), g_receiveBufferLimit);
  const struct {
    std::uint32_t maxSize, sizeField;
    CutResult expected;
  } cases[] = {{41088, 41089, CutResult::tooLarge},
               {41088, 1, CutResult::badSize},
               {41088, 2, CutResult::badSize},
               {41088, 3, CutResult::badSize},
               {41088, 4, CutResult::badSize},
               {41088, 11, CutResult::badSize},  // shorter than the header
               {41088, 12, CutResult::needMore},  // the header alone is a message
               {0xFFFFFFFFu, g_receiveBufferLimit + 1, CutResult::tooLarge}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sizeField);
    MessageCutter cutter(c.maxSize);
    Feed feed;
    feed.run(cutter, simstandin::gf_buildRaw(c.sizeField, 35, 4, Bytes(20)), 4096);
    EXPECT_EQ(feed.failure, c.expected);
  }
}
