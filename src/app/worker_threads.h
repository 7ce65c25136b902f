// The threads that one run starts beside the start-up thread: the "SimClient" thread
// (stoppable, joined before the next run touches its state) and the two UDP readers
// (detached, as each blocks in a receive for up to a second, but with a stop source per
// run and a count of the ones still running, so a restart can wait for them).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace vexo {

// A stoppable thread that a new run replaces. Any thread may call; one mutex guards it.
class StoppableThread {
public:
  using Body = std::function<void(std::stop_token)>;
  // Starts the new thread first, then stops and joins the one it replaces.
  void replace(Body body);
  void requestStop();
  // Asks the thread to stop and waits until it has ended.
  void stopAndJoin();
  bool joinable() const;

private:
  mutable std::mutex mutex_;  // guards thread_
  std::jthread thread_;
};

class ReaderThreads {
public:
  using Body = std::function<void(std::stop_token)>;
  ReaderThreads();
  // Starts a detached reader with the stop token of the current run.
  void start(Body body);
  // Asks the readers of the current run to stop; later starts get a fresh stop source.
  void requestStop();
  // Waits at most `limit` until no reader of any run is running; true when none is.
  bool waitEnded(std::chrono::milliseconds limit);
  int running() const;

private:
  struct Shared {
    mutable std::mutex mutex;  // guards running and stop
    std::condition_variable ended;
    int running = 0;
    std::stop_source stop;
  };
  std::shared_ptr<Shared> shared_;  // outlives the detached threads that hold it
};

extern StoppableThread g_simClientThread;
extern ReaderThreads g_readerThreads;

}  // namespace vexo
