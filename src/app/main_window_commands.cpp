#include "app/main_window_commands.h"

#include <fmt/format.h>

#include <cmath>
#include <exception>
#include <filesystem>

#include "app/main_window.h"
#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "foundation/log.h"
#include "foundation/parameters.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "foundation/text.h"

namespace vexo {

namespace {

void lf_repaintControls() { gf_invalidateMainWindow(g_controlsRect, true); }

// --- push buttons -----------------------------------------------------------------

bool lf_openTbloZipFolder() {
  const std::filesystem::path tbloZip = std::filesystem::current_path() / g_tbloFolder / g_tbloZipPath;
  const auto& open = gf_mainWindowHooks().openExplorerAt;
  if (open && open(tbloZip)) return true;
  if (platform::Window* window = platform::gf_mainWindow())
    window->messageBox("Could not open File Explorer at tblo.zip.", "VDRK");
  return false;
}

void lf_nowClicked() {
  if (!g_mainWindowState.parkAirportSet) return;
  if (g_settings.INITIAL_LOAD_ONLY.value) {
    gf_clearStatus();
    return;
  }
  gf_requestStaticParkingNow();
  g_mainWindowState.minutesToRenewal = 20;
  lf_repaintControls();
}

// --- check boxes ------------------------------------------------------------------

CheckboxSetting* lf_checkboxById(platform::ControlId id) {
  for (CheckboxSetting* setting : g_settings.checkboxSettings)
    if (setting->commandId == id) return setting;
  return nullptr;
}

// "on" shows a text (or clears the line when empty), "off" likewise.
void lf_statusOnOff(bool on, const std::string& onText, const std::string& offText) {
  const std::string& text = on ? onText : offText;
  if (text.empty())
    gf_clearStatus();
  else
    gf_setStatus(text, false);
}

// A scan switched on: before RealTraffic has connected the program restarts at once to
// scan; later the scan waits for the next start.
void lf_scanSwitchedOn(std::string_view what, bool forgetLiveries) {
  if (!g_rtNotConnectedYet) {
    gf_setStatus(fmt::format("Your {} will be scanned at the next start of {}", what, g_programName), false);
  } else {
    // The liveries read so far belong to the start-up thread: the next start-up forgets
    // them before it reads the new scan.
    if (forgetLiveries) g_forgetLiveriesRequest = true;
    gf_setStatus(fmt::format("Your {} will be scanned", what), true);
    lf_restartForNewSettings(2);
  }
  lf_repaintControls();
}

void lf_checkboxChanged(CheckboxSetting& setting, bool on) {
  SettingsState& s = g_settings;
  if (&setting == &s.LIG_PRIORITIZE) {
    lf_statusOnOff(on, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", "");
  } else if (&setting == &s.COLLISION_LIVE_PARKED_GND) {
    lf_statusOnOff(on, "", "Be aware, live aircraft may collide with (run through) static parked on the ground");
  } else if (&setting == &s.COLLISION_USER_GND) {
    lf_statusOnOff(on, "",
                   "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the "
                   "ground");
  } else if (&setting == &s.COLLISION_USER_AIR) {
    lf_statusOnOff(on, "", "Be aware, user aircraft may collide with (run through) live aircraft in the air");
  } else if (&setting == &s.INITIAL_LOAD_ONLY) {
    lf_statusOnOff(
        on,
        fmt::format("Initial Load Only: static parked aircraft are generated once, no renewal every {} minutes", 20),
        "");
    s.nowButton.setEnabled(!on && g_nowAllowed);
    lf_repaintControls();
  } else if (&setting == &s.ALWAYS_ON_TOP) {
    lf_statusOnOff(on, fmt::format("{}'s window will remain visible", g_programName), "");
    if (platform::Window* window = platform::gf_mainWindow()) window->setTopmost(on);
    lf_repaintControls();
  } else if (&setting == &s.GUID_CHANGES) {
    lf_statusOnOff(on, "", "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
    lf_repaintControls();
  } else if (&setting == &s.AEROWINX) {
    lf_statusOnOff(on, fmt::format("Note: This mode is for Aerowinx PSX users only, please re-start {}", g_programName),
                   "");
  } else if (&setting == &s.AUTO_RANGE) {
    gf_applyAutoRange();
  } else if (&setting == &s.SCAN_AIRPORTS || &setting == &s.SCAN_LIVERIES) {
    const bool liveries = &setting == &s.SCAN_LIVERIES;
    if (on)
      lf_scanSwitchedOn(liveries ? "liveries" : "airports", liveries);
    else {
      gf_clearStatus();
      lf_repaintControls();
    }
  } else if (&setting == &s.NAV_LIGHTS_WHILE_PARKED) {
    // The aircraft tables belong to the tick thread: it sets the lights on its next tick.
    g_navLightsRequest = true;
    lf_repaintControls();
  } else if (&setting == &s.AIRBORNE_ONLY) {
    lf_statusOnOff(on, fmt::format("Be aware, airborne live traffic only!  (greater than {:.0f} ft above ground ...)", 150.0),
                   "");
    lf_repaintControls();
  }
  // PARK_SOFT, WEEK, STRAIGHT_PBS_ONLY and the three traffic categories only change value.
}

// --- drop-down lists --------------------------------------------------------------

void lf_numericChosen(ComboSetting& setting, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= setting.choices.size()) return;
  SettingsState& s = g_settings;
  const std::int32_t previous = setting.value;
  setting.value = setting.clamp(setting.choices[static_cast<std::size_t>(index)]);
  gf_saveIntParameter(setting);
  if (&setting == &s.MATCHING_DEPTH) {
    if (setting.value > previous) g_rematchRequest = true;
  } else if (&setting == &s.RANGE) {
    gf_setRange(setting.value);
  } else if (&setting == &s.MAX_LIVE_SEL) {
    // The live aircraft belong to the tick thread: it removes the surplus on its next tick.
    g_maxLiveRequest = true;
  }
}

void lf_maxFitChosen(int index) {
  SettingsState& s = g_settings;
  if (index < 0 || static_cast<std::size_t>(index) >= s.MAX_FIT_FL.choices.size()) return;
  const float hours = s.MAX_FIT_FL.choices[static_cast<std::size_t>(index)];
  s.MAX_FIT_FL.value = hours;
  s.MAX_FIT.value = s.MAX_FIT.clamp(std::lround(2.0 * hours) - 1);
  gf_saveIntParameter(s.MAX_FIT);
}

void lf_callsignChosen(const std::string& callsign) {
  SettingsState& s = g_settings;
  if (s.CALLSIGN_2_OBJECTID.valueEquals(callsign)) return;
  s.CALLSIGN_2_OBJECTID.setValue(callsign);
  g_mainWindowState.updateTexts([](ShownTexts& t) { t.objectIdText.clear(); });
  lf_repaintControls();
  s.blockButton.setEnabled(!platform::gf_controls().isEnabled(s.unblockButton.commandId));
}

}  // namespace

void lf_restartForNewSettings(std::int32_t delaySeconds) { gf_requestClosing(ExitReason::newSettings, delaySeconds); }

bool lf_HandleWMCOMMAND(platform::WParam wParam) {
  try {
    if (lf_buttonCommand(wParam) || lf_checkboxCommand(wParam) || lf_comboCommand(wParam)) return true;
    lf_repaintControls();
    return false;
  } catch (const std::exception& e) {
    lf_commandFailed("lf_HandleWMCOMMAND", e);
    return false;
  }
}

void lf_commandFailed(std::string_view handler, const std::exception& e) {
  gf_logWarning(fmt::format("{} exception {}", handler, e.what()));
  lf_repaintControls();
}

bool lf_buttonCommand(platform::WParam wParam) {
  SettingsState& s = g_settings;
  const platform::ControlId id = platform::gf_loWord(wParam);
  if (id == s.unblockButton.commandId) {
    if (s.BLOCK_CALLSIGN.valueEquals(""))
      gf_setStatus("Nothing to block or unblock...", false);
    else
      lf_unblockCallsign();
    s.blockButton.setEnabled(!s.CALLSIGN_2_OBJECTID.valueEquals(""));
    return true;
  }
  if (id == s.csToOidButton.commandId) {
    g_callsignListRequest = true;
    s.blockButton.disable();
    return true;
  }
  if (id == s.blockButton.commandId) {
    lf_blockSelectedCallsign(s.CALLSIGN_2_OBJECTID.value());
    g_resetCallsignListRequest = true;  // the list belongs to the tick thread
    s.blockButton.disable();
    return true;
  }
  if (id == s.rereadButton.commandId) {
    g_rereadRequest = true;
    s.rereadButton.disable();
    s.DESTINATION.disable();
    return true;
  }
  if (id == s.flushStaticButton.commandId) {
    gf_setStatus("All static parked aircraft will be removed ...", false);
    g_removeAllStaticRequest = true;
    s.flushStaticButton.disable();
    return true;
  }
  if (id == s.tbloZipButton.commandId) return lf_openTbloZipFolder();
  if (id == s.nowButton.commandId) {
    lf_nowClicked();
    return true;
  }
  return false;
}

bool lf_checkboxCommand(platform::WParam wParam) {
  const platform::ControlId id = platform::gf_loWord(wParam);
  CheckboxSetting* setting = lf_checkboxById(id);
  if (setting == nullptr) return false;
  // The boxes do not toggle themselves: the program sets the check.
  const bool on = !platform::gf_controls().isChecked(id);
  platform::gf_controls().setCheck(id, on);
  setting->value = on;
  gf_saveBoolParameter(*setting);
  lf_checkboxChanged(*setting, on);
  return true;
}

std::optional<ComboChoice> lf_comboSelection(platform::ControlId id, platform::WParam wParam) {
  if (platform::gf_loWord(wParam) != id || platform::gf_hiWord(wParam) != platform::CBN_SELCHANGE) return std::nullopt;
  const platform::Controls& controls = platform::gf_controls();
  if (!controls.exists(id)) return std::nullopt;
  const int index = controls.selectedIndex(id);
  if (index < 0) return std::nullopt;
  // Read whole, whatever its length: callsign items come from the network.
  auto text = controls.itemText(id, index);
  if (!text) return std::nullopt;
  return ComboChoice{index, std::move(*text)};
}

bool lf_comboCommand(platform::WParam wParam) {
  SettingsState& s = g_settings;
  if (auto choice = lf_comboSelection(s.CALLSIGN_2_OBJECTID.commandId, wParam)) {
    lf_callsignChosen(choice->text);
    return true;
  }
  for (ComboSetting* setting : {&s.MATCHING_DEPTH, &s.MAX_PARK_SEL, &s.MAX_LIVE_SEL, &s.parking_percentage, &s.RANGE,
                                &s.AIRP_RANGE, &s.AR_ABOVE_HEIGHT, &s.AIRP_HEIGHT}) {
    if (auto choice = lf_comboSelection(setting->commandId, wParam)) {
      lf_numericChosen(*setting, choice->index);
      return true;
    }
  }
  if (auto choice = lf_comboSelection(s.MAX_FIT_FL.commandId, wParam)) {
    lf_maxFitChosen(choice->index);
    return true;
  }
  return false;
}

bool gf_requestStaticParkingNow() {
  gf_lockParkControls();
  const std::int32_t tick = g_workTick;
  const std::int32_t seconds = 15 * (tick / 15 + 1) - tick;
  if (seconds > 0)
    gf_setStatus(fmt::format("{} will update static parking in {} second{} ...", g_programName, seconds,
                             gf_plural(seconds)),
                 false);
  return g_parkNowRequest.exchange(true);
}

}  // namespace vexo
