// IPv4 datagram and stream sockets as the RealTraffic link uses them. Errors come back as
// numbers in the Winsock numbering (10054 for a connection reset, ...), the numbering in
// which the program's network messages are written on every system.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/socket.h"

namespace vexo::platform {

// The Winsock number of an operating-system error number; a number without one is
// returned unchanged.
int gf_netErrorCode(int osError);

// A UDP socket bound to port (0: any free port) on 127.0.0.1, or on every address when
// loopbackOnly is false. On failure the socket is invalid, error holds the code and
// failedAtBind tells whether creating or binding failed.
Socket gf_openUdpSocket(std::uint16_t port, bool loopbackOnly, int& error, bool& failedAtBind);

// The local port an IPv4 or IPv6 socket is bound to; 0 when it cannot be read.
std::uint16_t gf_localPort(int fd);

// Receives one datagram into buffer. Returns the datagram's full length, which is larger
// than the buffer when it was cut; -1 with error set on failure.
std::ptrdiff_t gf_receiveDatagram(int fd, std::span<char> buffer, int& error);

// Sends one datagram to 127.0.0.1:port; false with error set on failure.
bool gf_sendDatagramToLoopback(int fd, std::uint16_t port, std::string_view bytes, int& error);

// The step at which opening a listening TCP socket failed.
enum class ListenStep { none, resolve, socket, blockingMode, reuseAddress, bind, listen };

// How many connections a listening TCP socket keeps waiting to be accepted. Short: it
// serves one client, and a port flooded with connections must not queue thousands.
inline constexpr int g_listenBacklog = 8;

// A listening TCP socket on 127.0.0.1 at the port given as text ("0": any free port),
// with a queue of g_listenBacklog connections.
// On failure the socket is invalid, step names the failed step and error holds its code
// (for resolve, the resolver's own number).
Socket gf_openTcpListener(const std::string& portText, ListenStep& step, int& error);

// Accepts one pending connection without blocking; invalid with error set when none is
// pending or accepting failed.
Socket gf_acceptConnection(int listenFd, int& error);

// A stream connection to 127.0.0.1:port; invalid with error set on failure.
Socket gf_connectToLoopback(std::uint16_t port, int& error);

// Turns off the send delay (Nagle) so that each short line leaves at once.
bool gf_setNoDelay(int fd, int& error);

// Sends every byte (a broken connection never raises a signal). Waits at most timeout
// for room in the send buffer; false with error set when the bytes could not all go.
bool gf_sendAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout, int& error);

// True when the peer has closed or reset the connection (checked without waiting or
// taking any data).
bool gf_peerHasClosed(int fd);

// One receive on a stream socket: the number of bytes (0 at the end of the stream), or
// -1 with error set.
std::ptrdiff_t gf_receiveSome(int fd, std::span<char> buffer, int& error);

}  // namespace vexo::platform
