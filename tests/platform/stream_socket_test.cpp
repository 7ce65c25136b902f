#include "platform/stream_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cerrno>

#include <string>

#include "platform/net.h"
#include "test_support.h"

using namespace vexo::platform;

TEST(StreamSocket, TcpConnectsToALoopbackListener) {
  int error = 0;
  Socket listener = gf_listenTcpStream(g_familyIpv4, "127.0.0.1", 0, error);
  ASSERT_TRUE(listener.valid()) << error;
  const std::uint16_t port = gf_localPort(listener.fd());
  ASSERT_NE(port, 0);
  Socket client = gf_connectTcpStream(g_familyIpv4, "127.0.0.1", std::to_string(port), error);
  ASSERT_TRUE(client.valid()) << error;
  ASSERT_EQ(gf_waitReadable(listener.fd(), std::chrono::seconds(10)), WaitResult::ready);
  Socket accepted = gf_acceptStream(listener.fd(), error);
  ASSERT_TRUE(accepted.valid());
  EXPECT_TRUE(gf_setNoDelay(client.fd(), error));
  ASSERT_TRUE(gf_sendAllBlocking(client.fd(), "ping", 4, error));
  char got[4];
  ASSERT_EQ(::recv(accepted.fd(), got, 4, MSG_WAITALL), 4);

  // Nobody listening, or a name that does not resolve: a clean failure.
  listener.close();
  EXPECT_FALSE(gf_connectTcpStream(g_familyIpv4, "127.0.0.1", std::to_string(port), error).valid());
  EXPECT_FALSE(gf_connectTcpStream(g_familyIpv4, "127.0.0.1", "not-a-port", error).valid());
}

TEST(StreamSocket, UnixSocketsConnectAndRefuseOverLongPaths) {
  vexo::test::TempDir dir;
  int error = 0;
  Socket listener = gf_listenUnixStream(dir / "sock", error);
  ASSERT_TRUE(listener.valid()) << error;
  Socket client;
  EXPECT_EQ(gf_connectUnixStream(dir / "sock", client, error), UnixConnect::connected);
  EXPECT_TRUE(client.valid());
  EXPECT_EQ(gf_connectUnixStream(dir / "missing", client, error), UnixConnect::failed);
  EXPECT_EQ(gf_connectUnixStream(dir / std::string(200, 'x'), client, error), UnixConnect::failed);
  EXPECT_EQ(error, ENAMETOOLONG);
  EXPECT_FALSE(gf_listenUnixStream(dir / std::string(200, 'x'), error).valid());
}
