// Puts the program-wide state the simulator link writes back to its start values, so that
// each test begins with a fresh run.
#pragma once

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "engine/sim_responses.h"
#include "foundation/settings.h"

namespace vexo::test {

inline void resetRunFlags() {
  g_closing = false;
  g_windowClosed = false;
  g_exitReason = ExitReason::notYetSet;
  g_restartDelay = 0;
  g_flightRunning = false;
  g_userAcReported = false;
  g_statusLine.reset();
  g_mainWindowState.resetShown();
  g_settings.SIM_INSTALL_PATH.setValue("");
  g_settings.P3D_VERSION.value = g_settings.P3D_VERSION.defaultValue;
  gf_clearSimResponses();
}

}  // namespace vexo::test
