#include "simlink/simconnect_client.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/notify_event.h"
#include "platform/window_post.h"
#include "simlink/byte_io.h"

namespace vexo {

std::mutex g_simConnectClientLock;

SimConnectClient::SimConnectClient(LinkKind kind) : kind_(kind), staging_(g_sendBufferCapacity) {}

SimConnectClient::~SimConnectClient() = default;

std::shared_ptr<SimConnectClient> SimConnectClient::create(LinkKind kind) {
  return std::shared_ptr<SimConnectClient>(new SimConnectClient(kind));
}

int SimConnectClient::reservePacket(std::uint32_t size, std::span<std::byte>& packet) {
  std::lock_guard lock(g_simConnectClientLock);
  if (linkFailed()) return g_reserveLinkFailed;
  if (staging_.empty() || size < g_simConnectRequestHeaderSize || staging_.size() - fill_ < size)
    return g_reserveNoRoom;
  packet = std::span(staging_).subspan(fill_, size);
  // A send id is never 0: after 0xFFFFFFFF comes 1.
  sendId_ = sendId_ == 0xFFFFFFFFu ? 1 : sendId_ + 1;
  ByteWriter(packet).u32(12, sendId_);
  fill_ += size;
  return g_reserveOk;
}

bool SimConnectClient::commitPacket() {
  std::lock_guard lock(g_simConnectClientLock);
  if (fill_ == 0) return false;
  std::shared_ptr<MessageBuffer> buffer;
  try {
    buffer = std::make_shared<MessageBuffer>();
    buffer->data.assign(staging_.begin(), staging_.begin() + static_cast<std::ptrdiff_t>(fill_));
  } catch (const std::bad_alloc&) {
    buffer.reset();  // the staged packets are lost, as on a link that is not connected
  }
  std::fill_n(staging_.begin(), fill_, std::byte{0});
  fill_ = 0;
  if (!buffer) return false;
  buffer->connectionId = connectionId();
  return queueSend(std::move(buffer)) == 1;
}

void SimConnectClient::releasePacket(std::span<std::byte> packet) {
  std::lock_guard lock(g_simConnectClientLock);
  if (packet.empty() || packet.data() < staging_.data() || packet.data() >= staging_.data() + fill_) return;
  const auto offset = static_cast<std::size_t>(packet.data() - staging_.data());
  std::fill(staging_.begin() + static_cast<std::ptrdiff_t>(offset),
            staging_.begin() + static_cast<std::ptrdiff_t>(fill_), std::byte{0});
  fill_ = offset;
}

std::uint32_t SimConnectClient::lastSendId() const {
  std::lock_guard lock(g_simConnectClientLock);
  return sendId_;
}

void SimConnectClient::seedSendId(std::uint32_t last) {
  std::lock_guard lock(g_simConnectClientLock);
  sendId_ = last;
}

void SimConnectClient::lastError(std::uint32_t& osError, std::uint32_t& status) const {
  std::lock_guard lock(linkMutex_);
  osError = osError_;
  status = failureStatus_;
}

HRESULT SimConnectClient::failureStatus() const {
  std::lock_guard lock(linkMutex_);
  return static_cast<HRESULT>(failureStatus_);
}

void SimConnectClient::setNotification(void* window, std::uint32_t windowMessage, platform::NotifyEvent* event) {
  window_ = window;
  windowMessage_ = windowMessage;
  event_ = event;
}

void SimConnectClient::notify() {
  if (window_.load() && windowMessage_.load()) platform::gf_postMainWindowMessage(windowMessage_.load());
  if (auto* event = event_.load()) event->set();
}

void SimConnectClient::onMessage(std::vector<std::byte> data) {
  auto buffer = std::make_shared<MessageBuffer>();
  buffer->data = std::move(data);
  buffer->connectionId = connectionId();
  {
    std::lock_guard lock(receivedMutex_);
    received_.push_back(std::move(buffer));
  }
  notify();
}

void SimConnectClient::dropReceived() {
  std::deque<MessageRef> dropped;
  std::lock_guard lock(receivedMutex_);
  dropped.swap(received_);
}

HRESULT SimConnectClient::dispatch(SimConnectDispatchProc callback, void* context) {
  if (!callback) return E_FAIL;
  callback_ = callback;
  context_ = context;
  for (;;) {
    MessageRef message;
    {
      std::lock_guard lock(receivedMutex_);
      if (received_.empty()) break;
      message = std::move(received_.front());
      received_.pop_front();
    }
    // The callback runs outside every lock; it may make requests on this client.
    if (message->data.size() >= g_simConnectRecvHeaderSize)
      callback_(message->data.data(), static_cast<std::uint32_t>(message->data.size()), context_);
  }
  return linkFailed() ? failureStatus() : S_OK;
}

}  // namespace vexo
