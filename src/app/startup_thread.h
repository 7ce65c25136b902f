// The start-up thread: it runs the start-up, the tick loop and closing down of one run.
// The main window's WM_APP_START_UP (WM_APP + 1) replaces it by a new one.
#pragma once

#include <functional>
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

private:
  std::jthread thread_;  // touched by the UI thread only
};

extern StartUpThread g_startUpThread;

// The answer to WM_APP_START_UP: a new start-up thread running lf_startUpVDRK. UI thread.
void gf_onStartUpMessage();

}  // namespace vexo
