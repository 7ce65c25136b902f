#include "foundation/scan_tasks.h"

#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <optional>
#include <vector>

#include "test_support.h"

namespace vexo {
namespace {

using namespace std::chrono_literals;

TEST(ScanTasks, LimitIsTheHardwareThreadsOrTwo) {
  EXPECT_EQ(gf_scanTaskLimitFor(0), 2);
  EXPECT_EQ(gf_scanTaskLimitFor(-1), 2);
  EXPECT_EQ(gf_scanTaskLimitFor(1), 1);
  EXPECT_EQ(gf_scanTaskLimitFor(12), 12);
}

// Later tasks finish first; the results still come back in the order they were started,
// and the running count never passes the limit.
TEST(ScanTasks, ResultsComeOldestFirstWithinTheLimit) {
  // Static: a worker still touches the count just after lowering it.
  static std::atomic<std::int32_t> running{0};
  static std::atomic<std::int32_t> limit{3};
  std::atomic<std::int32_t> most{0};
  std::vector<int> results;
  {
    ScanTaskQueue<int> queue(10000ms, running, limit);
    for (int i = 0; i < 40; ++i) {
      queue.start("task", [i, &most] {
        std::int32_t now = running.load();
        std::int32_t seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds((40 - i) * 50));
        return i;
      });
      if (queue.full()) results.push_back(queue.takeOldest());
    }
    EXPECT_LE(queue.size(), 4U);
    while (!queue.empty()) results.push_back(queue.takeOldest());
  }
  while (running.load() > 0) std::this_thread::yield();
  ASSERT_EQ(results.size(), 40U);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(results[static_cast<std::size_t>(i)], i);
  EXPECT_LE(most.load(), 3);
}

// A failing task logs under its name, hands its exception to the future and still lowers
// the count.
TEST(ScanTasks, ExceptionReachesTheFutureAndIsLogged) {
  test::LogCapture log;
  static std::atomic<std::int32_t> running{0};
  static std::atomic<std::int32_t> limit{2};
  ScanTaskQueue<int> queue(10000ms, running, limit);
  queue.start("lf_task a.cfg", []() -> int { throw std::runtime_error("boom"); });
  queue.start("lf_task b.cfg", []() -> int { throw 7; });
  EXPECT_THROW(queue.takeOldest(), std::runtime_error);
  EXPECT_THROW(queue.takeOldest(), int);
  while (running.load() > 0) std::this_thread::yield();
  EXPECT_TRUE(log.contains("! Exception in lf_task a.cfg: boom\n"));
  EXPECT_TRUE(log.contains("! Unknown exception in lf_task b.cfg\n"));
}

// A result given up after the wait: the collector goes on, the task runs to its end on
// what it owns, and the count falls to 0 only after the task let go of that.
TEST(ScanTasks, TimedOutTaskIsGivenUpAndCountedUntilItEnds) {
  static std::atomic<std::int32_t> running{0};
  static std::atomic<std::int32_t> limit{2};
  auto release = std::make_shared<std::latch>(1);
  auto owned = std::make_shared<int>(5);
  std::weak_ptr<int> watch = owned;
  ScanTaskQueue<int> queue(20ms, running, limit);
  queue.start("slow", [release, owned = std::move(owned)] {
    release->wait();
    return *owned;
  });
  try {
    queue.takeOldest();
    ADD_FAILURE() << "no time-out";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Future wait timed out after 0 seconds");
  }
  EXPECT_EQ(running.load(), 1);
  release->count_down();
  while (running.load() > 0) std::this_thread::yield();
  EXPECT_TRUE(watch.expired());
}

TEST(ScanTasks, WaitForTasksSeesTheSharedCount) {
  g_runningScanTasks = 0;
  EXPECT_TRUE(gf_waitForScanTasks(0ms));
  {
    ScanTaskQueue<int> queue;
    std::latch release(1);
    queue.start("t", [&release] {
      release.wait();
      return 1;
    });
    EXPECT_FALSE(gf_waitForScanTasks(5ms));
    release.count_down();
    EXPECT_TRUE(gf_waitForScanTasks(10000ms));
    EXPECT_EQ(queue.takeOldest(), 1);
  }
}

// The pool runs every task given, at most its workers at once, and the running count
// covers each task until it has ended.
TEST(ScanWorkerPool, RunsEveryTaskWithinItsWorkers) {
  g_runningScanTasks = 0;
  constexpr int kTasks = 200;
  std::atomic<int> ran{0};
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::latch finished(kTasks);
  {
    ScanWorkerPool pool(3);
    const auto sink = pool.sink();
    for (int i = 0; i < kTasks; ++i) {
      // Half the tasks are given by tasks, as a walk gives its sub-folders.
      auto task = [&] {
        const int now = inside.fetch_add(1) + 1;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        ran.fetch_add(1);
        inside.fetch_sub(1);
        finished.count_down();
      };
      if (i % 2 == 0) {
        EXPECT_TRUE(pool.submit(task));
      } else {
        EXPECT_TRUE(pool.submit([sink, task] { sink.submit(task); }));
      }
    }
    finished.wait();
    EXPECT_TRUE(gf_waitForScanTasks(10000ms));
  }
  EXPECT_EQ(ran.load(), kTasks);
  EXPECT_LE(most.load(), 3);
  EXPECT_EQ(g_runningScanTasks.load(), 0);
}

// A closed pool drops what has not started and takes nothing more; the count goes back
// to what still runs.
TEST(ScanWorkerPool, ClosingDropsWaitingTasks) {
  g_runningScanTasks = 0;
  auto release = std::make_shared<std::latch>(1);
  std::latch started(1);
  std::atomic<int> ran{0};
  std::optional<ScanWorkerPool::Sink> sink;
  {
    ScanWorkerPool pool(1);
    sink.emplace(pool.sink());
    pool.submit([release, &started] {
      started.count_down();
      release->wait();
    });
    started.wait();
    for (int i = 0; i < 5; ++i) pool.submit([&ran] { ran.fetch_add(1); });
    EXPECT_TRUE(sink->saturated());  // 5 waiting for one worker
    EXPECT_EQ(g_runningScanTasks.load(), 6);
  }
  EXPECT_EQ(g_runningScanTasks.load(), 1);  // the blocked task only
  EXPECT_FALSE(sink->submit([&ran] { ran.fetch_add(1); }));
  release->count_down();
  EXPECT_TRUE(gf_waitForScanTasks(10000ms));
  EXPECT_EQ(ran.load(), 0);
}

}  // namespace
}  // namespace vexo
