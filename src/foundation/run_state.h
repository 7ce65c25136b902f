// Run flags shared by every thread: whether the run ends, why, and how soon it restarts.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexo {

enum class ExitReason : std::uint32_t {
  notYetSet = 0,
  simWasClosed = 1,
  newFlight = 2,
  newSettings = 3,
  userClosedSim = 4,
  simConnectError = 5,
  readerError = 6,
  systemError = 7,
  newVersion = 8,
};

// "NOT YET SET", "SIM WAS CLOSED", ... as logged by closing down.
std::string_view gf_exitReasonName(ExitReason reason);

// The run ends. Set with an exchange: only the thread that found it clear chooses the
// exit reason and the restart delay (see gf_requestClosing).
extern std::atomic<bool> g_closing;
// The user closed the main window (or a stop path forced it).
extern std::atomic<bool> g_windowClosed;
// Written only by the thread that won g_closing (the start-up failure handlers excepted);
// atomic so that readers on other threads see a whole value.
extern std::atomic<ExitReason> g_exitReason;
extern std::atomic<std::int32_t> g_restartDelay;
// True when the last closing down restarts; the next start-up then skips the update check.
extern std::atomic<bool> g_isRestart;
// Set by the simulator link: a flight runs; a user-aircraft report has arrived.
extern std::atomic<bool> g_flightRunning;
extern std::atomic<bool> g_userAcReported;

// Sets g_closing; when this call was the first, it sets the reason and, when given
// (delay >= 0), the restart delay before the flag, so that whoever sees the flag finds
// them. Returns whether this call was the first. Any thread.
bool gf_requestClosing(ExitReason reason, std::int32_t restartDelay = -1);

// A reader thread stopped with an error: shows "The <reader> has stopped with error:
// <text>" and ends the run with READER ERROR (restart after 15 s). Any thread.
void gf_reportReaderError(std::string_view readerName, const std::string& errorText);

// The flags every long wait polls.
inline bool gf_runEnding() { return g_closing.load() || g_windowClosed.load(); }

}  // namespace vexo
