// The receiving side of one RealTraffic UDP port: one socket, one fixed buffer and a
// receive loop that hands each datagram to the derived receiver.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/limited_log.h"
#include "platform/socket.h"

namespace vexo {

inline constexpr std::size_t g_receiveBufferSize = 16384;

// One object per reader, living for the whole process and reused across restarts. The
// reader thread is the only user of the socket, the buffer and lastDatagram; the flags
// and counters are atomic because the closing-down and tick threads touch them.
class UdpReceiver {
public:
  UdpReceiver() = default;
  virtual ~UdpReceiver() = default;
  UdpReceiver(const UdpReceiver&) = delete;
  UdpReceiver& operator=(const UdpReceiver&) = delete;

  // One datagram is ready in datagram() (also NUL-terminated). Must not throw.
  virtual void onReceive() = 0;
  // The loop ended because a stop was requested.
  virtual void onStop() = 0;

  // Creates the socket and binds it to port (0: any free port) on 127.0.0.1, or on
  // every address when loopbackOnly is false. Throws std::runtime_error.
  void createAndBind(std::uint16_t port, bool loopbackOnly);
  // The port bound last (0 before): tests bind to any free port and read it here.
  std::uint16_t boundPort() const { return boundPort_.load(); }

  // Receives until a stop is requested (then closes the socket and calls onStop) or a
  // receive fails (throws std::runtime_error "receive error: ..."; the socket stays for
  // the caller to close). Waits at most one second at a time, so a stop is seen soon.
  void receiveLoop(bool deliverAll);

  // What the loop does with a received datagram of n bytes (n may exceed the buffer,
  // when the datagram was cut): drops an overrun, suppresses a repeat unless
  // deliverAll, and delivers the rest. The datagram's bytes are in buffer.
  void takeDatagram(std::size_t n, bool deliverAll);

  // Puts text into the buffer as the current datagram (cut to fit), as a receive would.
  void loadDatagram(std::string_view text);

  void closeSocket() { socket.close(); }
  bool hasSocket() const { return socket.valid(); }

  std::array<char, g_receiveBufferSize> buffer{};

  // The current datagram: its first length bytes of buffer.
  std::size_t length = 0;
  std::string_view datagram() const { return {buffer.data(), length}; }

  std::atomic<bool> stopRequested{false};
  std::atomic<std::uint32_t> datagramCount{0};
  std::atomic<std::uint32_t> countAtLastCheck{0};  // written by the light check only

  std::string lastDatagram;  // for repeat suppression

  // Every line about a received datagram goes through here. Reader thread.
  LimitedLog foreignLog;

private:
  platform::Socket socket;
  std::atomic<std::uint16_t> boundPort_{0};
};

}  // namespace vexo
