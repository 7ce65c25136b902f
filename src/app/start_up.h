// The body of the start-up thread: one run of the program, from reading the settings to
// the tick loop, always ending in closing down.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vexo {

// Production mode for this process (set from the command line before the first start-up).
extern std::atomic<bool> g_productionMode;
// The code the process ends with: 0, or 1 when the production stop failed.
extern std::atomic<std::int32_t> g_exitCode;
// RealTraffic is installed on this PC (readers bind to loopback and deliver every datagram).
extern std::atomic<bool> g_rtAtThisPc;

// State of the start-up that lives across the steps of one run; start-up thread only.
struct StartUpState {
  bool dbaseRead = false;                  // read once per process, not again on restarts
  std::filesystem::path stockAirportsPath;  // the simulator's "Scenery" folder
};
extern StartUpState g_startUpState;

// The start-up thread's body. Never lets an exception escape.
void lf_startUpVDRK();

// Runs `steps` under the start-up's failure handlers: each failure is shown as an error
// text and ends the run with SYSTEM ERROR (closing flag set, so no later failure of
// another thread can turn it into a restart).
void lf_guardStartUp(const std::function<void()>& steps);

// Ends the run before traffic started: the window counts as closed, the reason becomes
// USER CLOSED SIM unless one is set.
void lf_stopPath();

// Throws UserErrorException 41 when the working folder has no "docs" folder.
void lf_checkRunFolder();

}  // namespace vexo
