// One SimConnect client: the staging of request packets and the received list (upper
// half), and the link to the simulator with its I/O thread (lower half, client_link.cpp).
//
// Locks, taken in this order when nested:
//   g_simConnectClientLock   staging area, fill position and send id of every client
//   linkMutex_               link state changes, the I/O link, the write in flight
//   sendListMutex_           the send list
//   receivedMutex_           the received list (never held while another lock is taken)
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/link_io.h"
#include "platform/socket.h"
#include "simlink/message_cutter.h"
#include "simlink/simconnect.h"

namespace vexo {

// Serialises reserve, commit, release and flush for all clients of the process.
extern std::mutex g_simConnectClientLock;

inline constexpr std::uint32_t g_sendBufferCapacity = 41088;
inline constexpr std::uint32_t g_defaultMaxReceiveSize = 41088;

// One packet or message on its way, shared between the send list, the received list and
// the code that handles it; freed with its last reference.
struct MessageBuffer {
  std::vector<std::byte> data;
  std::uint32_t connectionId = 0;
};
using MessageRef = std::shared_ptr<const MessageBuffer>;

enum class LinkKind : std::uint32_t { tcp = 0, pipe = 1 };

// Why a link was closed; every reason but none marks the client failed.
namespace CloseReason {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t tooLarge = 1;     // received message above MaxReceiveSize
inline constexpr std::uint32_t badSize = 2;      // size field 1 to 11 (below the header)
inline constexpr std::uint32_t noMemory = 3;     // allocation failure while receiving
inline constexpr std::uint32_t zeroBytes = 4;    // read or write completed with zero bytes
inline constexpr std::uint32_t disconnected = 5; // remote disconnect, broken pipe, reset
inline constexpr std::uint32_t cancelled = 8;
inline constexpr std::uint32_t failed = 9;       // any other failed completion
}  // namespace CloseReason

// Results of reservePacket.
inline constexpr int g_reserveOk = 0;
inline constexpr int g_reserveNoRoom = 1;
inline constexpr int g_reserveLinkFailed = 2;

class SimConnectClient : public std::enable_shared_from_this<SimConnectClient> {
public:
  static std::shared_ptr<SimConnectClient> create(LinkKind kind);
  ~SimConnectClient();
  SimConnectClient(const SimConnectClient&) = delete;
  SimConnectClient& operator=(const SimConnectClient&) = delete;

  LinkKind kind() const { return kind_; }

  // --- Staging of request packets (calls on one client never overlap) ---
  // A zeroed packet of size bytes with its send id at offset 12: g_reserveOk, else
  // g_reserveLinkFailed (the link failed) or g_reserveNoRoom (no room in the staging area).
  int reservePacket(std::uint32_t size, std::span<std::byte>& packet);
  // Hands every staged byte to the link as one buffer; false when nothing was staged or the
  // link dropped it (not connected).
  bool commitPacket();
  // Drops packet and anything reserved after it.
  void releasePacket(std::span<std::byte> packet);
  std::uint32_t lastSendId() const;
  // Makes the next send id last + 1 (after 0xFFFFFFFF: 1); lets a test reach the wrap.
  void seedSendId(std::uint32_t last);
  // The OS error number and the status stored when the link failed.
  void lastError(std::uint32_t& osError, std::uint32_t& status) const;
  bool linkFailed() const { return closeReason_.load() != CloseReason::none; }
  std::uint32_t closeReason() const { return closeReason_.load(); }
  HRESULT failureStatus() const;

  // --- Received messages ---
  void setNotification(void* window, std::uint32_t windowMessage, platform::NotifyEvent* event);
  // Delivers every queued message to callback (else the stored one). An exception thrown
  // by the callback leaves dispatch; the message it was given is dropped.
  HRESULT dispatch(SimConnectDispatchProc callback, void* context);
  // Forgets every queued message without delivering it (teardown).
  void dropReceived();

  // --- Link (client_link.cpp) ---
  // Connects to the simulator: 0 connected, 1 failed.
  int connectTransport(int family, const std::string& address, const std::string& port, std::uint32_t maxReceiveSize,
                       bool disableNagle);
  // Makes an already connected socket this client's link (the transport's last step).
  int attachSocket(platform::Socket socket, std::uint32_t maxReceiveSize, bool disableNagle);
  // 1 queued, 0 dropped because the link is not connected.
  int queueSend(MessageRef buffer);
  // Closes the link; reason none for an orderly close. Callable from any thread.
  void closeLink(std::uint32_t reason, std::uint32_t status, int osError = 0);
  bool connected() const { return connected_.load(); }
  // True once a link was made ready; a client that never connected tears down at once.
  bool everConnected() const { return everConnected_.load(); }
  std::uint32_t connectionId() const { return connectionId_.load(); }

private:
  explicit SimConnectClient(LinkKind kind);

  void resetLink();
  void startRead();
  void writePacket();  // linkMutex_ held
  void onIoCompletion(const platform::IoCompletion& completion);
  void onReadDone(std::size_t bytes);
  void onMessage(std::vector<std::byte> data);
  void notify();

  const LinkKind kind_;

  // Guarded by g_simConnectClientLock.
  std::vector<std::byte> staging_;
  std::size_t fill_ = 0;
  std::uint32_t sendId_ = 0;

  // Set at Open before the link can deliver anything, read by the I/O thread.
  std::atomic<void*> window_{nullptr};
  std::atomic<std::uint32_t> windowMessage_{0};
  std::atomic<platform::NotifyEvent*> event_{nullptr};
  SimConnectDispatchProc callback_ = nullptr;  // the caller's thread only
  void* context_ = nullptr;

  mutable std::mutex receivedMutex_;  // guards received_
  std::deque<MessageRef> received_;

  // --- Link state ---
  mutable std::mutex linkMutex_;  // guards io_, writeInFlight_, inFlight_, the failure record
  std::shared_ptr<platform::LinkIo> io_;
  bool writeInFlight_ = false;
  MessageRef inFlight_;
  std::uint32_t osError_ = 0;
  std::uint32_t failureStatus_ = 0;
  bool disableNagle_ = false;
  std::atomic<bool> connected_{false};
  std::atomic<bool> everConnected_{false};
  std::atomic<std::uint32_t> connectionId_{0};
  std::atomic<std::uint32_t> closeReason_{CloseReason::none};

  std::mutex sendListMutex_;  // guards sendList_
  std::deque<MessageRef> sendList_;

  // Owned by the link's I/O thread once the first read started.
  std::unique_ptr<MessageCutter> cutter_;
};

}  // namespace vexo
