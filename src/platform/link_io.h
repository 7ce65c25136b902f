// One connected stream link with its own I/O thread, which runs the completions of the
// link's reads and writes the way the system's completion port would: at most one read
// and one write are pending at a time, and each ends in one call of the completion
// function with a status, the bytes moved and the OS error number.
//
// Statuses use the NT status numbering, so the code above this layer decides on the
// same values on every system.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/socket.h"

namespace vexo::platform {

inline constexpr std::uint32_t STATUS_SUCCESS = 0;
inline constexpr std::uint32_t STATUS_BUFFER_OVERFLOW = 0x80000005u;
inline constexpr std::uint32_t STATUS_UNSUCCESSFUL = 0xC0000001u;
inline constexpr std::uint32_t STATUS_CANCELLED = 0xC0000120u;
inline constexpr std::uint32_t STATUS_REMOTE_DISCONNECT = 0xC000013Cu;
inline constexpr std::uint32_t STATUS_LINK_FAILED = 0xC000013Eu;
inline constexpr std::uint32_t STATUS_PIPE_BROKEN = 0xC000014Bu;
inline constexpr std::uint32_t STATUS_CONNECTION_RESET = 0xC000020Du;

enum class IoOp : std::uint8_t { read = 0, write = 1 };

struct IoCompletion {
  IoOp op = IoOp::read;
  std::uint32_t status = STATUS_SUCCESS;
  std::size_t bytes = 0;
  int osError = 0;
};

// Called on the link's I/O thread, never while the link's own lock is held, so it may
// start the next read or write.
using IoCompletionFn = std::function<void(const IoCompletion&)>;

// The NT status of an errno from a failed read or write.
std::uint32_t gf_ioStatusOfErrno(int error);

class LinkIo : public std::enable_shared_from_this<LinkIo> {
public:
  // Starts the I/O thread for a connected socket. pipe: the socket stands in for a named
  // pipe, whose end of stream is a broken pipe rather than a zero-byte read. The thread
  // keeps the link and onComplete (and whatever it holds) alive until it ends after cancel().
  static std::shared_ptr<LinkIo> start(Socket socket, bool pipe, IoCompletionFn onComplete);

  ~LinkIo();
  LinkIo(const LinkIo&) = delete;
  LinkIo& operator=(const LinkIo&) = delete;

  // Starts a read into buffer, which must stay valid until its completion. False when it
  // failed at once (the link was cancelled, a read is pending or the buffer is empty).
  bool startRead(std::span<std::byte> buffer);
  // Starts writing all of data; the link holds it until the write has ended, even when the
  // caller lets go of it meanwhile.
  bool startWrite(std::shared_ptr<const std::vector<std::byte>> data);
  // Shuts the connection down both ways; pending operations complete with
  // STATUS_CANCELLED, then the thread ends and closes the socket. Callable from any
  // thread, also from a completion, and more than once.
  void cancel();
  bool setNoDelay();

  // How many links still have a running I/O thread (all links of the process).
  static int liveCount();
  // Waits until no link has a running thread, at most timeout; true when none is left.
  static bool waitNoneLive(std::chrono::milliseconds timeout);

private:
  LinkIo(Socket socket, Socket wake, bool pipe);
  void run(IoCompletionFn onComplete);
  void wake();
  void doRead(const IoCompletionFn& onComplete);
  void doWrite(const IoCompletionFn& onComplete);

  const bool pipe_;
  Socket wake_;  // eventfd that interrupts the thread's poll
  mutable std::mutex mutex_;  // guards everything below
  Socket socket_;
  bool cancelled_ = false;
  bool readPending_ = false;
  std::span<std::byte> readBuffer_;
  bool writePending_ = false;
  std::shared_ptr<const std::vector<std::byte>> writeData_;
  std::size_t written_ = 0;
};

}  // namespace vexo::platform
