// Posting a message to the main window from any thread.
#pragma once

#include <cstdint>
#include <functional>

namespace vexo::platform {

// The window layer's message ids (the values of the program's private messages).
inline constexpr std::uint32_t WM_APP = 0x8000;

using WindowPoster = std::function<void(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

// Posts without waiting for the UI thread. Until a poster is installed (the window
// layer installs its message queue), a posted message is dropped: callers must treat
// posting as best-effort, as they would with a window that does not exist yet.
void gf_postMainWindowMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// Installs (or, with an empty function, removes) the receiver of posted messages.
void gf_setMainWindowPoster(WindowPoster poster);

}  // namespace vexo::platform
