// Enter in the three edit fields: the install path, the blocked callsign, the destination.
#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/main_window.h"
#include "app/main_window_commands.h"
#include "foundation/main_window_state.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "refdata/airports_db.h"

namespace vexo {

namespace {

// Characters, not bytes: a multi-byte UTF-8 character counts once.
std::size_t lf_characterCount(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool lf_isCodeCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The airport with this ICAO code, the first in table order.
const AirportData* lf_findAirport(std::string_view icao) {
  const IcaoCode code(icao);
  const auto& airports = g_airportsDb.airports;
  auto it = std::find_if(airports.begin(), airports.end(), [&](const AirportData& a) { return a.icao == code; });
  return it == airports.end() ? nullptr : &*it;
}

// Stores and shows the blocked callsign, switches "Unblock" to match and has the tick
// thread apply it to the live aircraft on its next tick.
void lf_setBlockedCallsign(const std::string& callsign) {
  SettingsState& s = g_settings;
  s.BLOCK_CALLSIGN.setAndSave(callsign);
  s.BLOCK_CALLSIGN.updateControl();
  s.unblockButton.setEnabled(!callsign.empty());
  g_blockChangedRequest = true;
}

}  // namespace

bool lf_editSubclassProc(const EditSetting& setting, std::uint32_t message, platform::WParam wParam,
                         platform::LParam /*lParam*/) {
  if (message != platform::WM_CHAR || wParam != 13) return false;
  try {
    gf_clearStatus();
    const SettingsState& s = g_settings;
    if (setting.key == s.BLOCK_CALLSIGN.key)
      lf_blockCallsignEntered();
    else if (setting.key == s.DESTINATION.key)
      lf_destinationEntered();
    else if (setting.key == s.ALL_INSTALL_PATH.key)
      lf_installPathEntered(lf_getTextFromId(s.ALL_INSTALL_PATH.commandId));
  } catch (const std::exception& e) {
    lf_commandFailed("lf_editSubclassProc", e);
  }
  return true;
}

void lf_installPathEntered(const std::string& text) {
  SettingsState& s = g_settings;
  gf_clearStatusError();
  if (text.empty()) {
    if (!s.SIM_INSTALL_PATH.valueEquals("")) s.SIM_INSTALL_PATH.setAndSave("");
    return;
  }
  std::error_code error;
  const auto status = std::filesystem::status(std::filesystem::path(text), error);
  if (status.type() == std::filesystem::file_type::not_found) {
    gf_setStatus(fmt::format("This install path does not exist: {}", text), true);
  } else if (error) {
    gf_setStatus(fmt::format("Cannot access install path '{}': {}", text, error.message()), true);
  } else if (status.type() != std::filesystem::file_type::directory) {
    // An install path is the simulator's folder; a plain file would only fail later.
    gf_setStatus(fmt::format("This install path is not a folder: {}", text), true);
  } else {
    s.SIM_INSTALL_PATH.setAndSave(text);
    gf_setStatus(fmt::format("Install path exists, {} will restart", g_programName), true);
    lf_restartForNewSettings(3);
  }
}

void lf_unblockCallsign() {
  const std::string blocked = g_settings.BLOCK_CALLSIGN.value();
  if (blocked.empty()) return;
  lf_setBlockedCallsign("");
  gf_setStatus(fmt::format("no more blocking of live aircraft '{}'", blocked), true);
}

void lf_blockSelectedCallsign(const std::string& callsign) {
  if (callsign.empty()) return;  // nothing chosen: nothing to block
  lf_setBlockedCallsign(callsign);
}

void lf_blockCallsignEntered() {
  SettingsState& s = g_settings;
  gf_clearStatus();
  std::string text = lf_getTextFromId(s.BLOCK_CALLSIGN.commandId);
  if (text.empty()) {
    if (!s.BLOCK_CALLSIGN.valueEquals("")) lf_unblockCallsign();
    return;
  }
  const std::size_t length = lf_characterCount(text);
  if (length < 4 || length > 8) {
    gf_setStatus(fmt::format("callsign '{}' is not valid", text), true);
    s.BLOCK_CALLSIGN.updateControl();
    return;
  }
  gf_toUpperInPlace(text);
  if (s.BLOCK_CALLSIGN.valueEquals(text)) {
    gf_setStatus(fmt::format("callsign '{}' was already set ...", text), true);
    s.BLOCK_CALLSIGN.updateControl();
    return;
  }
  // The list belongs to the tick thread, which empties it on its next tick.
  if (s.CALLSIGN_2_OBJECTID.valueEquals(text)) g_resetCallsignListRequest = true;
  lf_setBlockedCallsign(text);
}

void lf_destinationMessage(int outcome, const std::string& text) {
  SettingsState& s = g_settings;
  switch (outcome) {
    case 0:
      s.rereadButton.enable();
      gf_setStatus("destination set to empty", true);
      return;
    case 1:
      gf_setStatus(fmt::format("destination '{}' is not valid", text), true);
      break;
    case 2:
      gf_setStatus(fmt::format("destination '{}' was already set ...", text), true);
      break;
    default:
      gf_setStatus(fmt::format("destination '{}' is unknown ...", text), true);
      break;
  }
  s.DESTINATION.updateControl();
}

void lf_destinationEntered() {
  SettingsState& s = g_settings;
  gf_clearStatus();
  std::string text = lf_getTextFromId(s.DESTINATION.commandId);
  if (text.empty()) {
    s.DESTINATION.setValue("");
    lf_destinationMessage(0, text);
    return;
  }
  if (text.size() != 4) {
    lf_destinationMessage(1, text);
    return;
  }
  gf_toUpperInPlace(text);
  if (s.DESTINATION.valueEquals(text)) {
    lf_destinationMessage(2, text);
    return;
  }
  if (!std::all_of(text.begin(), text.end(), lf_isCodeCharacter)) {
    lf_destinationMessage(1, text);
    return;
  }
  if (const AirportData* airport = lf_findAirport(text))
    lf_setDestination(text, airport->latLon());
  else
    lf_destinationMessage(3, text);
}

void lf_setDestination(const std::string& icao, LatLon position) {
  SettingsState& s = g_settings;
  s.DESTINATION.setAndSave(icao);
  s.DESTINATION.updateControl();
  gf_setStatus(fmt::format("New destination: {}", icao), true);
  // The park-airport list belongs to the tick thread: it takes the airport on its next tick.
  gf_requestParkAirport({icao, position.lat, position.lon});
  s.rereadButton.disable();
}

}  // namespace vexo
