#include "app/app_main.h"

#include <fmt/format.h>

#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <string_view>
#include <vector>

#include "app/app_window.h"
#include "app/closing_down.h"
#include "app/start_up.h"
#include "app/startup_thread.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"
#include "platform/window_post.h"

namespace vexo {

namespace fs = std::filesystem;

bool lf_ensureUserFolder(const fs::path& folder) {
  try {
    if (!fs::exists(folder)) fs::create_directories(folder);
    return true;
  } catch (const fs::filesystem_error& e) {
    gf_log(fmt::format("Failed to create directory: {}", e.what()));
    return false;
  }
}

namespace {

constexpr std::uint32_t g_wmClose = 0x0010;

// The messages posted to the main window, in order. Any thread posts; the UI thread takes.
class MessageQueue {
public:
  void post(std::uint32_t message) {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
    ready_.notify_one();
  }
  std::uint32_t take() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !messages_.empty(); });
    const auto message = messages_.front();
    messages_.pop_front();
    return message;
  }

private:
  std::mutex mutex_;  // guards messages_
  std::condition_variable ready_;
  std::deque<std::uint32_t> messages_;
};

}  // namespace

int lf_appMain(const ProductionSwitch& productionSwitch) {
  if (!lf_ensureUserFolder(gf_appFolder())) return 0;
  if (productionSwitch.given && productionSwitch.value) g_productionMode = true;
  // With a display the main window runs the UI thread; without one, the loop below.
  if (gf_windowDisplayAvailable()) return lf_runMainWindow();
  MessageQueue queue;
  platform::gf_setMainWindowPoster(
      [&queue](std::uint32_t message, std::uintptr_t, std::intptr_t) { queue.post(message); });
  queue.post(WM_APP_START_UP);
  for (;;) {
    const auto message = queue.take();
    if (message == WM_APP_START_UP) gf_onStartUpMessage();
    if (message == g_wmClose) {
      g_windowClosed = true;
      if (!gf_requestClosing(ExitReason::userClosedSim)) {
        auto expected = ExitReason::notYetSet;
        g_exitReason.compare_exchange_strong(expected, ExitReason::userClosedSim);
      }
    }
    if (message == WM_APP_SAVE_AND_QUIT) break;
  }
  g_startUpThread.join();
  platform::gf_setMainWindowPoster({});
  return g_exitCode;
}

int gf_appEntry(int argc, char** argv) {
  // Held for the life of the process, through every restart; the system frees it.
  static platform::SingleInstanceLock instanceLock;
  if (instanceLock.tryAcquire(platform::gf_singleInstanceLockPath()) == platform::InstanceLockResult::heldElsewhere)
    return -1;
  try {
    gf_openLogFile();
  } catch (const std::exception& e) {
    std::cerr << "Vendrake_P3D: cannot create Log.txt: " << e.what() << '\n';
    return 2;
  }
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  // Before any other thread starts: a termination request becomes a close of the window.
  platform::TerminationSignals signals([] { platform::gf_postMainWindowMessage(g_wmClose); });
  return lf_appMain(gf_parseProductionSwitch(args));
}

}  // namespace vexo
