#include "platform/socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

using namespace vexo::platform;
using namespace std::chrono_literals;

TEST(Socket, WaitsSeeDataTimeoutAndShutdown) {
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  Socket a(fds[0]), b(fds[1]);
  EXPECT_EQ(gf_waitReadable(a.fd(), 10ms), WaitResult::timeout);
  EXPECT_EQ(gf_waitWritable(a.fd(), 10ms), WaitResult::ready);
  ASSERT_EQ(::write(b.fd(), "x", 1), 1);
  EXPECT_EQ(gf_waitReadable(a.fd(), 10ms), WaitResult::ready);
  char c;
  ASSERT_EQ(::read(a.fd(), &c, 1), 1);
  a.shutdownBoth();
  EXPECT_EQ(gf_waitReadable(a.fd(), 1000ms), WaitResult::ready);  // end of stream wakes the wait
}

TEST(Socket, MoveTransfersOwnershipAndClosesOnce) {
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  Socket a(fds[0]);
  Socket moved(std::move(a));
  EXPECT_FALSE(a.valid());
  EXPECT_EQ(moved.fd(), fds[0]);
  moved = Socket(fds[1]);  // closes fds[0]
  EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1);
}
