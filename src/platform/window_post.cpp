#include "platform/window_post.h"

#include <mutex>

namespace vexo::platform {

namespace {
// Guards the installed poster; held while posting so a poster is never removed mid-call.
std::mutex g_posterMutex;
WindowPoster g_poster;
}  // namespace

void gf_postMainWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(g_posterMutex);
  if (g_poster) g_poster(message, wParam, lParam);
}

void gf_setMainWindowPoster(WindowPoster poster) {
  std::lock_guard lock(g_posterMutex);
  g_poster = std::move(poster);
}

}  // namespace vexo::platform
