#include "simstandin/sim_standin.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/net.h"
#include "simstandin/messages.h"
#include "platform/pipe_path.h"
#include "platform/stream_socket.h"
#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"

namespace vexo::simstandin {

namespace {
constexpr std::string_view g_defaultPipe = "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect";
constexpr std::size_t g_readChunk = 4096;
constexpr double g_secondsPerDay = 86400.0;

int lf_daysInYear(std::int64_t year) { return (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 366 : 365; }
}  // namespace

void Connection::send(const Bytes& message) { owner_.writeMessage(*this, message); }

std::uint32_t Connection::subscribedEvent(std::string_view eventName) const {
  const auto it = subscriptions_.find(gf_upperName(eventName));
  return it == subscriptions_.end() ? 0 : it->second;
}

const std::vector<Datum>* Connection::definition(std::uint32_t defineId) const {
  const auto it = definitions_.find(defineId);
  return it == definitions_.end() ? nullptr : &it->second;
}

SimStandin::SimStandin(StandinOptions options)
    : options_(std::move(options)),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      nextAiObject_(options_.firstAiObjectId) {
  user_.id = options_.userObjectId;
  user_.setText("TITLE", "Stand-in User Aircraft");
  user_.setText("ATC MODEL", "B738");
  user_.setText("ATC ID", "USER1");
  installBuiltInHandlers();
}

SimStandin::~SimStandin() { stop(); }

std::uint16_t SimStandin::listenTcp(int family, std::uint16_t port) {
  int error = 0;
  const std::string host = family == platform::g_familyIpv6 ? "::1" : "127.0.0.1";
  platform::Socket socket = platform::gf_listenTcpStream(family, host, port, error);
  if (!socket.valid()) return 0;
  const std::uint16_t bound = platform::gf_localPort(socket.fd());
  {
    std::lock_guard lock(mutex_);
    listeners_.push_back(std::move(socket));
  }
  wake();
  return bound;
}

bool SimStandin::listenPipe(std::string_view pipeName) {
  const auto path = platform::gf_pipeSocketPath(pipeName.empty() ? g_defaultPipe : pipeName);
  if (!path) return false;
  int error = 0;
  platform::Socket socket = platform::gf_listenUnixStream(*path, error);
  if (!socket.valid()) return false;
  {
    std::lock_guard lock(mutex_);
    listeners_.push_back(std::move(socket));
    pipePaths_.push_back(*path);
  }
  wake();
  return true;
}

void SimStandin::start() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return;
  stopping_ = false;
  nextFrame_ = std::chrono::steady_clock::now();
  nextSecond_ = nextFrame_ + std::chrono::seconds(1);
  thread_ = std::thread([this] { run(); });
}

void SimStandin::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  connections_.clear();
  listeners_.clear();
  for (const auto& path : pipePaths_) ::unlink(path.c_str());
  pipePaths_.clear();
}

void SimStandin::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto n = ::write(wake_.fd(), &one, sizeof one);
}

void SimStandin::run() {
  for (;;) {
    std::vector<pollfd> fds;
    std::size_t listenerCount = 0;
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      for (const auto& connection : connections_)
        if (connection->dropped_) removeAiObjectsOf(connection->number());
      std::erase_if(connections_, [](const auto& c) { return c->dropped_; });
      fds.push_back({wake_.fd(), POLLIN, 0});
      for (const auto& listener : listeners_) fds.push_back({listener.fd(), POLLIN, 0});
      listenerCount = listeners_.size();
      for (const auto& connection : connections_) fds.push_back({connection->socket_.fd(), POLLIN, 0});
      if (options_.frameRateHz > 0 || options_.clockRuns) {
        const auto next = options_.frameRateHz <= 0 ? nextSecond_
                          : options_.clockRuns      ? std::min(nextFrame_, nextSecond_)
                                                    : nextFrame_;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - std::chrono::steady_clock::now());
        timeoutMs = static_cast<int>(std::max<std::int64_t>(0, wait.count()));
      }
    }
    const int n = ::poll(fds.data(), fds.size(), timeoutMs);
    if (n < 0 && errno != EINTR) return;

    std::lock_guard lock(mutex_);
    if (stopping_) return;
    if (fds[0].revents) {
      std::uint64_t count;
      [[maybe_unused]] const auto r = ::read(wake_.fd(), &count, sizeof count);
    }
    for (std::size_t i = 0; i < listenerCount && i < listeners_.size(); ++i)
      if (fds[1 + i].revents & POLLIN) acceptFrom(listeners_[i].fd());
    for (std::size_t i = 1 + listenerCount; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      const auto it = std::find_if(connections_.begin(), connections_.end(),
                                   [&](const auto& c) { return c->socket_.fd() == fds[i].fd; });
      if (it != connections_.end() && !(*it)->dropped_) readFrom(**it);
    }
    const auto now = std::chrono::steady_clock::now();
    if (options_.frameRateHz > 0 && now >= nextFrame_) sendFrames();
    if (options_.clockRuns && now >= nextSecond_) {
      nextSecond_ = std::max(nextSecond_ + std::chrono::seconds(1), now);
      serveSecond();
    }
  }
}

void SimStandin::acceptFrom(int listenFd) {
  int error = 0;
  platform::Socket socket = platform::gf_acceptStream(listenFd, error);
  if (!socket.valid()) return;
  platform::gf_setNoDelay(socket.fd(), error);  // fails harmlessly on the pipe's socket
  connections_.push_back(std::unique_ptr<Connection>(new Connection(*this, nextConnection_++, std::move(socket))));
  ++accepted_;
  changed_.notify_all();
}

void SimStandin::readFrom(Connection& connection) {
  std::byte chunk[g_readChunk];
  const ssize_t n = ::recv(connection.socket_.fd(), chunk, sizeof chunk, MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (n <= 0) {
    connection.dropped_ = true;
    changed_.notify_all();
    return;
  }
  connection.inbox_.insert(connection.inbox_.end(), chunk, chunk + n);
  for (;;) {
    if (connection.inbox_.size() < g_simConnectRequestHeaderSize) return;
    ByteReader header(connection.inbox_);
    Request request;
    request.connection = connection.number_;
    request.size = header.u32(0);
    if (request.size < g_simConnectRequestHeaderSize || request.size > options_.maxRequestSize) {
      // A stream that lost its framing cannot be read on.
      connection.dropped_ = true;
      changed_.notify_all();
      return;
    }
    if (connection.inbox_.size() < request.size) return;
    request.version = header.u32(4);
    request.function = header.u32(8) & ~g_simConnectPacketIdBase;
    request.sendId = header.u32(12);
    request.bytes.assign(connection.inbox_.begin(), connection.inbox_.begin() + request.size);
    connection.inbox_.erase(connection.inbox_.begin(), connection.inbox_.begin() + request.size);
    if (request.function == SimConnectFunction::Open) connection.version_ = request.version;
    requests_.push_back(request);
    handle(connection, requests_.back());
    changed_.notify_all();
    if (connection.dropped_) return;
  }
}

void SimStandin::handle(Connection& connection, const Request& request) {
  const auto it = handlers_.find(request.function);
  if (it != handlers_.end() && it->second) it->second(*this, connection, request);
}

void SimStandin::writeMessage(Connection& connection, const Bytes& message) {
  if (connection.dropped_) return;
  int error = 0;
  if (faults_.zeroPadding > 0) {
    const Bytes zeros(faults_.zeroPadding);
    if (!platform::gf_sendAllBlocking(connection.socket_.fd(), zeros.data(), zeros.size(), error)) {
      connection.dropped_ = true;
      return;
    }
  }
  const std::size_t pieces = std::clamp<std::size_t>(faults_.splitInto, 1, std::max<std::size_t>(1, message.size()));
  const std::size_t step = (message.size() + pieces - 1) / pieces;
  for (std::size_t at = 0; at < message.size(); at += step) {
    const std::size_t count = std::min(step, message.size() - at);
    if (!platform::gf_sendAllBlocking(connection.socket_.fd(), message.data() + at, count, error)) {
      connection.dropped_ = true;
      return;
    }
    // Separate writes are meant to arrive as separate reads; a short pause makes that
    // likely without relying on it.
    if (pieces > 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void SimStandin::sendFrames() {
  const auto period = std::chrono::duration<double>(1.0 / options_.frameRateHz);
  nextFrame_ += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
  if (nextFrame_ < std::chrono::steady_clock::now()) nextFrame_ = std::chrono::steady_clock::now();
  serveFrame(static_cast<float>(options_.frameRateHz));
}

void SimStandin::serveFrame(float frameRate) {
  broadcastEvent("Frame", [&](std::uint32_t eventId, std::uint32_t version) {
    return gf_buildFrame(version, eventId, frameRate, 1.0f);
  });
  servePeriod(SimConnectPeriod::VISUAL_FRAME);
  servePeriod(SimConnectPeriod::SIM_FRAME);
}

void SimStandin::serveSecond() {
  double time = user_.value("ZULU TIME") + 1.0;
  if (time >= g_secondsPerDay) {
    time -= g_secondsPerDay;
    auto day = static_cast<std::int64_t>(user_.value("ZULU DAY OF YEAR")) + 1;
    auto year = static_cast<std::int64_t>(user_.value("ZULU YEAR"));
    if (day > lf_daysInYear(year)) {
      day = 1;
      user_.setValue("ZULU YEAR", static_cast<double>(year + 1));
    }
    user_.setValue("ZULU DAY OF YEAR", static_cast<double>(day));
  }
  user_.setValue("ZULU TIME", time);
  broadcastEvent("1sec", [](std::uint32_t eventId, std::uint32_t version) {
    return gf_buildEvent(version, 0xFFFFFFFFu, eventId, 0);
  });
  servePeriod(SimConnectPeriod::SECOND);
}

void SimStandin::tickSecond() {
  std::lock_guard lock(mutex_);
  serveSecond();
  wake();  // lets the loop forget connections that broke meanwhile
}

void SimStandin::broadcastEvent(std::string_view eventName,
                                const std::function<Bytes(std::uint32_t, std::uint32_t)>& build) {
  for (const auto& connection : connections_) {
    const std::uint32_t eventId = connection->subscribedEvent(eventName);
    if (eventId != 0) writeMessage(*connection, build(eventId, connection->version_));
  }
}

std::vector<Request> SimStandin::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<Request> SimStandin::requestsOf(std::uint32_t function) const {
  std::lock_guard lock(mutex_);
  std::vector<Request> found;
  for (const auto& request : requests_)
    if (request.function == function) found.push_back(request);
  return found;
}

bool SimStandin::waitFor(const std::function<bool(const std::vector<Request>&)>& done,
                         std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(requests_); });
}

bool SimStandin::waitForRequestCount(std::uint32_t function, std::size_t count, std::chrono::milliseconds timeout) const {
  return waitFor(
      [&](const std::vector<Request>& all) {
        return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [&](const Request& r) {
                 return r.function == function;
               })) >= count;
      },
      timeout);
}

std::size_t SimStandin::connectionCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(
      std::count_if(connections_.begin(), connections_.end(), [](const auto& c) { return !c->dropped_; }));
}

std::size_t SimStandin::acceptedCount() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

std::vector<SimObject> SimStandin::aiObjects() const {
  std::lock_guard lock(mutex_);
  std::vector<SimObject> objects;
  for (const auto& [id, object] : aiObjects_) objects.push_back(object);
  return objects;
}

void SimStandin::setObjectText(std::uint32_t objectId, std::string_view name, std::string_view text) {
  std::lock_guard lock(mutex_);
  if (auto* object = findObject(objectId)) object->setText(name, text);
}

void SimStandin::sendToAll(const Bytes& message) {
  std::lock_guard lock(mutex_);
  for (const auto& connection : connections_) writeMessage(*connection, message);
  wake();  // lets the loop forget connections that broke meanwhile
}

void SimStandin::sendToEach(const std::function<Bytes(std::uint32_t version)>& build) {
  std::lock_guard lock(mutex_);
  for (const auto& connection : connections_) writeMessage(*connection, build(connection->version_));
  wake();
}

bool SimStandin::speaksVersion(std::uint32_t version) const {
  return version == options_.protocolVersion ||
         std::find(g_olderProtocolVersions.begin(), g_olderProtocolVersions.end(), version) !=
             g_olderProtocolVersions.end();
}

void SimStandin::sendSystemEvent(std::string_view eventName, std::uint32_t data) {
  std::lock_guard lock(mutex_);
  broadcastEvent(eventName, [&](std::uint32_t eventId, std::uint32_t version) {
    return gf_buildEvent(version, 0xFFFFFFFFu, eventId, data);
  });
}

void SimStandin::setSendFaults(SendFaults faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

void SimStandin::dropConnections() {
  std::lock_guard lock(mutex_);
  for (const auto& connection : connections_) drop(*connection);
  wake();
}

void SimStandin::drop(Connection& connection) {
  // Shut down now; the loop closes the socket when it forgets the connection.
  connection.socket_.shutdownBoth();
  connection.dropped_ = true;
  changed_.notify_all();
}

void SimStandin::sendRawBytes(const Bytes& bytes) {
  std::lock_guard lock(mutex_);
  int error = 0;
  for (const auto& connection : connections_)
    if (!connection->dropped_ && !platform::gf_sendAllBlocking(connection->socket_.fd(), bytes.data(), bytes.size(), error))
      connection->dropped_ = true;
}

void SimStandin::setHandler(std::uint32_t function, Handler handler) {
  std::lock_guard lock(mutex_);
  handlers_[function] = std::move(handler);
}

SimStandin::Handler SimStandin::handler(std::uint32_t function) const {
  std::lock_guard lock(mutex_);
  const auto it = handlers_.find(function);
  return it == handlers_.end() ? Handler() : it->second;
}

void SimStandin::locked(const std::function<void(SimStandin&)>& action) {
  std::lock_guard lock(mutex_);
  action(*this);
  changed_.notify_all();
  wake();
}

void SimStandin::forEachConnection(const std::function<void(Connection&)>& action) {
  for (const auto& connection : connections_)
    if (!connection->dropped_) action(*connection);
}

SimObject* SimStandin::findObject(std::uint32_t objectId) {
  if (objectId == g_simConnectUserObject || objectId == user_.id) return &user_;
  const auto it = aiObjects_.find(objectId);
  return it == aiObjects_.end() ? nullptr : &it->second;
}

SimObject& SimStandin::addAiObject() {
  const std::uint32_t id = nextAiObject_++;
  SimObject& object = aiObjects_[id];
  object.id = id;
  return object;
}

bool SimStandin::removeAiObject(std::uint32_t objectId) { return aiObjects_.erase(objectId) > 0; }

void SimStandin::removeAiObjectsOf(std::uint32_t connectionNumber) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> removed;  // id, type
  std::erase_if(aiObjects_, [&](const auto& entry) {
    if (entry.second.creator != connectionNumber) return false;
    removed.emplace_back(entry.first, entry.second.type);
    return true;
  });
  for (const auto& [id, type] : removed) {
    broadcastEvent("ObjectRemoved", [&, id = id, type = type](std::uint32_t eventId, std::uint32_t version) {
      return gf_buildObjectAddRemove(version, eventId, id, type);
    });
  }
  if (!removed.empty()) changed_.notify_all();
}

}  // namespace vexo::simstandin
