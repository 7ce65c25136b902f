// Message boxes asked for on any thread (platform::gf_messageBox), shown by the main
// window: a thread other than the UI thread hands its box over and waits until the user
// has closed it, so what follows the box (closing the program, say) waits for the user.
#pragma once

#include "platform/window.h"

namespace vexo {

// UI thread, once the main window exists: makes the window the place of every message
// box; the calling thread is the UI thread.
void gf_startWindowMessageBoxes();

// UI thread, WM_APP_MESSAGE_BOX: shows each waiting box in turn in the window and lets
// its caller go on once it is closed.
void gf_showWaitingMessageBoxes(platform::Window& window);

// UI thread, when the message loop has ended: no box can be shown any more. Waiting
// callers go on (their texts go to standard error, as do later ones).
void gf_stopWindowMessageBoxes();

}  // namespace vexo
