// What each control of the main window does (WM_COMMAND, and Enter in the edit fields).
// All of it runs on the UI thread; work on the tick thread's tables is handed over as
// requests (app/window_requests.h).
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/geodesy.h"
#include "foundation/setting.h"
#include "platform/window.h"

namespace vexo {

// Dispatches a WM_COMMAND: buttons, then check boxes, then drop-down lists. True when
// one of them handled it; exceptions are logged and count as not handled.
bool lf_HandleWMCOMMAND(platform::WParam wParam);
bool lf_buttonCommand(platform::WParam wParam);
bool lf_checkboxCommand(platform::WParam wParam);
bool lf_comboCommand(platform::WParam wParam);
// A command that failed: logged as a warning naming its handler, and the controls band
// repainted; the window procedure goes on.
void lf_commandFailed(std::string_view handler, const std::exception& e);

// The item chosen in a drop-down list, when wParam reports a new choice in that list.
struct ComboChoice {
  int index = -1;
  std::string text;
};
std::optional<ComboChoice> lf_comboSelection(platform::ControlId id, platform::WParam wParam);

// The key handler of an edit field: Enter clears the status line and runs the field's
// command; true when it took the message. A failing command is reported as any other
// command's (lf_commandFailed).
bool lf_editSubclassProc(const EditSetting& setting, std::uint32_t message, platform::WParam wParam,
                         platform::LParam lParam);

void lf_installPathEntered(const std::string& text);
void lf_blockCallsignEntered();
void lf_destinationEntered();
void lf_unblockCallsign();
void lf_blockSelectedCallsign(const std::string& callsign);
// Also used by the start-up for a stored destination.
void lf_setDestination(const std::string& icao, LatLon position);
// Outcomes of a destination typed in: 0 emptied, 1 not valid, 2 already set, 3 unknown.
void lf_destinationMessage(int outcome, const std::string& text);

// Locks the park controls, announces the next 15-work-tick step and sets the park-now
// request; returns the request's previous state. UI thread and tick thread.
bool gf_requestStaticParkingNow();

// AUTO_RANGE changed (or a learned airport file was read): with it on, the range is
// computed on the tick thread's next work tick; with it off, the manual range returns.
void gf_applyAutoRange();
// Sets RANGE from the user aircraft's height and distance to the park airport. Tick thread.
void lf_computeAutoRange();
// The range in nm for an aircraft on the ground or at an altitude in feet, with the park
// airport at distanceNm (none: no park airport).
std::int32_t gf_autoRangeNm(bool onGround, double altitudeFt, std::optional<double> distanceNm,
                            std::int32_t arAboveHeight, std::int32_t airpHeight);

// A command that needs a new start: NEW SETTINGS after delay seconds, unless the run ends
// for another reason already.
void lf_restartForNewSettings(std::int32_t delaySeconds);

}  // namespace vexo
