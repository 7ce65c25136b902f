#include "app/startup_thread.h"

#include <utility>

#include "app/start_up.h"

namespace vexo {

StartUpThread g_startUpThread;

void StartUpThread::replace(std::function<void()> body) {
  ++*runningCount_;
  std::jthread next([body = std::move(body), count = runningCount_] {
    struct Done {
      std::atomic<int>& count;
      ~Done() { --count; }
    } done{*count};
    body();
  });
  std::jthread previous = std::exchange(thread_, std::move(next));
  if (previous.joinable()) {
    previous.request_stop();
    previous.join();
  }
}

void StartUpThread::join() {
  if (thread_.joinable()) thread_.join();
}

void gf_onStartUpMessage() { g_startUpThread.replace(lf_startUpVDRK); }

}  // namespace vexo
