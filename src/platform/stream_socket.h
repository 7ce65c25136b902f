// Stream connections for the simulator link and its stand-in: TCP over IPv4 or IPv6, and
// Unix-domain stream sockets, which stand in for the simulator's named pipe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/socket.h"

namespace vexo::platform {

// Address families in the numbering the simulator's configuration uses.
inline constexpr int g_familyIpv4 = 2;
inline constexpr int g_familyIpv6 = 23;

// Resolves host and port (both texts) for the family and connects, blocking, to the
// first address found. Invalid with error (an errno, or the resolver's code) on failure.
Socket gf_connectTcpStream(int family, const std::string& host, const std::string& port, int& error);

enum class UnixConnect { connected, busy, failed };

// Connects to a Unix-domain stream socket without waiting for the server to accept:
// busy when its queue of pending connections is full. A path too long for a socket
// address fails (error ENAMETOOLONG).
UnixConnect gf_connectUnixStream(const std::filesystem::path& path, Socket& out, int& error);

// A listening TCP socket on host (a numeric address) at port (0: any free port).
Socket gf_listenTcpStream(int family, const std::string& host, std::uint16_t port, int& error);
// A listening Unix-domain stream socket at path; a stale socket file there is replaced.
Socket gf_listenUnixStream(const std::filesystem::path& path, int& error);
// Accepts one pending connection without blocking; invalid with error when none.
Socket gf_acceptStream(int listenFd, int& error);
// The bound port and the send delay are read and set with gf_localPort and
// gf_setNoDelay (platform/net.h).
// Sends every byte, waiting for room as long as it takes; false on a broken connection.
bool gf_sendAllBlocking(int fd, const void* data, std::size_t size, int& error);

}  // namespace vexo::platform
