#include "foundation/run_state.h"

#include <array>

#include <fmt/format.h>

#include "foundation/status_line.h"

namespace vexo {

std::atomic<bool> g_closing{false};
std::atomic<bool> g_windowClosed{false};
std::atomic<ExitReason> g_exitReason{ExitReason::notYetSet};
std::atomic<std::int32_t> g_restartDelay{0};
std::atomic<bool> g_isRestart{false};
std::atomic<bool> g_flightRunning{false};
std::atomic<bool> g_userAcReported{false};

std::string_view gf_exitReasonName(ExitReason reason) {
  static constexpr std::array<std::string_view, 9> kNames = {
      "NOT YET SET",     "SIM WAS CLOSED",   "NEW FLIGHT",   "NEW SETTINGS", "USER CLOSED SIM",
      "SIMCONNECT ERROR", "READER ERROR", "SYSTEM ERROR", "NEW VERSION"};
  const auto index = static_cast<std::size_t>(reason);
  return index < kNames.size() ? kNames[index] : std::string_view("UNKNOWN");
}

bool gf_requestClosing(ExitReason reason, std::int32_t restartDelay) {
  // The reason and the delay are in place before the flag: a thread that sees the run
  // ending (the tick loop, which then closes down) always finds why. The first caller
  // takes the reason with an exchange of its own; the flag then follows.
  ExitReason unset = ExitReason::notYetSet;
  const bool first = !g_closing.load() && g_exitReason.compare_exchange_strong(unset, reason);
  if (first && restartDelay >= 0) g_restartDelay = restartDelay;
  g_closing = true;
  return first;
}

void gf_reportReaderError(std::string_view readerName, const std::string& errorText) {
  gf_setStatus(fmt::format("The {} has stopped with error: {}", readerName, errorText), true);
  gf_requestClosing(ExitReason::readerError, 15);
}

}  // namespace vexo
