#include "platform/message_box.h"

#include <fmt/format.h>

#include <cstdio>
#include <mutex>

namespace vexo::platform {

namespace {

std::mutex g_messageBoxMutex;  // guards g_messageBoxSink
MessageBoxSink g_messageBoxSink;

}  // namespace

void gf_messageBox(std::string_view text, std::string_view caption, MessageIcon icon) {
  MessageBoxSink sink;
  {
    std::lock_guard lock(g_messageBoxMutex);
    sink = g_messageBoxSink;
  }
  if (sink) {
    sink(text, caption, icon);
    return;
  }
  fmt::print(stderr, "{}: {}\n", caption, text);
  std::fflush(stderr);
}

void gf_setMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard lock(g_messageBoxMutex);
  g_messageBoxSink = std::move(sink);
}

}  // namespace vexo::platform
