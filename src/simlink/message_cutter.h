// Cuts the byte stream received from the simulator into whole messages. Every message
// begins with its u32 size (header included). Reads go straight into the receive buffer
// at its write position; each whole message is copied once into its own storage.
//
// Not thread-safe: one link's reader thread owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexo {

// The receive buffer starts at 2048 bytes and grows in steps of 2048 up to 1 MiB, the
// largest message the client accepts whatever SimConnect.cfg says.
inline constexpr std::uint32_t g_receiveBufferStep = 2048;
inline constexpr std::uint32_t g_receiveBufferLimit = 1024 * 1024;

enum class CutResult {
  message,       // takeMessage() holds one whole message
  skippedZeros,  // zero bytes between messages were skipped; nothing to deliver
  needMore,      // read more bytes into freeSpace()
  tooLarge,      // a size field above the maximum message size
  badSize,       // a size field of 1 to 11: shorter than a message header
  noMemory,      // the message storage could not be allocated
};

class MessageCutter {
public:
  // maxMessageSize is capped at g_receiveBufferLimit.
  explicit MessageCutter(std::uint32_t maxMessageSize);

  // Where the next read may write: from the write position to the end of the buffer.
  std::span<std::byte> freeSpace();
  // Records that a read wrote count bytes at the start of freeSpace().
  void commitRead(std::size_t count);
  // Cuts the next message from the unread bytes; call again while it returns message or
  // skippedZeros.
  CutResult next();
  // The message that next() found; the storage is left empty for the next one.
  std::vector<std::byte> takeMessage();
  // Forgets every unread byte (the link was made ready again).
  void reset();

  std::uint32_t maxMessageSize() const { return maxMessageSize_; }
  std::size_t capacity() const { return buffer_.size(); }
  std::size_t unread() const { return writePos_ - readPos_; }

private:
  std::uint32_t sizeAt(std::size_t pos) const;
  // Makes room behind the data when they reach the end of the buffer: moves the unread
  // bytes to the front, or grows the buffer when they already start there. False when the
  // buffer is full and may not grow.
  bool tidy();

  std::uint32_t maxMessageSize_;
  std::vector<std::byte> buffer_;
  std::size_t readPos_ = 0;   // start of the bytes not yet cut into messages
  std::size_t writePos_ = 0;  // end of the received bytes
  std::vector<std::byte> message_;
};

}  // namespace vexo
