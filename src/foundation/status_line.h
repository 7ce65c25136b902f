// The status line: the one-line message band at the bottom of the main window, the
// program-wide way to tell the user what happens. Callable from any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/window_post.h"

namespace vexo {

// Asks the window to repaint the status band only.
inline constexpr std::uint32_t WM_APP_REPAINT_STATUS = platform::WM_APP + 0x60;

// A status text times out this many work ticks after it was set.
inline constexpr std::int32_t g_statusTimeoutTicks = 25;

// Two texts: the ordinary status text, which times out, and the error text, which holds
// the line: while it is shown, setting and clearing the status text are ignored.
class StatusLine {
public:
  struct Texts {
    std::string status;
    std::string error;
  };

  // Stores the text (unless an error is shown); returns whether it was stored.
  bool setStatus(const std::string& text);
  void setError(const std::string& text);  // also logs "Error <text>"
  // Empties the error text; only the few places that own an error call it.
  void clearError();
  // One work tick of the status clock; clears a status text that is old enough.
  // Returns whether it cleared one. Called by the tick thread only.
  bool workTick();
  // Back to the start values before a restart.
  void reset();
  Texts texts() const;
  std::uint32_t setAtTick() const;
  std::uint32_t clock() const;

private:
  mutable std::mutex mutex_;  // guards every member below
  std::string statusText_;
  std::string errorText_;
  std::uint32_t setAtTick_ = 0;  // 0: no status text to time out
  std::uint32_t clock_ = 0;      // work ticks; written by the tick thread only
};

extern StatusLine g_statusLine;

// The program-wide setters (on g_statusLine); each posts WM_APP_REPAINT_STATUS.
void gf_setStatus(const std::string& text, bool alsoLog);
void gf_clearStatus();
void gf_setStatusError(const std::string& text);
// Empties the error text and then clears the status line.
void gf_clearStatusError();
// The once-per-second time-out of the status text (tick thread).
void gf_statusLineWorkTick();

}  // namespace vexo
