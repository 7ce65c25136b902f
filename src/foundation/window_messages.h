// The main window's private messages (WM_APP_REPAINT_STATUS stands with the status line).
#pragma once

#include <cstdint>

#include "platform/window_post.h"

namespace vexo {

// (Re)start the start-up thread: posted once the window exists and by closing down for a
// restart.
inline constexpr std::uint32_t WM_APP_START_UP = platform::WM_APP + 1;
// Store the window position and end the message loop: posted by closing down.
inline constexpr std::uint32_t WM_APP_SAVE_AND_QUIT = platform::WM_APP + 2;
// Invalidate one area (gf_invalidateMainWindow): wParam 1 erases first, lParam holds
// left, top, right and bottom as 16-bit fields, left lowest.
inline constexpr std::uint32_t WM_APP_INVALIDATE = platform::WM_APP + 0x61;
// Keep the window above others (wParam 1) or not (0) (gf_setMainWindowTopmost).
inline constexpr std::uint32_t WM_APP_SET_TOPMOST = platform::WM_APP + 0x62;
// Show the message boxes that other threads wait on (gf_showWaitingMessageBoxes).
inline constexpr std::uint32_t WM_APP_MESSAGE_BOX = platform::WM_APP + 0x63;

}  // namespace vexo
