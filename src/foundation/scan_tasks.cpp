#include "foundation/scan_tasks.h"

#include <algorithm>

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

namespace vexo {

struct ScanWorkerPool::Shared {
  explicit Shared(std::int32_t workers) : workers(workers) {}
  const std::int32_t workers;
  std::mutex mutex;  // guards queue and closed
  std::condition_variable wake;
  std::deque<std::function<void()>> queue;
  std::atomic<std::size_t> queued{0};  // queue.size(), for a look without the lock
  bool closed = false;
};

namespace {

void lf_runWorker(const std::shared_ptr<ScanWorkerPool::Shared>& shared);

}  // namespace

bool ScanWorkerPool::Sink::submit(std::function<void()> task) const {
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->closed) return false;
    g_runningScanTasks.fetch_add(1);
    shared_->queue.push_back(std::move(task));
    shared_->queued.store(shared_->queue.size(), std::memory_order_relaxed);
  }
  shared_->wake.notify_one();
  return true;
}

bool ScanWorkerPool::Sink::saturated() const {
  return shared_->queued.load(std::memory_order_relaxed) >= 2 * static_cast<std::size_t>(shared_->workers);
}

ScanWorkerPool::ScanWorkerPool(std::int32_t workers)
    : shared_(std::make_shared<Shared>(std::max<std::int32_t>(workers, 1))) {
  for (std::int32_t i = 0; i < shared_->workers; ++i) {
    std::thread([shared = shared_] { lf_runWorker(shared); }).detach();
  }
}

ScanWorkerPool::~ScanWorkerPool() {
  std::size_t dropped = 0;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    dropped = shared_->queue.size();
    shared_->queue.clear();
    shared_->queued.store(0, std::memory_order_relaxed);
  }
  shared_->wake.notify_all();
  if (dropped > 0) {
    g_runningScanTasks.fetch_sub(static_cast<std::int32_t>(dropped));
    g_runningScanTasks.notify_all();
  }
}

namespace {

void lf_runWorker(const std::shared_ptr<ScanWorkerPool::Shared>& shared) {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(shared->mutex);
      shared->wake.wait(lock, [&] { return shared->closed || !shared->queue.empty(); });
      if (shared->queue.empty()) return;  // closed
      task = std::move(shared->queue.front());
      shared->queue.pop_front();
      shared->queued.store(shared->queue.size(), std::memory_order_relaxed);
    }
    try {
      task();
    } catch (...) {
      // A task reports its own failures; one that escapes must not end the worker.
    }
    task = nullptr;  // what the task held goes before the count says it is done
    g_runningScanTasks.fetch_sub(1);
    g_runningScanTasks.notify_all();
  }
}

}  // namespace

}  // namespace vexo
