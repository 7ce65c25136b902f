#include "app/window_message_boxes.h"

#include <fmt/format.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/window_messages.h"
#include "platform/message_box.h"
#include "platform/window_post.h"

namespace vexo {

namespace {

struct WaitingBox {
  std::string text;
  std::string caption;
  bool done = false;  // shown and closed, or never to be shown
};

// Shared by the UI thread and the threads that ask for boxes.
struct MessageBoxes {
  std::mutex mutex;  // guards everything below
  std::condition_variable closed;
  std::deque<WaitingBox*> waiting;  // each owned by its waiting caller
  bool open = false;                // the window shows boxes
  std::thread::id uiThread;
};

MessageBoxes& lf_boxes() {
  static MessageBoxes s_boxes;
  return s_boxes;
}

void lf_toStandardError(std::string_view text, std::string_view caption) {
  fmt::print(stderr, "{}: {}\n", caption, text);
  std::fflush(stderr);
}

void lf_showInWindow(std::string_view text, std::string_view caption) {
  MessageBoxes& boxes = lf_boxes();
  std::unique_lock lock(boxes.mutex);
  if (!boxes.open) {
    lock.unlock();
    lf_toStandardError(text, caption);
    return;
  }
  if (std::this_thread::get_id() == boxes.uiThread) {
    lock.unlock();
    if (platform::Window* window = platform::gf_mainWindow()) {
      window->messageBox(text, caption);
    } else {
      lf_toStandardError(text, caption);
    }
    return;
  }
  WaitingBox box{std::string(text), std::string(caption)};
  boxes.waiting.push_back(&box);
  lock.unlock();
  platform::gf_postMainWindowMessage(WM_APP_MESSAGE_BOX);
  lock.lock();
  boxes.closed.wait(lock, [&box] { return box.done; });
}

}  // namespace

void gf_startWindowMessageBoxes() {
  MessageBoxes& boxes = lf_boxes();
  {
    std::lock_guard lock(boxes.mutex);
    boxes.open = true;
    boxes.uiThread = std::this_thread::get_id();
  }
  platform::gf_setMessageBoxSink(
      [](std::string_view text, std::string_view caption, platform::MessageIcon) { lf_showInWindow(text, caption); });
}

void gf_showWaitingMessageBoxes(platform::Window& window) {
  MessageBoxes& boxes = lf_boxes();
  for (;;) {
    WaitingBox* box = nullptr;
    {
      std::lock_guard lock(boxes.mutex);
      if (boxes.waiting.empty()) return;
      box = boxes.waiting.front();
      boxes.waiting.pop_front();
    }
    // The box stays valid until done is set: its caller waits for that.
    window.messageBox(box->text, box->caption);
    {
      std::lock_guard lock(boxes.mutex);
      box->done = true;
    }
    boxes.closed.notify_all();
  }
}

void gf_stopWindowMessageBoxes() {
  platform::gf_setMessageBoxSink({});
  MessageBoxes& boxes = lf_boxes();
  {
    std::lock_guard lock(boxes.mutex);
    boxes.open = false;
    for (WaitingBox* box : boxes.waiting) {
      lf_toStandardError(box->text, box->caption);
      box->done = true;
    }
    boxes.waiting.clear();
  }
  boxes.closed.notify_all();
}

}  // namespace vexo
