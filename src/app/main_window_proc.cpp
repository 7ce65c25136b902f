#include <fmt/format.h>

#include <exception>
#include <initializer_list>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_commands.h"
#include "app/main_window_paint.h"
#include "app/window_message_boxes.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/parameters.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/time_text.h"

namespace vexo {

using platform::ControlKind;
using platform::LParam;
using platform::LResult;
using platform::WParam;

namespace {

struct ControlRow {
  ControlKind kind;
  const SettingControl* setting;
  int x;
  int width;   // check boxes: unused
  int height;  // combo boxes: height of the open list
};

// The controls in creation order, with their x positions and sizes; the row (y) is the
// setting's own.
std::vector<ControlRow> lf_controlRows() {
  SettingsState& s = g_settings;
  using K = ControlKind;
  return {
      {K::edit, &s.ALL_INSTALL_PATH, 111, 1200, 16},
      {K::checkBox, &s.SCAN_LIVERIES, 5, 12, 12},
      {K::checkBox, &s.LIG_PRIORITIZE, 536, 12, 12},
      {K::checkBox, &s.ALWAYS_ON_TOP, 748, 12, 12},
      {K::checkBox, &s.SCAN_AIRPORTS, 5, 12, 12},
      {K::pushButton, &s.tbloZipButton, 217, 80, 20},
      {K::checkBox, &s.NAV_LIGHTS_WHILE_PARKED, 748, 12, 12},
      {K::comboBox, &s.MATCHING_DEPTH, 217, 40, 120},
      {K::checkBox, &s.LIGHT_AIRCRAFT, 323, 12, 12},
      {K::checkBox, &s.HELICOPTERS, 430, 12, 12},
      {K::checkBox, &s.HIGH_PERF_AIRCRAFT, 536, 12, 12},
      {K::checkBox, &s.AEROWINX, 652, 12, 12},
      {K::checkBox, &s.GUID_CHANGES, 748, 12, 12},
      {K::comboBox, &s.RANGE, 217, 50, 200},
      {K::checkBox, &s.AUTO_RANGE, 323, 12, 12},
      {K::comboBox, &s.AR_ABOVE_HEIGHT, 455, 70, 230},
      {K::checkBox, &s.AIRBORNE_ONLY, 572, 12, 12},
      {K::checkBox, &s.COLLISION_USER_GND, 217, 12, 12},
      {K::checkBox, &s.COLLISION_USER_AIR, 323, 12, 12},
      {K::checkBox, &s.COLLISION_LIVE_PARKED_GND, 430, 12, 12},
      {K::edit, &s.BLOCK_CALLSIGN, 107, 100, 16},
      {K::pushButton, &s.unblockButton, 223, 60, 20},
      {K::pushButton, &s.csToOidButton, 305, 60, 20},
      {K::comboBox, &s.CALLSIGN_2_OBJECTID, 375, 100, 300},
      {K::pushButton, &s.blockButton, 576, 60, 20},
      {K::pushButton, &s.nowButton, 111, 45, 20},
      {K::comboBox, &s.MAX_PARK_SEL, 323, 55, 144},
      {K::comboBox, &s.MAX_LIVE_SEL, 536, 55, 144},
      {K::edit, &s.DESTINATION, 217, 50, 16},
      {K::comboBox, &s.AIRP_RANGE, 353, 45, 144},
      {K::comboBox, &s.AIRP_HEIGHT, 566, 70, 230},
      {K::checkBox, &s.STRAIGHT_PBS_ONLY, 652, 12, 12},
      {K::checkBox, &s.INITIAL_LOAD_ONLY, 5, 12, 12},
      {K::checkBox, &s.WEEK, 71, 12, 12},
      {K::checkBox, &s.PARK_SOFT, 151, 12, 12},
      {K::comboBox, &s.parking_percentage, 323, 50, 200},
      {K::comboBox, &s.MAX_FIT_FL, 566, 60, 300},
      {K::pushButton, &s.rereadButton, 758, 90, 20},
      {K::pushButton, &s.flushStaticButton, 758, 90, 20},
  };
}

using ControlList = std::initializer_list<const SettingControl*>;

platform::Window* lf_window() { return platform::gf_mainWindow(); }

void lf_createCheckbox(platform::Window& window, const CheckboxSetting& setting, int x) {
  const int y = static_cast<int>(setting.y) + 2;
  window.createControl({ControlKind::checkBox, setting.commandId, {x, y, x + 12, y + 12}, {}, {}});
  window.setCheck(setting.commandId, setting.value);
  window.setEnabled(setting.commandId, true);
}

void lf_createButton(platform::Window& window, const CommandButton& button, int x, int width) {
  const int y = static_cast<int>(button.y);
  window.createControl({ControlKind::pushButton, button.commandId, {x, y, x + width, y + 20}, button.key, {}});
  window.setEnabled(button.commandId, false);
}

void lf_createEdit(platform::Window& window, const EditSetting& setting, int x, int width) {
  const int y = static_cast<int>(setting.y);
  // The edit's own key handler, as a subclassed edit procedure would be.
  platform::ControlProc proc = [&setting](std::uint32_t message, WParam wParam, LParam lParam) {
    return lf_editSubclassProc(setting, message, wParam, lParam);
  };
  window.createControl({ControlKind::edit, setting.commandId, {x, y, x + width, y + 16}, {}, std::move(proc)});
  window.setEnabled(setting.commandId, false);
}

void lf_createCombo(platform::Window& window, const SettingControl& setting, int x, int width, int listHeight) {
  const int y = static_cast<int>(setting.y) - 5;
  window.createControl({ControlKind::comboBox, setting.commandId, {x, y, x + width, y + listHeight}, {}, {}});
  window.setEnabled(setting.commandId, true);
}

// The user clicked the close box: the run ends through closing down, which posts
// WM_APP_SAVE_AND_QUIT. When no run is there to do that (the start-up thread has ended,
// for instance because its closing down failed), the window quits by itself, so the
// close box always works.
void lf_closeClicked() {
  gf_setStatus(fmt::format("Close window button clicked, closing {} ...", g_programName), false);
  // The reason first: the tick thread closes down as soon as it sees either flag, and
  // logs the reason it finds then.
  gf_requestClosing(ExitReason::userClosedSim);
  g_windowClosed = true;
  const MainWindowHooks& hooks = gf_mainWindowHooks();
  if (hooks.closeRealTraffic) hooks.closeRealTraffic();
  const bool runWillCloseDown = hooks.runActive && hooks.runActive();
  if (!runWillCloseDown) platform::gf_postMainWindowMessage(WM_APP_SAVE_AND_QUIT);
}

void lf_saveAndQuit(platform::Window& window) {
  int left = 0;
  int top = 0;
  const auto placement = window.placement();
  if (placement && (placement->minimised || placement->maximised)) {
    left = placement->normal.left;
    top = placement->normal.top;
  } else {
    const platform::Rect r = window.windowRect();
    left = r.left;
    top = r.top;
  }
  NumericSetting& x = g_settings.MAIN_WINDOW_X;
  NumericSetting& y = g_settings.MAIN_WINDOW_Y;
  const std::int32_t previousX = x.value;
  const std::int32_t previousY = y.value;
  x.value = x.clamp(left);
  gf_saveIntParameter(x);
  y.value = y.clamp(top);
  gf_saveIntParameter(y);
  lf_keepOnMonitor(previousX, previousY);
  gf_log(gf_utcTimeText(gf_systemTimeNow()));
  const MainWindowHooks& hooks = gf_mainWindowHooks();
  window.postQuit(hooks.exitCode ? hooks.exitCode() : 0);
}

}  // namespace

void lf_createControls() {
  platform::Window* window = lf_window();
  if (window == nullptr) return;
  for (const ControlRow& row : lf_controlRows()) {
    switch (row.kind) {
      case ControlKind::checkBox:
        lf_createCheckbox(*window, dynamic_cast<const CheckboxSetting&>(*row.setting), row.x);
        break;
      case ControlKind::pushButton:
        lf_createButton(*window, dynamic_cast<const CommandButton&>(*row.setting), row.x, row.width);
        break;
      case ControlKind::edit:
        lf_createEdit(*window, dynamic_cast<const EditSetting&>(*row.setting), row.x, row.width);
        break;
      case ControlKind::comboBox:
        lf_createCombo(*window, *row.setting, row.x, row.width, row.height);
        break;
    }
  }
  window->invalidate(g_controlsRect, true);
}

LResult lf_wndProc(std::uint32_t message, WParam wParam, LParam lParam) {
  platform::Window* window = lf_window();
  if (window == nullptr) return 0;
  switch (message) {
    case platform::WM_CREATE:
      lf_createControls();
      return 0;
    case platform::WM_DESTROY:
      window->postQuit(0);
      return 0;
    case platform::WM_PAINT:
      lf_paintMainWindow(window->beginPaint());
      window->endPaint();
      return 0;
    case platform::WM_CLOSE:
      lf_closeClicked();
      return 0;
    case platform::WM_ERASEBKGND:
      return 1;  // the painting is double-buffered and covers every pixel
    case platform::WM_COMMAND:
      lf_HandleWMCOMMAND(wParam);
      return 0;
    case platform::WM_CTLCOLOREDIT:
    case platform::WM_CTLCOLORSTATIC:
      return platform::gf_colourResult(g_lightBlue);
    case WM_APP_START_UP:
      if (const auto& startUp = gf_mainWindowHooks().startUp) startUp();
      return 0;
    case WM_APP_SAVE_AND_QUIT:
      lf_saveAndQuit(*window);
      return 0;
    case WM_APP_REPAINT_STATUS:
      window->invalidate(g_statusRect, false);
      return 0;
    case WM_APP_INVALIDATE:
      window->invalidate(gf_unpackRect(lParam), wParam != 0);
      return 0;
    case WM_APP_SET_TOPMOST:
      window->setTopmost(wParam != 0);
      return 0;
    case WM_APP_MESSAGE_BOX:
      gf_showWaitingMessageBoxes(*window);
      return 0;
    default:
      return 0;
  }
}

std::string lf_getTextFromId(platform::ControlId id) {
  platform::Controls& controls = platform::gf_controls();
  if (!controls.exists(id)) {
    gf_log(fmt::format("GetDlgItem failed for ID {}", id));
    return {};
  }
  std::string text = controls.text(id);
  try {
    (void)utf8_to_wide(text);  // a control's text must be valid UTF-8
  } catch (const std::exception& e) {
    gf_log(fmt::format("lf_getTextFromId | {}: UTF-16 UTF-8 failed for id {}: {}", "lf_getTextFromId", id, e.what()));
    return {};
  }
  // Typed text is saved in parameters.xml, which no other reader takes with a character
  // XML 1.0 cannot hold; an edit line never means one.
  gf_dropNonXmlChars(text);
  return text;
}

void gf_lockParkControls() {
  SettingsState& s = g_settings;
  g_parkBusy = true;
  for (const SettingControl* c : ControlList{&s.parking_percentage, &s.WEEK, &s.PARK_SOFT, &s.MAX_FIT_FL,
                                             &s.MAX_PARK_SEL, &s.MAX_LIVE_SEL, &s.flushStaticButton})
    c->disable();
  if (!s.INITIAL_LOAD_ONLY.value) s.nowButton.disable();
  g_nowAllowed = true;
  s.rereadButton.disable();
  gf_invalidateMainWindow(g_controlsRect, true);
}

void gf_unlockParkControls() {
  SettingsState& s = g_settings;
  g_parkBusy = false;
  g_mainWindowState.minutesToRenewal = 20;
  gf_invalidateMainWindow(g_controlsRect, true);
  for (const SettingControl* c :
       ControlList{&s.MAX_PARK_SEL, &s.MAX_LIVE_SEL, &s.parking_percentage, &s.WEEK, &s.PARK_SOFT, &s.MAX_FIT_FL})
    c->enable();
  if (!s.INITIAL_LOAD_ONLY.value) s.nowButton.enable();
  g_nowAllowed = true;
  s.flushStaticButton.enable();
  s.rereadButton.enable();
  gf_invalidateMainWindow(g_controlsRect, true);
}

}  // namespace vexo
