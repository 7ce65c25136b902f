#include "realtraffic/udp_receiver.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "foundation/run_state.h"
#include "foundation/log.h"
#include "platform/net.h"
#include "realtraffic/wsa_error_text.h"

namespace vexo {

namespace {
constexpr std::chrono::milliseconds g_receiveTimeout{1000};
}  // namespace

void UdpReceiver::createAndBind(std::uint16_t port, bool loopbackOnly) {
  int error = 0;
  bool failedAtBind = false;
  socket = platform::gf_openUdpSocket(port, loopbackOnly, error, failedAtBind);
  if (socket.valid()) {
    boundPort_.store(platform::gf_localPort(socket.fd()));
    return;
  }
  if (failedAtBind) throw std::runtime_error(fmt::format("bind to stream socket failed, error: {}", gf_wsaErrorText(error)));
  throw std::runtime_error(fmt::format("failed to create the socket, error: {}", gf_wsaErrorText(error)));
}

void UdpReceiver::takeDatagram(std::size_t n, bool deliverAll) {
  if (n == 0) return;
  if (n >= buffer.size()) {
    // Anyone on the network can send a datagram this large: it is dropped, never parsed.
    if (!gf_runEnding()) foreignLog.log("buffer overrun", fmt::format("buffer overrun: {} bytes", n));
    return;
  }
  buffer[n] = '\0';
  const std::string_view received(buffer.data(), n);
  if (!deliverAll) {
    if (received == lastDatagram) return;
    lastDatagram.assign(received);
  }
  length = n;
  datagramCount.fetch_add(1);
  onReceive();
}

void UdpReceiver::loadDatagram(std::string_view text) {
  const std::size_t n = std::min(text.size(), buffer.size() - 1);
  std::memcpy(buffer.data(), text.data(), n);
  buffer[n] = '\0';
  length = n;
}

void UdpReceiver::receiveLoop(bool deliverAll) {
  while (!stopRequested.load()) {
    const platform::WaitResult wait = platform::gf_waitReadable(socket.fd(), g_receiveTimeout);
    if (wait == platform::WaitResult::timeout) continue;
    int error = 0;
    if (wait == platform::WaitResult::ready) {
      const std::ptrdiff_t n = platform::gf_receiveDatagram(socket.fd(), buffer, error);
      if (n >= 0) {
        takeDatagram(static_cast<std::size_t>(n), deliverAll);
        continue;
      }
      if (error == 10004 || error == 10035 || error == 10060) continue;
    } else {
      error = 10038;  // the wait itself failed: the socket is unusable
    }
    if (stopRequested.load()) break;
    throw std::runtime_error(fmt::format("receive error: {}", gf_wsaErrorText(error)));
  }
  if (socket.valid()) {
    socket.shutdownBoth();
    socket.close();
  }
  onStop();
}

}  // namespace vexo
