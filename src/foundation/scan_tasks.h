// The worker machinery of the file scans (liveries and scenery): one task per file, each a
// packaged task on its own detached thread, at most g_maxScanTasks running at once, and
// the results collected oldest first so that they merge in the order the walk found the
// files, whatever order the workers finish in.
//
// Threads: a ScanTaskQueue belongs to the one thread that walks (the start-up thread);
// only the task functions run on the workers. The count and the limit are shared by every
// queue of the process.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdint>
#include <exception>
#include <memory>
#include <functional>
#include <future>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "foundation/log.h"

namespace vexo {

// Tasks started and not yet finished. Raised by the starter before the thread starts (so
// a wait for 0 cannot miss a task that is just starting) and lowered by the worker as its
// very last step, on every way out.
extern std::atomic<std::int32_t> g_runningScanTasks;
// The most tasks that may run at once; set once by start-up (gf_scanTaskLimitFor).
extern std::atomic<std::int32_t> g_maxScanTasks;

// The hardware threads, or 2 when the platform reports none.
std::int32_t gf_scanTaskLimitFor(int hardwareThreads);

// How long the collector waits for the oldest result before it gives up on it.
inline constexpr std::chrono::milliseconds g_scanFutureWait{10000};

// Waits until no scan task runs, or the limit has passed; true when none runs. A scan
// calls it before it reads or clears what its tasks may still touch, and before it ends.
bool gf_waitForScanTasks(std::chrono::milliseconds limit);
// How long closing down waits for such tasks.
inline constexpr std::chrono::milliseconds g_scanTaskExitWait{10000};

// Runs fn; an exception is logged under the task's name ("! Exception in <name>: <text>",
// "! Unknown exception in <name>") and thrown on to the task's future.
template <class Result>
Result lf_runLoggingExceptions(const std::string& name, const std::function<Result()>& fn) {
  try {
    return fn();
  } catch (const std::exception& e) {
    gf_log("! Exception in " + name + ": " + e.what());
    throw;
  } catch (...) {
    gf_log("! Unknown exception in " + name);
    throw;
  }
}

// A fixed set of worker threads for a whole scan: tasks run in the order they are given,
// at most `workers` at once, with no thread started per task. Every task given and not
// yet finished counts in g_runningScanTasks, so gf_waitForScanTasks covers them.
//
// Threads: the pool object belongs to the thread that made it; its Sink may be copied to
// any thread (tasks give further tasks through it). The worker threads share the pool's
// state and are detached: a task that never returns keeps only its own thread. When the
// pool is destroyed, tasks not yet started are dropped and a Sink gives no more tasks.
class ScanWorkerPool {
public:
  struct Shared;  // the queue the workers take tasks from

  // Where tasks are given; a task must catch what it throws (an escaping exception is
  // dropped).
  class Sink {
  public:
    // False (the task dropped) once the pool is closed.
    bool submit(std::function<void()> task) const;
    // Whether more tasks wait than the workers can soon take (twice their number): a
    // task that could give further work away may as well do it itself.
    bool saturated() const;

  private:
    friend class ScanWorkerPool;
    explicit Sink(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    std::shared_ptr<Shared> shared_;
  };

  explicit ScanWorkerPool(std::int32_t workers);
  ~ScanWorkerPool();
  ScanWorkerPool(const ScanWorkerPool&) = delete;
  ScanWorkerPool& operator=(const ScanWorkerPool&) = delete;

  Sink sink() const { return Sink(shared_); }
  bool submit(std::function<void()> task) const { return sink().submit(std::move(task)); }

private:
  std::shared_ptr<Shared> shared_;
};

// The pending futures of one walk.
template <class Result>
class ScanTaskQueue {
public:
  explicit ScanTaskQueue(std::chrono::milliseconds wait = g_scanFutureWait,
                         std::atomic<std::int32_t>& running = g_runningScanTasks,
                         std::atomic<std::int32_t>& limit = g_maxScanTasks)
      : wait_(wait), running_(running), limit_(limit) {}
  ScanTaskQueue(const ScanTaskQueue&) = delete;
  ScanTaskQueue& operator=(const ScanTaskQueue&) = delete;

  // Waits for a free worker, then starts fn on a detached thread. fn must own
  // (or share ownership of) everything it touches: a task whose result is given up keeps
  // running after the queue is gone.
  void start(std::string name, std::function<Result()> fn) {
    // Sleeps on the count rather than spinning, so the waiting starter leaves its core to
    // the workers it waits for; each finished task wakes it.
    for (std::int32_t now = running_.load(); now >= limit_.load(); now = running_.load()) running_.wait(now);
    std::packaged_task<Result()> task(
        [name = std::move(name), fn = std::move(fn)] { return lf_runLoggingExceptions<Result>(name, fn); });
    pending_.push_back(task.get_future());
    running_.fetch_add(1);
    try {
      std::thread([t = std::move(task), &running = running_]() mutable {
        t();
        t = {};  // what the task held goes before the count says it is done
        running.fetch_sub(1);
        running.notify_all();
      }).detach();
    } catch (...) {
      running_.fetch_sub(1);
      pending_.pop_back();
      throw;
    }
  }

  // More futures wait than workers may run: the walk collects the oldest now.
  bool full() const { return static_cast<std::int64_t>(pending_.size()) > limit_.load(); }
  bool empty() const { return pending_.empty(); }
  std::size_t size() const { return pending_.size(); }

  // Takes the oldest future, waiting at most the queue's wait: its result, or its task's
  // exception. When the wait runs out, throws std::runtime_error "Future wait timed out
  // after 10 seconds". The future is dropped on every way out.
  Result takeOldest() {
    std::future<Result> oldest = std::move(pending_.front());
    pending_.pop_front();
    if (oldest.wait_for(wait_) != std::future_status::ready) {
      throw std::runtime_error("Future wait timed out after " + std::to_string(wait_.count() / 1000) + " seconds");
    }
    return oldest.get();
  }

private:
  std::list<std::future<Result>> pending_;
  const std::chrono::milliseconds wait_;
  std::atomic<std::int32_t>& running_;
  std::atomic<std::int32_t>& limit_;
};

}  // namespace vexo
