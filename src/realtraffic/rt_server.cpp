#include "realtraffic/rt_server.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string_view>
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
constexpr std::string_view g_versionRequest = "Qs999=version\r\n";
constexpr std::size_t g_receiveSize = 16384;
constexpr int g_notConnected = 10057;
constexpr int g_connectionReset = 10054;
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

bool RTServer::hasAsked() const {
  const std::lock_guard lock(mutex_);
  return !asked_.empty();
}

int RTServer::askPending(int listenFd, std::vector<Asked>& asked) {
  int givenUp = 0;
  for (int i = 0; i < g_maxAcceptsPerCall; ++i) {
    int error = 0;
    platform::Socket connection = platform::gf_acceptConnection(listenFd, error);
    if (!connection.valid()) break;
    if (!platform::gf_setNoDelay(connection.fd(), error)) {
      lf_logUnlessClosing(fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_utcClockNow(),
                                      gf_wsaErrorText(error)));
      continue;  // closed here
    }
    // A new connection's send buffer is empty: the request never waits for room. One
    // that cannot take it is gone already.
    if (!platform::gf_sendAll(connection.fd(), g_versionRequest, std::chrono::milliseconds(0), error)) continue;
    if (asked.size() >= g_maxAskedConnections) {
      asked.erase(asked.begin());
      ++givenUp;
    }
    asked.push_back({std::move(connection), 0});
  }
  return givenUp;
}

namespace {

// The answer of an asked connection, read without waiting; none while it has not answered.
// drop is set when the connection is to go: its end closed, the receive failed, or the
// answer filled the receive buffer (it may go on beyond it: no answer of RealTraffic's).
std::optional<std::string> lf_readAnswer(int fd, bool& drop) {
  drop = false;
  const auto ready = platform::gf_waitReadable(fd, std::chrono::milliseconds(0));
  if (ready == platform::WaitResult::timeout) return std::nullopt;
  drop = true;
  if (ready == platform::WaitResult::error) return std::nullopt;
  std::vector<char> buffer(g_receiveSize, '\0');
  int error = 0;
  const std::ptrdiff_t n = platform::gf_receiveSome(fd, buffer, error);
  // A reset is how a peer that never read the request closes: not worth a log line each,
  // as such peers may come by the thousand.
  if (n <= 0) return std::nullopt;
  if (static_cast<std::size_t>(n) == g_receiveSize) {
    lf_logUnlessClosing(fmt::format("receive: buffer overrun: {}", n));
    return std::nullopt;
  }
  drop = false;
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace

RealTrafficLook RTServer::lookForRealTraffic() {
  RealTrafficLook look;
  if (connected_.load()) return look;
  const std::shared_ptr<platform::Socket> listener = listenSocket();
  if (!listener) return look;
  std::vector<Asked> asked;
  {
    const std::lock_guard lock(mutex_);
    asked.swap(asked_);
  }
  look.givenUp = askPending(listener->fd(), asked);
  std::shared_ptr<platform::Socket> answered;
  std::vector<Asked> waiting;
  for (Asked& connection : asked) {
    bool drop = false;
    std::optional<std::string> answer = lf_readAnswer(connection.socket.fd(), drop);
    if (answer) {
      look.answered = true;
      look.reply = std::move(*answer);
      answered = std::make_shared<platform::Socket>(std::move(connection.socket));
      break;  // the others are closed below
    }
    if (drop) continue;
    if (++connection.looks >= g_versionAnswerLooks) {
      ++look.givenUp;
      continue;
    }
    waiting.push_back(std::move(connection));
  }
  // What is not kept is closed when `asked` goes out of scope, outside the lock.
  const std::lock_guard lock(mutex_);
  if (listenSocket_ != listener) return RealTrafficLook{};  // closed meanwhile: all of them go
  if (answered) {
    clientSocket_ = std::move(answered);
    lost_.store(false);
    connected_.store(true);
  } else {
    asked_ = std::move(waiting);
  }
  return look;
}

bool RTServer::waitForConnection(const std::shared_ptr<platform::Socket>& listener) {
  for (;;) {
    if (gf_runEnding() || listenSocket() != listener) return false;
    const auto ready = platform::gf_waitReadable(listener->fd(), g_waitSlice);
    if (ready == platform::WaitResult::ready) return true;
    if (ready == platform::WaitResult::error) return false;
  }
}

RealTrafficWait RTServer::waitForRealTraffic(std::string& versionReply, const std::function<void()>& pause) {
  const std::shared_ptr<platform::Socket> listener = listenSocket();
  if (!listener) return RealTrafficWait::ended;
  for (;;) {
    // Nothing asked and waiting for its answer: wait for a connection as long as it takes.
    if (!hasAsked() && !waitForConnection(listener)) return RealTrafficWait::ended;
    RealTrafficLook look = lookForRealTraffic();
    if (gf_runEnding() || listenSocket() != listener) return RealTrafficWait::ended;
    if (look.answered) {
      versionReply = std::move(look.reply);
      return RealTrafficWait::connected;
    }
    // Connections that closed their end were not RealTraffic: the wait goes on. When the
    // last one asked was given up for its silence, the start goes on without RealTraffic.
    if (look.givenUp > 0 && !hasAsked()) return RealTrafficWait::silent;
    if (pause) pause();
  }
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
  if (sent) return true;
  lf_logUnlessClosing(fmt::format("sendDataPacket to RealTraffic failed: {}", gf_wsaErrorText(error)));
  if (client) lost_.store(true);
  dropClient(client);
  lf_logUnlessClosing("RealTraffic client socket closed");
  return false;
}

void RTServer::close() {
  if (connected_.load()) sendDataPacket("exit\r\n");
  std::shared_ptr<platform::Socket> listener;
  std::shared_ptr<platform::Socket> client;
  std::vector<Asked> asked;
  {
    const std::lock_guard lock(mutex_);
    listener = std::move(listenSocket_);
    client = std::move(clientSocket_);
    asked.swap(asked_);
    listenSocket_.reset();
    clientSocket_.reset();
    port_ = 0;
    connected_.store(false);
    lost_.store(false);
  }
  // Wakes a thread waiting on the listening socket; each socket closes when its last
  // user lets go of it.
  if (listener) listener->shutdownBoth();
  if (client) client->shutdownBoth();
}

void gf_startRTServer(const std::string& portText) { g_rtServer.start(portText); }
void gf_closeRTServer() { g_rtServer.close(); }

}  // namespace vexo
