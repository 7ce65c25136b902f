#include "platform/message_queue.h"

#include <utility>

namespace vexo::platform {

MessageQueue::MessageQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

MessageQueue::~MessageQueue() {
  if (installed_) gf_setMainWindowPoster({});
}

void MessageQueue::post(const Message& message) {
  bool wasEmpty = false;
  {
    std::lock_guard lock(mutex_);
    wasEmpty = messages_.empty();
    messages_.push_back(message);
  }
  // One wake per batch: a loop that drains the queue sees every message of the batch, and
  // the wake channel can never fill up while the UI thread is busy.
  if (wasEmpty && wake_) wake_();
}

std::deque<Message> MessageQueue::takeAll() {
  std::lock_guard lock(mutex_);
  return std::exchange(messages_, {});
}

bool MessageQueue::empty() const {
  std::lock_guard lock(mutex_);
  return messages_.empty();
}

void MessageQueue::installAsPoster() {
  gf_setMainWindowPoster(
      [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) { post({message, wParam, lParam}); });
  installed_ = true;
}

}  // namespace vexo::platform
