// The main window's message queue: messages posted from any thread, also before the
// window exists, handed to the window procedure in order on the UI thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/window.h"

namespace vexo::platform {

struct Message {
  std::uint32_t message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
};

class MessageQueue {
public:
  // wake: called (on the posting thread, without any lock held) when a message arrives in
  // an empty queue, so a sleeping loop looks at the queue again. May be empty.
  explicit MessageQueue(std::function<void()> wake = {});
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  void post(const Message& message);  // any thread
  // Takes the messages queued now, oldest first (messages posted meanwhile wait for the
  // next call). UI thread.
  std::deque<Message> takeAll();
  bool empty() const;

  // Makes this queue the receiver of gf_postMainWindowMessage until it is destroyed.
  void installAsPoster();

private:
  const std::function<void()> wake_;
  mutable std::mutex mutex_;  // guards messages_
  std::deque<Message> messages_;
  bool installed_ = false;
};

}  // namespace vexo::platform
