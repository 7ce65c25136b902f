#include "realtraffic/rt_server.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <stdexcept>
#include <utility>
#include <vector>

#include "foundation/run_state.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "platform/net.h"
#include "realtraffic/wsa_error_text.h"

namespace vexo {

RTServer g_rtServer;

namespace {

constexpr std::chrono::milliseconds g_waitSlice{200};
constexpr std::chrono::milliseconds g_sendTimeout{2000};
// RealTraffic answers the version request at once; a peer silent for this long is not
// waited for any longer (a tick that takes RealTraffic back waits this long at most).
constexpr std::chrono::milliseconds g_versionWait{2000};
constexpr std::size_t g_receiveSize = 16384;
constexpr int g_notConnected = 10057;
constexpr int g_connectionReset = 10054;
constexpr int g_wouldBlock = 10035;
// More than the listening socket's queue holds, with room for what arrives meanwhile.
constexpr int g_maxAcceptsPerCall = 64;

// Network messages are not logged once the program is closing.
void lf_logUnlessClosing(const std::string& text) {
  if (!gf_runEnding()) gf_log(text);
}

std::string lf_listenError(platform::ListenStep step, int error, const std::string& portText) {
  using platform::ListenStep;
  switch (step) {
    case ListenStep::resolve: return fmt::format("getaddrinfo failed with error {}", error);
    case ListenStep::socket: return "socket failed with error " + gf_wsaErrorText(error);
    case ListenStep::blockingMode: return "ioctlsocket failed with error " + gf_wsaErrorText(error);
    case ListenStep::reuseAddress: return "setsockopt(SO_REUSEADDR) failed";
    case ListenStep::bind: return "Bind failed at port " + portText + " with error " + gf_wsaErrorText(error);
    case ListenStep::listen: return "listen failed with error " + gf_wsaErrorText(error);
    case ListenStep::none: break;
  }
  return "listen failed";
}

}  // namespace

void RTServer::start(const std::string& portText) {
  platform::ListenStep step = platform::ListenStep::none;
  int error = 0;
  auto socket = std::make_shared<platform::Socket>(platform::gf_openTcpListener(portText, step, error));
  if (!socket->valid()) throw std::runtime_error(lf_listenError(step, error, portText));
  const std::uint16_t port = platform::gf_localPort(socket->fd());
  std::shared_ptr<platform::Socket> previous;
  {
    const std::lock_guard lock(mutex_);
    previous = std::exchange(listenSocket_, std::move(socket));
    port_ = port;
  }
  if (previous) previous->shutdownBoth();
}

std::uint16_t RTServer::port() const {
  const std::lock_guard lock(mutex_);
  return port_;
}

std::shared_ptr<platform::Socket> RTServer::listenSocket() const {
  const std::lock_guard lock(mutex_);
  return listenSocket_;
}

std::shared_ptr<platform::Socket> RTServer::clientSocket() const {
  const std::lock_guard lock(mutex_);
  return clientSocket_;
}

bool RTServer::waitForClient() { return !connected_.load() && acceptClient(g_waitSlice, true); }

bool RTServer::acceptPendingClient() { return !connected_.load() && acceptClient(std::chrono::milliseconds(0), false); }

bool RTServer::replaceSilentClient() {
  return connected_.load() && !clientAnswered_.load() && acceptClient(std::chrono::milliseconds(0), false);
}

std::string RTServer::askVersion() {
  const std::shared_ptr<platform::Socket> client = clientSocket();
  if (!client || !sendDataPacket("Qs999=version\r\n")) return {};
  std::string reply = receiveFrom(client, std::chrono::steady_clock::now() + g_versionWait);
  if (!reply.empty()) {
    clientAnswered_.store(true);
  } else if (!gf_runEnding() && platform::gf_peerHasClosed(client->fd())) {
    dropClient(client);
  }
  return reply;
}

bool RTServer::waitForRealTraffic(std::string& versionReply) {
  if (!waitForClient()) return false;
  for (;;) {
    versionReply = askVersion();
    if (gf_runEnding()) return false;
    if (!connected_.load()) {
      if (!waitForClient()) return false;
    } else if (!versionReply.empty() || !replaceSilentClient()) {
      return true;
    }
  }
}

namespace {

// Of the connections pending on the listening socket, the newest one whose peer has not
// closed it; the others are closed. A port flooded with connect-and-close calls thus
// gives back its pending queue in one go, and a connection gone before it was accepted
// never becomes the client. At most g_maxAcceptsPerCall are taken (the queue is short,
// see gf_openTcpListener). Invalid when none is left: error 10035 when the queue is
// empty, the error of accept when accepting failed.
platform::Socket lf_newestOpenPending(int listenFd, int& error) {
  platform::Socket newest;
  error = g_wouldBlock;  // also when every connection taken was stale
  for (int i = 0; i < g_maxAcceptsPerCall; ++i) {
    int acceptError = 0;
    platform::Socket next = platform::gf_acceptConnection(listenFd, acceptError);
    if (!next.valid()) {
      error = acceptError;
      break;
    }
    if (platform::gf_peerHasClosed(next.fd())) continue;  // closed at the end of this pass
    newest = std::move(next);                             // an older one is closed here
  }
  if (newest.valid() && platform::gf_peerHasClosed(newest.fd())) newest = platform::Socket();
  if (newest.valid()) error = 0;
  return newest;
}

}  // namespace

bool RTServer::acceptClient(std::chrono::milliseconds wait, bool untilRunEnds) {
  const std::shared_ptr<platform::Socket> listener = listenSocket();
  if (!listener) return false;
  platform::Socket client;
  int error = 0;
  while (!client.valid()) {
    if (gf_runEnding() || listenSocket() != listener) return false;
    const auto ready = platform::gf_waitReadable(listener->fd(), wait);
    if (ready == platform::WaitResult::timeout) {
      if (untilRunEnds) continue;
      return false;
    }
    if (ready == platform::WaitResult::error) return false;
    client = lf_newestOpenPending(listener->fd(), error);
    // Nothing still open was pending (the peers gave up): wait again. Anything else,
    // such as a listening socket shut down by close(), ends the wait.
    if (!client.valid() && (error != g_wouldBlock || !untilRunEnds)) return false;
  }
  if (!platform::gf_setNoDelay(client.fd(), error)) {
    lf_logUnlessClosing(fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_utcClockNow(),
                                    gf_wsaErrorText(error)));
    return false;  // the accepted socket is closed here
  }
  auto accepted = std::make_shared<platform::Socket>(std::move(client));
  std::shared_ptr<platform::Socket> previous;
  {
    const std::lock_guard lock(mutex_);
    if (listenSocket_ != listener) return false;  // closed meanwhile: the client goes too
    previous = std::exchange(clientSocket_, std::move(accepted));
    clientCarriedLine_.store(false);
    clientAnswered_.store(false);
    connected_.store(true);
  }
  if (previous) previous->shutdownBoth();
  return true;
}

void RTServer::dropClient(const std::shared_ptr<platform::Socket>& client) {
  {
    const std::lock_guard lock(mutex_);
    if (clientSocket_ == client) {
      clientSocket_.reset();
      connected_.store(false);
    }
  }
  if (client) client->shutdownBoth();
}

bool RTServer::sendDataPacket(const std::string& line) {
  const std::shared_ptr<platform::Socket> client = clientSocket();
  int error = g_notConnected;
  bool sent = false;
  if (client) {
    const std::lock_guard lock(sendMutex_);
    if (platform::gf_peerHasClosed(client->fd())) {
      error = g_connectionReset;
    } else {
      sent = platform::gf_sendAll(client->fd(), line, g_sendTimeout, error);
    }
  }
  if (sent) {
    clientCarriedLine_.store(true);
    return true;
  }
  lf_logUnlessClosing(fmt::format("sendDataPacket to RealTraffic failed: {}", gf_wsaErrorText(error)));
  dropClient(client);
  lf_logUnlessClosing("RealTraffic client socket closed");
  return false;
}

std::string RTServer::receive() { return receiveFrom(clientSocket(), std::nullopt); }

std::string RTServer::receiveFrom(const std::shared_ptr<platform::Socket>& client,
                                  std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (!client) {
    lf_logUnlessClosing(fmt::format("receive: {}", gf_wsaErrorText(g_notConnected)));
    return {};
  }
  for (;;) {
    if (gf_runEnding()) return {};
    std::chrono::milliseconds slice = g_waitSlice;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return {};
      slice = std::min(slice, left);
    }
    const auto wait = platform::gf_waitReadable(client->fd(), slice);
    if (wait == platform::WaitResult::ready) break;
    if (wait == platform::WaitResult::error) return {};
  }
  std::vector<char> buffer(g_receiveSize, '\0');
  int error = 0;
  const std::ptrdiff_t n = platform::gf_receiveSome(client->fd(), buffer, error);
  if (n < 0) {
    lf_logUnlessClosing(fmt::format("receive: {}", gf_wsaErrorText(error)));
    return {};
  }
  if (static_cast<std::size_t>(n) == g_receiveSize) {
    lf_logUnlessClosing(fmt::format("receive: buffer overrun: {}", n));
    return {};
  }
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

void RTServer::close() {
  if (connected_.load()) sendDataPacket("exit\r\n");
  std::shared_ptr<platform::Socket> listener;
  std::shared_ptr<platform::Socket> client;
  {
    const std::lock_guard lock(mutex_);
    listener = std::move(listenSocket_);
    client = std::move(clientSocket_);
    listenSocket_.reset();
    clientSocket_.reset();
    port_ = 0;
    connected_.store(false);
  }
  // Wakes a thread waiting in accept or receive; each socket closes when its last user
  // lets go of it.
  if (listener) listener->shutdownBoth();
  if (client) client->shutdownBoth();
}

void gf_startRTServer(const std::string& portText) { g_rtServer.start(portText); }
bool waitForClient() { return g_rtServer.waitForClient(); }
bool sendDataPacket(const std::string& line) { return g_rtServer.sendDataPacket(line); }
std::string receive() { return g_rtServer.receive(); }
void gf_closeRTServer() { g_rtServer.close(); }

}  // namespace vexo
