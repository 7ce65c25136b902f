#include "app/start_up.h"

#include <fmt/format.h>

#include <filesystem>
#include <new>

#include "app/closing_down.h"
#include "app/run_state.h"
#include "app/status_line.h"
#include "app/tick_loop.h"
#include "foundation/error.h"
#include "foundation/log.h"

namespace vexo {

namespace fs = std::filesystem;

std::atomic<bool> g_productionMode{false};
std::atomic<std::int32_t> g_exitCode{0};
std::atomic<bool> g_rtAtThisPc{false};
StartUpState g_startUpState;

namespace {

void lf_flushLog() {
  std::lock_guard lock(g_logMutex);
  g_logFile.flush();
}

// The failure handlers of the standard kinds: SYSTEM ERROR without a restart delay, unless
// another thread chose the reason first.
void lf_failedWith(const std::string& text) {
  gf_setStatusError(text);
  gf_requestClosing(ExitReason::systemError, 0);
}

// The program's own exception and unknown ones always mean SYSTEM ERROR; the closing flag
// is set as well, so a later reader or simulator error finds the run ending already.
void lf_failedAlways(const std::string& text) {
  gf_setStatusError(text);
  g_closing = true;
  g_exitReason = ExitReason::systemError;
}

}  // namespace

void lf_checkRunFolder() {
  if (!fs::is_directory(fs::status("docs")))
    throw UserErrorException(41, "Vendrake_P3D must be run from the Vendrake_P3D folder!");
}

void lf_stopPath() {
  g_windowClosed = true;
  g_closing = true;
  auto expected = ExitReason::notYetSet;
  g_exitReason.compare_exchange_strong(expected, ExitReason::userClosedSim);
  lf_flushLog();
}

void lf_guardStartUp(const std::function<void()>& steps) {
  try {
    steps();
  } catch (const UserErrorException& e) {
    lf_failedAlways(e.what());
  } catch (const fmt::format_error& e) {
    gf_setStatusError(fmt::format("std::format error: {}", e.what()));
    lf_failedWith(e.what());
  } catch (const std::bad_alloc& e) {
    lf_failedWith(e.what());
  } catch (const std::exception& e) {
    lf_failedWith(e.what());
  } catch (...) {
    lf_failedAlways("Unknown exception");
  }
}

namespace {

// Returns false when the run ended on the way (the stop path has run then).
bool lf_runSteps() {
  lf_checkRunFolder();
  if (gf_runEnding()) {
    lf_stopPath();
    return false;
  }
  lf_runTickLoop();
  return true;
}

}  // namespace

void lf_startUpVDRK() {
  lf_guardStartUp([] { lf_runSteps(); });
  lf_flushLog();
  lf_closingDown();
}

}  // namespace vexo
