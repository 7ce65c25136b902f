#include "foundation/settings_startup.h"

#include <fmt/format.h>

#include <array>
#include <filesystem>
#include <utility>

#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/random.h"
#include "foundation/version.h"

namespace vexo {

namespace fs = std::filesystem;

namespace {

void lf_switchOn(ParametersStore& store, CheckboxSetting& setting) {
  setting.value = true;
  store.saveBool(setting);
  setting.updateControl();
}

}  // namespace

void gf_initParameters() {
  ParametersStore store = gf_parametersStore();
  gf_initParameters(store);
}

void gf_initParameters(ParametersStore& store) {
  SettingsState& s = store.settings();
  if (gf_loadParameters(store)) {
    lf_switchOn(store, s.SCAN_LIVERIES);
    lf_switchOn(store, s.SCAN_AIRPORTS);
  } else if (lf_handleVersionUpdate(store)) {
    gf_log("\nYour previous version was too old to convert the old text box parameters to the newdropbox values.");
    gf_log(fmt::format("{} re-starts with default parameter values ...\n", g_programName));
    store.resetToDefaults();
  }
  // The traffic radius follows the RANGE just loaded; otherwise it keeps the built-in
  // value until the auto radius or the user changes RANGE.
  gf_setRange(s, s.RANGE.value);
  gf_setRandomEnabled(s.RANDOM.value);
}

bool lf_handleVersionUpdate(ParametersStore& store) {
  StringSetting& stored = store.settings().PROGRAM_VERSION;
  const std::string running = g_programVersion.toString();
  const std::string storedText = stored.value();
  if (storedText == stored.defaultValue()) {
    stored.setValue(running);
    store.saveString(stored);
    return false;
  }
  const VersionData previous(storedText);
  if (previous != g_programVersion) {
    stored.setValue(running);
    store.saveString(stored);
  }
  if (g_programVersion <= previous) return false;

  gf_log(fmt::format("This is a version update from {} -> {}", previous.toString(), running));
  if (previous < VersionData(12, 0, 0)) {
    for (const fs::path* p : {&g_airportsEncPath, &g_aigRegcodesEncPath, &g_dbaseEncPath}) {
      if (fs::exists(*p)) fs::remove(*p);
    }
  }
  if (previous < VersionData(11, 0, 2)) return true;
  if (fs::exists(g_newVersionFolder)) fs::remove_all(g_newVersionFolder);
  return false;
}

float gf_maxFit2Fl(std::int32_t maxFit) {
  static constexpr std::array<std::pair<std::int32_t, float>, 20> steps{{
      {44, 24.0F}, {38, 21.0F}, {32, 18.0F}, {26, 15.0F}, {22, 12.0F}, {20, 11.0F}, {18, 10.0F},
      {16, 9.0F},  {14, 8.0F},  {12, 7.0F},  {10, 6.0F},  {9, 5.0F},   {8, 4.5F},   {7, 4.0F},
      {6, 3.5F},   {5, 3.0F},   {4, 2.5F},   {3, 2.0F},   {2, 1.5F},   {1, 1.0F},
  }};
  for (const auto& [atLeast, result] : steps) {
    if (maxFit >= atLeast) return result;
  }
  return 0.5F;
}

void gf_setMaxFitFl() { gf_setMaxFitFl(g_settings); }

void gf_setMaxFitFl(SettingsState& settings) {
  const float f = gf_maxFit2Fl(settings.MAX_FIT.value);
  settings.MAX_FIT_FL.value = f;
  if (!settings.MAX_FIT_FL.choices.empty()) settings.MAX_FIT_FL.selectValue(f);
}

std::uint32_t gf_setRange(std::int32_t nm) { return gf_setRange(g_settings, nm); }

std::uint32_t gf_setRange(SettingsState& settings, std::int32_t nm) {
  // Derived from the clamped value: a value from an airport file may lie far outside the
  // bounds, and its product with 1852 would not fit in 32 bits.
  const std::int32_t clamped = settings.RANGE.clamp(nm);
  settings.RANGE.value = clamped;
  settings.RANGE.selectValue(clamped);
  const auto meters = static_cast<std::uint32_t>(clamped) * 1852U;
  settings.rangeNm = static_cast<double>(clamped);
  settings.rangeMeters = meters;
  return meters;
}

}  // namespace vexo
