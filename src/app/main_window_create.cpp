// Creating the main window at its stored position and keeping it on a monitor.
#include <fmt/format.h>

#include <chrono>
#include <filesystem>
#include <pugixml.hpp>
#include <system_error>
#include <thread>

#include "app/main_window.h"
#include "foundation/main_window_state.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/parameter_xml.h"
#include "foundation/parameters.h"
#include "foundation/paths.h"
#include "foundation/settings.h"

namespace vexo {

namespace {

MainWindowHooks g_hooks;  // set on the UI thread before the window exists, read there

bool lf_waitForState() {
  for (int polls = 0; polls <= 20; ++polls) {
    if (g_mainWindowState.initialised) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return g_mainWindowState.initialised;
}

void lf_setPosition(NumericSetting& setting, std::int32_t value) {
  setting.value = setting.clamp(value);
  gf_saveIntParameter(setting);
}

// The stored position, read before the settings are loaded: the window appears where the
// user left it. A file that does not parse is kept as parameters0.xml and removed; the
// settings loader then writes a new one.
void lf_readStoredPosition() {
  SettingsState& s = g_settings;
  const std::filesystem::path path = gf_parametersPath();
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return;
  pugi::xml_document document;
  const pugi::xml_parse_result result = document.load_file(path.c_str());
  if (!result) {
    gf_logWarning(fmt::format("{} failed to load ({}). Saved as 0.xml and removed.", gf_pathToUtf8(path),
                              result.description()));
    gf_save1GenerationOf(path);
    std::filesystem::remove(path, error);
    return;
  }
  for (NumericSetting* setting : {&s.MAIN_WINDOW_X, &s.MAIN_WINDOW_Y}) {
    const auto value = gf_readIntParameter(document, setting->key);
    setting->value = value ? setting->clamp(*value) : setting->defaultValue;
  }
  lf_keepOnMonitor(400, 20);
}

}  // namespace

void gf_setMainWindowHooks(MainWindowHooks hooks) { g_hooks = std::move(hooks); }
const MainWindowHooks& gf_mainWindowHooks() { return g_hooks; }

void lf_keepOnMonitor(int fallbackX, int fallbackY) {
  platform::WindowSystem* system = platform::gf_windowSystem();
  NumericSetting& x = g_settings.MAIN_WINDOW_X;
  NumericSetting& y = g_settings.MAIN_WINDOW_Y;
  // A value at a bound was clamped: it says nothing about where the window was.
  if (x.value == x.lo || x.value == x.hi) lf_setPosition(x, fallbackX);
  if (y.value == y.lo || y.value == y.hi) lf_setPosition(y, fallbackY);
  if (system == nullptr) return;

  // The window's fixed size, also before it exists.
  const int left0 = x.value;
  const int top0 = y.value;
  platform::Rect r{left0, top0, left0 + g_mainWindowWidth, top0 + g_mainWindowHeight};
  const platform::Rect work = system->workAreaNearest(r);
  auto moveTo = [&r](int left, int top) { r = {left, top, left + r.width(), top + r.height()}; };
  if (r.width() > work.width()) moveTo(work.left, r.top);
  if (r.height() > work.height()) moveTo(r.left, work.top);
  constexpr int kVisible = 48;  // pixels of the window that stay inside the work area
  if (r.right < work.left + kVisible) moveTo(work.left + kVisible - r.width(), r.top);
  moveTo(std::min(r.left, work.right - kVisible), r.top);
  if (r.bottom < work.top + kVisible) moveTo(r.left, work.top + kVisible - r.height());
  moveTo(r.left, std::min(r.top, work.bottom - kVisible));
  if (r.left == left0 && r.top == top0) return;
  lf_setPosition(x, r.left);
  lf_setPosition(y, r.top);
  if (platform::Window* window = platform::gf_mainWindow()) window->move({x.value, y.value});
}

bool initInstance(platform::WindowSystem& system, std::string_view windowName) {
  if (!lf_waitForState()) return false;
  platform::gf_setWindowSystem(&system);
  lf_readStoredPosition();
  const int left = g_settings.MAIN_WINDOW_X.value;
  const int top = g_settings.MAIN_WINDOW_Y.value;
  const platform::Rect bounds{left, top, left + g_mainWindowWidth, top + g_mainWindowHeight};
  return system.createMainWindow(windowName, bounds, lf_wndProc) != nullptr;
}

}  // namespace vexo
