// The run flags back to those of a fresh run, so that each test of the application begins
// with one.
#pragma once

#include "foundation/run_state.h"
#include "foundation/status_line.h"

namespace vexo::test {

inline void resetAppRunFlags() {
  g_closing = false;
  g_windowClosed = false;
  g_exitReason = ExitReason::notYetSet;
  g_restartDelay = 0;
  g_isRestart = false;
  g_flightRunning = false;
  g_userAcReported = false;
  g_statusLine.reset();
}

}  // namespace vexo::test
