// A main window on the headless backend, with the per-user folder in a temporary folder
// and every shared state the window touches back at its start values.
#pragma once

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "platform/headless_window.h"
#include "test_support.h"

namespace vexo::test {

// Every setting the window touches back at its default.
inline void resetSettings(SettingsState& s) {
  for (BoolSetting* b : s.boolSettings) b->value = b->defaultValue;
  for (CheckboxSetting* b : s.checkboxSettings) b->value = b->defaultValue;
  for (NumericSetting* n : s.numericSettings) n->value = n->defaultValue;
  for (ComboSetting* c : s.comboSettings) c->value = c->defaultValue;
  for (StringSetting* t : s.stringSettings) t->setValue(t->defaultValue());
  for (EditSetting* e : s.editSettings) e->setValue(e->defaultValue());
  s.parking_percentage.value = s.parking_percentage.defaultValue;
  s.MAX_FIT_FL.value = s.MAX_FIT_FL.defaultValue;
  s.ALL_INSTALL_PATH.setValue("");
  s.CALLSIGN_2_OBJECTID.setValue("");
  gf_setRange(s.RANGE.defaultValue);
}

inline void resetRunAndWindowState() {
  g_closing = false;
  g_windowClosed = false;
  g_exitReason = ExitReason::notYetSet;
  g_restartDelay = 0;
  gf_clearWindowRequests();
  g_forgetLiveriesRequest = false;
  g_parkBusy = false;
  g_nowAllowed = false;
  g_rtNotConnectedYet = true;
  g_workTick = 0;
  g_statusLine.reset();
  g_mainWindowState.resetShown();
  g_mainWindowState.minutesToRenewal = 20;
}

class WindowFixture : public ::testing::Test {
protected:
  TempDir appData;
  std::unique_ptr<platform::HeadlessWindowSystem> system;
  platform::HeadlessWindow* window = nullptr;
  bool runActive = true;
  int exitCode = 0;

  void SetUp() override {
    ::setenv("VDRK_APPDATA", appData.path().c_str(), 1);
    gf_resetUserPaths();
    std::filesystem::create_directories(gf_appFolder());
    resetSettings(g_settings);
    resetRunAndWindowState();
    system = std::make_unique<platform::HeadlessWindowSystem>();
    gf_setMainWindowHooks({.startUp = {},
                           .runActive = [this] { return runActive; },
                           .closeRealTraffic = {},
                           .exitCode = [this] { return exitCode; },
                           .openExplorerAt = {}});
  }

  void TearDown() override {
    system.reset();
    gf_setMainWindowHooks({});
    resetSettings(g_settings);
    resetRunAndWindowState();
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }

  // Creates the window; the test's parameters.xml, if any, must be written before.
  void open() {
    ASSERT_TRUE(initInstance(*system, "Vendrake_P3D"));
    window = system->window();
    ASSERT_NE(window, nullptr);
  }

  // A setting's value as stored in parameters.xml; empty when it is not there.
  std::optional<std::string> stored(const std::string& key) const {
    pugi::xml_document doc;
    if (!doc.load_file(gf_parametersPath().c_str())) return std::nullopt;
    return gf_readStringParameter(doc, key);
  }

  std::string statusText() const { return g_statusLine.texts().status; }
};

}  // namespace vexo::test
