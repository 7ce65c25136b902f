// The body of the start-up thread: one run of the program, from reading the settings to
// the tick loop, always ending in closing down.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/learned_flight.h"
#include "foundation/time_text.h"

namespace vexo {

// Production mode for this process (set from the command line before the first start-up).
extern std::atomic<bool> g_productionMode;
// The code the process ends with: 0, or 1 when the production stop failed.
extern std::atomic<std::int32_t> g_exitCode;
// RealTraffic is installed on this PC (readers bind to loopback and deliver every datagram).
extern std::atomic<bool> g_rtAtThisPc;

// State of the start-up that lives across the steps of one run; start-up thread only
// (the counts are shown by the main window, so they are atomic).
struct StartUpState {
  bool dbaseRead = false;                   // read once per process, not again on restarts
  std::filesystem::path stockAirportsPath;  // the simulator's "Scenery" folder
  std::atomic<std::int64_t> handmadeOrbx{0};        // entries of airports/my_ORBX
  std::atomic<std::int64_t> handmadeThirdparty{0};  // entries of airports/my_thirdparty
};
extern StartUpState g_startUpState;

// The start-up thread's body. Never lets an exception escape.
void lf_startUpVDRK();

// Runs `steps` under the start-up's failure handlers: each failure is shown as an error
// text and ends the run with SYSTEM ERROR (closing flag set, so no later failure of
// another thread can turn it into a restart).
void lf_guardStartUp(const std::function<void()>& steps);

// The steps of one start-up before traffic; false when the run ends (stop path taken).
bool lf_prepareRun();

// Settings, controls, folders, update check, reference data, simulator and RealTraffic
// detection; false when the run must not go on (new version fetched, production mode).
bool lf_readDataFiles();

// Ends the run before traffic started: the window counts as closed, the reason becomes
// USER CLOSED SIM unless one is set.
void lf_stopPath();

// Throws UserErrorException 41 when the working folder has no "docs" folder.
void lf_checkRunFolder();

void lf_enableControls();
// Creates the program's folders and removes the old object-id list.
void lf_ensureFolders();
void lf_stockAirportsPath();
void lf_productionStop();
void lf_detectP3d();

}  // namespace vexo
