#include "platform/window.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace vexo::platform {

namespace {
std::atomic<Window*> g_mainWindow{nullptr};
std::atomic<WindowSystem*> g_windowSystem{nullptr};

// Squared distance from a rectangle's centre to the nearest point of another.
long long lf_distanceSquared(const Rect& from, const Rect& to) {
  const long long cx = (static_cast<long long>(from.left) + from.right) / 2;
  const long long cy = (static_cast<long long>(from.top) + from.bottom) / 2;
  const long long dx = cx < to.left ? to.left - cx : (cx >= to.right ? cx - to.right + 1 : 0);
  const long long dy = cy < to.top ? to.top - cy : (cy >= to.bottom ? cy - to.bottom + 1 : 0);
  return dx * dx + dy * dy;
}
}  // namespace

WindowSystem* gf_windowSystem() { return g_windowSystem.load(); }
void gf_setWindowSystem(WindowSystem* system) { g_windowSystem.store(system); }
Window* gf_mainWindow() { return g_mainWindow.load(); }
void gf_setMainWindow(Window* window) { g_mainWindow.store(window); }

Rect gf_nearestWorkArea(const std::vector<Rect>& monitors, const Rect& area) {
  if (monitors.empty()) throw std::logic_error("gf_nearestWorkArea: no monitor");
  const Rect* best = &monitors.front();
  long long bestOverlap = 0;
  for (const Rect& m : monitors) {
    const long long w = std::max(0, std::min(m.right, area.right) - std::max(m.left, area.left));
    const long long h = std::max(0, std::min(m.bottom, area.bottom) - std::max(m.top, area.top));
    if (w * h > bestOverlap) {
      bestOverlap = w * h;
      best = &m;
    }
  }
  if (bestOverlap > 0) return *best;
  for (const Rect& m : monitors)
    if (lf_distanceSquared(area, m) < lf_distanceSquared(area, *best)) best = &m;
  return *best;
}

}  // namespace vexo::platform
