#include "app/app_window.h"

#include "app/main_window.h"
#include "app/start_up.h"
#include "app/startup_thread.h"
#include "foundation/log.h"
#include "platform/fltk/fltk_window.h"
#include "platform/shell.h"
#include "realtraffic/rt_server.h"

namespace vexo {

bool gf_windowDisplayAvailable() { return platform::FltkWindowSystem::displayAvailable(); }

int lf_runMainWindow() {
  // First, so that nothing posted from now on is lost.
  platform::FltkWindowSystem system;
  MainWindowHooks hooks;
  hooks.startUp = gf_onStartUpMessage;
  // Every run ends in closing down, which posts the message that restarts or quits, also
  // when it fails; from the first WM_APP_START_UP on there is such a run.
  hooks.runActive = [] { return true; };
  hooks.closeRealTraffic = gf_closeRTServer;
  hooks.exitCode = [] { return g_exitCode.load(); };
  hooks.openExplorerAt = [](const std::filesystem::path& file) { return platform::gf_openExplorerAt(file); };
  gf_setMainWindowHooks(hooks);
  if (!initInstance(system, "Vendrake_P3D")) {
    gf_logWarning("initInstance failed");
    return 0;
  }
  platform::gf_postMainWindowMessage(WM_APP_START_UP);
  const int exitCode = system.run();
  g_startUpThread.join();
  gf_setMainWindowHooks({});
  return exitCode;
}

}  // namespace vexo
