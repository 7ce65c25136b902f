// The start-up thread: it runs the start-up, the tick loop and closing down of one run.
// The main window's WM_APP_START_UP (WM_APP + 1) replaces it by a new one.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace vexo {

class StartUpThread {
public:
  // UI thread only. Starts a new thread running `body` first, then asks the previous
  // one (at most finishing its closing down, which posted the message) to stop and
  // joins it.
  void replace(std::function<void()> body);
  // UI thread only: joins the current thread, when there is one (at the end of the
  // process).
  void join();
  // A start-up thread has not finished yet, so its closing down will end the run. Any thread.
  bool running() const { return runningCount_->load() > 0; }

private:
  std::jthread thread_;  // touched by the UI thread only
  // Bodies started and not yet returned (the old and the new one overlap briefly).
  // Shared with the threads, which may end after this object (at the end of the process).
  std::shared_ptr<std::atomic<int>> runningCount_ = std::make_shared<std::atomic<int>>(0);
};

extern StartUpThread g_startUpThread;

// The answer to WM_APP_START_UP: a new start-up thread running lf_startUpVDRK. UI thread.
void gf_onStartUpMessage();

}  // namespace vexo
