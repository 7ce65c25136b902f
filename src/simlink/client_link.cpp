// The link half of SimConnectClient: connecting, the I/O thread's completions, cutting
// the received stream into messages, writing the send list one buffer at a time, closing.
#include <fmt/format.h>

#include <chrono>
#include <thread>

#include "platform/pipe_path.h"
#include "platform/stream_socket.h"
#include "simlink/simconnect_client.h"

namespace vexo {

namespace {
// Process-wide: every link made ready gets a new connection id, never 0.
std::atomic<std::uint32_t> g_nextConnectionId{0};

std::uint32_t lf_newConnectionId() {
  for (;;) {
    const std::uint32_t id = ++g_nextConnectionId;
    if (id != 0) return id;
  }
}

constexpr std::size_t g_pipeNameLimit = 260;
constexpr auto g_pipeBusyWait = std::chrono::milliseconds(5000);
constexpr auto g_pipeBusyPoll = std::chrono::milliseconds(20);

// Waits while the pipe stays busy, at most g_pipeBusyWait each time.
bool lf_connectPipe(const std::filesystem::path& path, platform::Socket& socket) {
  int error = 0;
  auto deadline = std::chrono::steady_clock::now() + g_pipeBusyWait;
  for (;;) {
    switch (platform::gf_connectUnixStream(path, socket, error)) {
      case platform::UnixConnect::connected: return true;
      case platform::UnixConnect::failed: return false;
      case platform::UnixConnect::busy: break;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(g_pipeBusyPoll);
  }
}
}  // namespace

int SimConnectClient::connectTransport(int family, const std::string& address, const std::string& port,
                                       std::uint32_t maxReceiveSize, bool disableNagle) {
  platform::Socket socket;
  if (kind_ == LinkKind::tcp) {
    int error = 0;
    socket = platform::gf_connectTcpStream(family, address, port, error);
    if (!socket.valid()) return 1;
  } else {
    const std::string server = address.empty() ? "." : address;
    const std::string name = port.empty()
                                 ? fmt::format("\\\\{}\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", server)
                                 : fmt::format("\\\\{}\\pipe\\{}", server, port);
    if (name.size() >= g_pipeNameLimit) return 1;
    const auto path = platform::gf_pipeSocketPath(name);
    if (!path || !lf_connectPipe(*path, socket)) return 1;
  }
  return attachSocket(std::move(socket), maxReceiveSize, disableNagle);
}

int SimConnectClient::attachSocket(platform::Socket socket, std::uint32_t maxReceiveSize, bool disableNagle) {
  if (!socket.valid()) return 1;
  cutter_ = std::make_unique<MessageCutter>(maxReceiveSize);
  // The I/O thread holds the client until the link is closed and its thread ended.
  auto io = platform::LinkIo::start(std::move(socket), kind_ == LinkKind::pipe,
                                    [self = shared_from_this()](const platform::IoCompletion& completion) {
                                      self->onIoCompletion(completion);
                                    });
  if (!io) return 1;
  {
    std::lock_guard lock(linkMutex_);
    io_ = std::move(io);
    disableNagle_ = disableNagle;
  }
  resetLink();
  startRead();
  return 0;
}

void SimConnectClient::resetLink() {
  {
    std::lock_guard lock(sendListMutex_);
    sendList_.clear();
  }
  std::lock_guard lock(linkMutex_);
  inFlight_.reset();
  writeInFlight_ = false;
  connectionId_ = lf_newConnectionId();
  cutter_->reset();
  if (kind_ == LinkKind::tcp && disableNagle_ && io_) io_->setNoDelay();
  connected_ = true;
  everConnected_ = true;
}

void SimConnectClient::startRead() {
  std::shared_ptr<platform::LinkIo> io;
  {
    std::lock_guard lock(linkMutex_);
    if (!connected_) return;
    io = io_;
  }
  // A start that fails leaves the link without a pending read, as a failed overlapped read
  // would.
  if (io) io->startRead(cutter_->freeSpace());
}

int SimConnectClient::queueSend(MessageRef buffer) {
  std::lock_guard lock(linkMutex_);
  if (!connected_) return 0;
  {
    std::lock_guard listLock(sendListMutex_);
    sendList_.push_back(std::move(buffer));
  }
  if (!writeInFlight_) writePacket();
  return 1;
}

void SimConnectClient::writePacket() {
  MessageRef next;
  {
    std::lock_guard listLock(sendListMutex_);
    if (sendList_.empty()) {
      writeInFlight_ = false;
      return;
    }
    next = std::move(sendList_.front());
    sendList_.pop_front();
  }
  inFlight_ = std::move(next);
  writeInFlight_ = true;
  // The link shares the buffer's bytes, so dropping the buffer here never pulls them
  // from under a write in progress.
  if (!io_ || !io_->startWrite(std::shared_ptr<const std::vector<std::byte>>(inFlight_, &inFlight_->data))) {
    inFlight_.reset();
    writeInFlight_ = false;
  }
}

void SimConnectClient::closeLink(std::uint32_t reason, std::uint32_t status, int osError) {
  bool wasOpen = false;
  {
    std::lock_guard lock(linkMutex_);
    connected_ = false;
    connectionId_ = 0;
    wasOpen = io_ != nullptr;
    if (wasOpen) {
      if (reason != CloseReason::none && closeReason_ == CloseReason::none) {
        osError_ = static_cast<std::uint32_t>(osError);
        failureStatus_ = status;
      }
      io_->cancel();
      io_.reset();
    }
    if (reason != CloseReason::none && closeReason_ == CloseReason::none) closeReason_ = reason;
    inFlight_.reset();
    writeInFlight_ = false;
  }
  {
    std::lock_guard listLock(sendListMutex_);
    sendList_.clear();
  }
  // The application learns of the failure on its next dispatch.
  if (reason != CloseReason::none) notify();
}

void SimConnectClient::onIoCompletion(const platform::IoCompletion& completion) {
  if (!connected_) return;
  if (completion.status != platform::STATUS_SUCCESS) {
    const bool pipeOverflow = kind_ == LinkKind::pipe && completion.status == platform::STATUS_BUFFER_OVERFLOW;
    if (!pipeOverflow) {
      std::uint32_t reason = CloseReason::failed;
      if (completion.status == platform::STATUS_CANCELLED) {
        reason = CloseReason::cancelled;
      } else if (completion.status == platform::STATUS_REMOTE_DISCONNECT ||
                 completion.status == platform::STATUS_PIPE_BROKEN ||
                 completion.status == platform::STATUS_CONNECTION_RESET) {
        reason = CloseReason::disconnected;
      }
      closeLink(reason, completion.status, completion.osError);
      return;
    }
  }
  if (completion.bytes == 0) {
    closeLink(CloseReason::zeroBytes, platform::STATUS_LINK_FAILED, completion.osError);
    return;
  }
  if (completion.op == platform::IoOp::write) {
    std::lock_guard lock(linkMutex_);
    if (!connected_) return;
    inFlight_.reset();
    writePacket();
    return;
  }
  onReadDone(completion.bytes);
}

void SimConnectClient::onReadDone(std::size_t bytes) {
  cutter_->commitRead(bytes);
  for (;;) {
    switch (cutter_->next()) {
      case CutResult::message: onMessage(cutter_->takeMessage()); break;
      case CutResult::skippedZeros: break;
      case CutResult::needMore: startRead(); return;
      case CutResult::tooLarge:
        closeLink(CloseReason::tooLarge, static_cast<std::uint32_t>(E_ABORT));
        return;
      case CutResult::badSize:
        closeLink(CloseReason::badSize, static_cast<std::uint32_t>(E_ABORT));
        return;
      case CutResult::noMemory:
        closeLink(CloseReason::noMemory, static_cast<std::uint32_t>(E_OUTOFMEMORY));
        return;
    }
  }
}

}  // namespace vexo
