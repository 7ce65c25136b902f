#include "foundation/scan_tasks.h"

namespace vexo {

std::atomic<std::int32_t> g_runningScanTasks{0};
std::atomic<std::int32_t> g_maxScanTasks{2};

std::int32_t gf_scanTaskLimitFor(int hardwareThreads) { return hardwareThreads > 0 ? hardwareThreads : 2; }

bool gf_waitForScanTasks(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (g_runningScanTasks.load() > 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace vexo
