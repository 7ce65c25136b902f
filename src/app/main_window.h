// The main window: creation at its stored position, the window procedure with its
// controls, and what other threads ask of it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/main_window_state.h"
#include "foundation/window_messages.h"
#include "platform/window.h"

namespace vexo {

// What the window procedure asks of the rest of the application. Each may be empty (then
// the step is skipped; runActive empty counts as "no run").
struct MainWindowHooks {
  std::function<void()> startUp;           // WM_APP_START_UP: replace the start-up thread
  std::function<bool()> runActive;         // a start-up thread runs, and so will close down
  std::function<void()> closeRealTraffic;  // close the RealTraffic link (sends "exit")
  std::function<int()> exitCode;           // the process exit code given at quitting
  std::function<bool(const std::filesystem::path&)> openExplorerAt;  // show a file's folder
};
// UI thread, before the window is created.
void gf_setMainWindowHooks(MainWindowHooks hooks);
const MainWindowHooks& gf_mainWindowHooks();

// Creates the main window in the window system at MAIN_WINDOW_X, MAIN_WINDOW_Y as
// stored in parameters.xml (kept on a monitor), titled windowName. False when the window
// state is not ready within a second or the window cannot be created. UI thread.
bool initInstance(platform::WindowSystem& system, std::string_view windowName);

// Keeps a window of the main window's fixed size at MAIN_WINDOW_X, MAIN_WINDOW_Y on a
// monitor: at least 48 pixels inside the nearest work area; a clamped coordinate takes
// the fall-back value. Saves and moves when anything changed. UI thread.
void lf_keepOnMonitor(int fallbackX, int fallbackY);

// The main window's procedure. UI thread.
platform::LResult lf_wndProc(std::uint32_t message, platform::WParam wParam, platform::LParam lParam);

// Creates the 39 controls in their order (WM_CREATE).
void lf_createControls();

// The UTF-8 text of a control; empty (and logged) when there is no such control.
std::string lf_getTextFromId(platform::ControlId id);

// Disable / enable the static-parking controls while the static parking computes. Any thread.
void gf_lockParkControls();
void gf_unlockParkControls();

}  // namespace vexo
