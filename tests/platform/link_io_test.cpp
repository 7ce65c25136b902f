#include "platform/link_io.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

using namespace vexo::platform;

namespace {

// Collects completions from the link's thread.
struct Completions {
  std::mutex mutex;  // guards done
  std::condition_variable changed;
  std::vector<IoCompletion> done;

  IoCompletionFn sink() {
    // Notified under the lock: a waiter that returns may destroy this object at once, so
    // the link's thread must be done with the condition variable before the waiter runs.
    return [this](const IoCompletion& c) {
      std::lock_guard lock(mutex);
      done.push_back(c);
      changed.notify_all();
    };
  }
  bool waitCount(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return done.size() >= count; });
  }
  IoCompletion at(std::size_t i) {
    std::lock_guard lock(mutex);
    return done.at(i);
  }
};

struct Pair {
  Socket near, far;
  Pair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    near = Socket(fds[0]);
    far = Socket(fds[1]);
  }
};

}  // namespace

TEST(LinkIo, ReadsAndWritesCompleteOnTheLinkThread) {
  Pair pair;
  Completions completions;
  auto link = LinkIo::start(std::move(pair.near), false, completions.sink());
  ASSERT_TRUE(link);
  std::vector<std::byte> buffer(64);
  ASSERT_TRUE(link->startRead(buffer));
  EXPECT_FALSE(link->startRead(buffer)) << "one read at a time";
  ASSERT_EQ(::send(pair.far.fd(), "hello", 5, 0), 5);
  ASSERT_TRUE(completions.waitCount(1));
  EXPECT_EQ(completions.at(0).op, IoOp::read);
  EXPECT_EQ(completions.at(0).status, STATUS_SUCCESS);
  EXPECT_EQ(completions.at(0).bytes, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), 5), "hello");

  const std::string text = "world!";
  auto bytes = std::make_shared<std::vector<std::byte>>();
  for (char c : text) bytes->push_back(static_cast<std::byte>(c));
  ASSERT_TRUE(link->startWrite(std::move(bytes)));
  ASSERT_TRUE(completions.waitCount(2));
  EXPECT_EQ(completions.at(1).op, IoOp::write);
  EXPECT_EQ(completions.at(1).bytes, text.size());
  char got[6];
  ASSERT_EQ(::recv(pair.far.fd(), got, sizeof got, MSG_WAITALL), 6);

  // The far end closing: a socket reads zero bytes.
  ASSERT_TRUE(link->startRead(buffer));
  pair.far.close();
  ASSERT_TRUE(completions.waitCount(3));
  EXPECT_EQ(completions.at(2).status, STATUS_SUCCESS);
  EXPECT_EQ(completions.at(2).bytes, 0u);
  link->cancel();
  link.reset();
  EXPECT_TRUE(LinkIo::waitNoneLive(std::chrono::seconds(10)));
}

TEST(LinkIo, PipeEndIsABrokenPipeAndCancelCompletesPendingReads) {
  {
    Pair pair;
    Completions completions;
    auto link = LinkIo::start(std::move(pair.near), true, completions.sink());
    std::vector<std::byte> buffer(16);
    ASSERT_TRUE(link->startRead(buffer));
    pair.far.close();
    ASSERT_TRUE(completions.waitCount(1));
    EXPECT_EQ(completions.at(0).status, STATUS_PIPE_BROKEN);
    link->cancel();
    link.reset();
    EXPECT_TRUE(LinkIo::waitNoneLive(std::chrono::seconds(10)));
  }
  {
    Pair pair;
    Completions completions;
    auto link = LinkIo::start(std::move(pair.near), false, completions.sink());
    std::vector<std::byte> buffer(16);
    ASSERT_TRUE(link->startRead(buffer));
    link->cancel();
    link->cancel();
    ASSERT_TRUE(completions.waitCount(1));
    EXPECT_EQ(completions.at(0).status, STATUS_CANCELLED);
    EXPECT_FALSE(link->startRead(buffer)) << "a cancelled link starts nothing";
    link.reset();
    EXPECT_TRUE(LinkIo::waitNoneLive(std::chrono::seconds(10)));
  }
  EXPECT_EQ(gf_ioStatusOfErrno(ECONNRESET), STATUS_CONNECTION_RESET);
  EXPECT_EQ(gf_ioStatusOfErrno(EIO), STATUS_UNSUCCESSFUL);
}
