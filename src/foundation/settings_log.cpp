#include "foundation/settings_log.h"

#include <fmt/format.h>

#include <atomic>

#include "foundation/log.h"

namespace vexo {

namespace {
std::atomic<RunEndingCheck> g_runEndingCheck{nullptr};
}  // namespace

void gf_setRunEndingCheck(RunEndingCheck check) { g_runEndingCheck.store(check); }

bool gf_settingsLogSilenced() {
  const RunEndingCheck check = g_runEndingCheck.load();
  return check != nullptr && check();
}

void gf_logBoolParameter(const BoolSetting& setting) {
  gf_logUnlessClosing(fmt::format("{}={}", setting.key, setting.value.load()));
}

void gf_logIntParameter(const NumericSetting& setting) {
  gf_logUnlessClosing(fmt::format("{}={}", setting.key, setting.value.load()));
}

void gf_logStringParameter(const StringSetting& setting) {
  gf_logUnlessClosing(fmt::format("{}=\"{}\"", setting.key, setting.value()));
}

void gf_logUnlessClosing(const std::string& text) {
  if (!gf_settingsLogSilenced()) gf_log(text);
}

}  // namespace vexo
