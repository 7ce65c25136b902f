#include "app/app_main.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string_view>
#include <thread>
#include <vector>

#include "app/closing_down.h"
#include "app/main_window.h"
#include "app/program_hooks.h"
#include "app/start_up.h"
#include "app/startup_thread.h"
#include "app/window_message_boxes.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "realtraffic/rt_server.h"
#include "platform/fltk/fltk_window.h"
#include "platform/headless_window.h"
#include "platform/shell.h"
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

// The loop of a window system without a screen: it hands the posted messages to the
// window procedure until the window quits. Returns the quit code.
int lf_runMessageLoop(platform::HeadlessWindowSystem& system) {
  platform::HeadlessWindow* window = system.window();
  while (!window->quitCode()) {
    if (system.pump() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return *window->quitCode();
}

}  // namespace

namespace {

// Creates the main window in the window system, starts the first run and runs the message
// loop until the window quits.
int lf_runMainWindow(platform::WindowSystem& system, const ProductionSwitch& productionSwitch,
                     const std::function<int()>& messageLoop) {
  gf_setMainWindowHooks({.startUp = gf_onStartUpMessage,
                         .runActive = [] { return g_startUpThread.running(); },
                         .closeRealTraffic = gf_closeRTServer,
                         .exitCode = [] { return static_cast<int>(g_exitCode.load()); },
                         .openExplorerAt = platform::gf_openExplorerAt});
  if (!initInstance(system, g_programName)) {
    gf_logWarning("initInstance failed");
    return 0;
  }
  if (productionSwitch.given && productionSwitch.value) g_productionMode = true;
  // From here on a message box of any thread is shown in the window (a start-up that
  // stops with one waits for the user to close it).
  gf_startWindowMessageBoxes();
  platform::gf_postMainWindowMessage(WM_APP_START_UP);
  const int exitCode = messageLoop();
  // No box can be shown any more: a thread still waiting on one goes on.
  gf_stopWindowMessageBoxes();
  // Closing down posted the quit; the start-up thread is at most flushing the log.
  g_startUpThread.join();
  return exitCode;
}

}  // namespace

int lf_appMain(const ProductionSwitch& productionSwitch) {
  if (!lf_ensureUserFolder(gf_appFolder())) return 0;
  // Without a display (or when asked, as the tests do) the window has no screen.
  const char* headless = std::getenv("VDRK_HEADLESS");
  if ((headless == nullptr || *headless == '\0') && platform::FltkWindowSystem::displayAvailable()) {
    platform::FltkWindowSystem system;
    return lf_runMainWindow(system, productionSwitch, [&] { return system.run(); });
  }
  platform::HeadlessWindowSystem system;
  return lf_runMainWindow(system, productionSwitch, [&] { return lf_runMessageLoop(system); });
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
  gf_installProgramHooks();
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  // Before any other thread starts: a termination request becomes a close of the window.
  platform::TerminationSignals signals([] { platform::gf_postMainWindowMessage(platform::WM_CLOSE); });
  return lf_appMain(gf_parseProductionSwitch(args));
}

}  // namespace vexo
