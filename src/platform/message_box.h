// A message the user must see (a modal box once the window layer shows it). Until the
// window layer installs its own, messages go to standard error.
#pragma once

#include <functional>
#include <string_view>

namespace vexo::platform {

enum class MessageIcon { information, exclamation, error };

// Any thread; returns when the user has seen the message (the box is closed).
void gf_messageBox(std::string_view text, std::string_view caption, MessageIcon icon);

using MessageBoxSink = std::function<void(std::string_view text, std::string_view caption, MessageIcon icon)>;
// Replaces where messages go; an empty function goes back to standard error.
void gf_setMessageBoxSink(MessageBoxSink sink);

}  // namespace vexo::platform
