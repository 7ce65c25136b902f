#include "simlink/message_cutter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "simlink/simconnect_ids.h"

namespace vexo {

MessageCutter::MessageCutter(std::uint32_t maxMessageSize)
    : maxMessageSize_(std::min(maxMessageSize, g_receiveBufferLimit)), buffer_(g_receiveBufferStep) {}

std::span<std::byte> MessageCutter::freeSpace() { return std::span(buffer_).subspan(writePos_); }

void MessageCutter::commitRead(std::size_t count) {
  writePos_ += std::min(count, buffer_.size() - writePos_);
}

void MessageCutter::reset() {
  readPos_ = 0;
  writePos_ = 0;
  message_.clear();
}

std::uint32_t MessageCutter::sizeAt(std::size_t pos) const {
  std::uint32_t size = 0;
  for (std::size_t i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(buffer_[pos + i]) << (8 * i);
  return size;
}

bool MessageCutter::tidy() {
  if (writePos_ < buffer_.size()) return true;
  if (readPos_ > 0) {
    const std::size_t count = writePos_ - readPos_;
    std::memmove(buffer_.data(), buffer_.data() + readPos_, count);
    readPos_ = 0;
    writePos_ = count;
    return true;
  }
  if (buffer_.size() + g_receiveBufferStep > g_receiveBufferLimit) return false;
  try {
    buffer_.resize(buffer_.size() + g_receiveBufferStep);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

CutResult MessageCutter::next() {
  if (unread() < 4) return tidy() ? CutResult::needMore : CutResult::tooLarge;
  const std::uint32_t size = sizeAt(readPos_);
  if (size > maxMessageSize_) return CutResult::tooLarge;
  // Shorter than its own header: taking it would leave the reader inside the next message.
  if (size >= 1 && size < g_simConnectRecvHeaderSize) return CutResult::badSize;
  if (size == 0) {
    while (readPos_ < writePos_ && buffer_[readPos_] == std::byte{0}) ++readPos_;
    if (readPos_ == writePos_) readPos_ = writePos_ = 0;
    return CutResult::skippedZeros;
  }
  if (unread() < size) return tidy() ? CutResult::needMore : CutResult::tooLarge;

  try {
    message_.resize(size);
  } catch (const std::bad_alloc&) {
    return CutResult::noMemory;
  }
  std::memcpy(message_.data(), buffer_.data() + readPos_, size);
  readPos_ += size;
  if (readPos_ == writePos_) readPos_ = writePos_ = 0;

  // The next message is cut on the next call without tidying when it is already whole.
  if (unread() >= 4 && sizeAt(readPos_) <= unread()) return CutResult::message;
  tidy();
  return CutResult::message;
}

std::vector<std::byte> MessageCutter::takeMessage() { return std::exchange(message_, {}); }

}  // namespace vexo
