#include "foundation/status_line.h"

#include <algorithm>

#include "foundation/log.h"

namespace vexo {

StatusLine g_statusLine;

bool StatusLine::setStatus(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (!errorText_.empty()) return false;
  statusText_ = text;
  setAtTick_ = text.empty() ? 0 : std::max<std::uint32_t>(1, clock_);
  return true;
}

void StatusLine::setError(const std::string& text) {
  std::lock_guard lock(mutex_);
  statusText_.clear();
  setAtTick_ = 0;
  errorText_ = text;
  // The status mutex may be held while the log mutex is taken, never the reverse.
  gf_log("Error " + text);
}

void StatusLine::clearError() {
  std::lock_guard lock(mutex_);
  errorText_.clear();
}

bool StatusLine::workTick() {
  // Test and clear under one lock, so a text set in between is never wiped at once.
  std::lock_guard lock(mutex_);
  ++clock_;
  if (setAtTick_ == 0) return false;  // also while an error is shown: it zeroes the set-at tick
  if (static_cast<std::int32_t>(clock_ - setAtTick_) < g_statusTimeoutTicks) return false;
  statusText_.clear();
  setAtTick_ = 0;
  return true;
}

void StatusLine::reset() {
  std::lock_guard lock(mutex_);
  statusText_.clear();
  errorText_.clear();
  setAtTick_ = 0;
  clock_ = 0;
}

StatusLine::Texts StatusLine::texts() const {
  std::lock_guard lock(mutex_);
  return {statusText_, errorText_};
}

std::uint32_t StatusLine::setAtTick() const {
  std::lock_guard lock(mutex_);
  return setAtTick_;
}

std::uint32_t StatusLine::clock() const {
  std::lock_guard lock(mutex_);
  return clock_;
}

namespace {
void lf_postRepaint() { platform::gf_postMainWindowMessage(WM_APP_REPAINT_STATUS, 0, 0); }
}  // namespace

void gf_setStatus(const std::string& text, bool alsoLog) {
  if (!g_statusLine.setStatus(text)) return;
  if (alsoLog && !text.empty()) gf_log(text);
  lf_postRepaint();
}

void gf_clearStatus() { gf_setStatus({}, false); }

void gf_setStatusError(const std::string& text) {
  g_statusLine.setError(text);
  lf_postRepaint();
}

void gf_clearStatusError() {
  g_statusLine.clearError();
  gf_clearStatus();
}

void gf_statusLineWorkTick() {
  if (g_statusLine.workTick()) lf_postRepaint();
}

}  // namespace vexo
