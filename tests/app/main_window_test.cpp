#include "app/main_window.h"

#include <gtest/gtest.h>

#include <thread>

#include "window_fixture.h"

using namespace vexo;
using platform::ControlKind;
using platform::Rect;

namespace {

class MainWindow : public test::WindowFixture {};

}  // namespace

TEST_F(MainWindow, CreationMakesEveryControlInOrderWithTheTablesGeometryAndState) {
  open();
  const auto& controls = window->createdControls();
  ASSERT_EQ(controls.size(), 39U);
  EXPECT_EQ(controls.front().id, 32788);
  EXPECT_EQ(controls.back().id, 32857);
  EXPECT_EQ(system->title(), "Vendrake_P3D");

  // Edit: at (x, row), 16 high, disabled, with its own key handler.
  const auto* path = window->spec(32788);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->kind, ControlKind::edit);
  EXPECT_EQ(path->bounds, (Rect{111, 119, 1311, 135}));
  EXPECT_TRUE(static_cast<bool>(path->proc));
  EXPECT_FALSE(window->isEnabled(32788));
  // Check box: 12 x 12 at row + 2, checked as its setting, enabled.
  const auto* scan = window->spec(32798);
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(scan->kind, ControlKind::checkBox);
  EXPECT_EQ(scan->bounds, (Rect{5, 149, 17, 161}));
  EXPECT_TRUE(window->isChecked(32798));   // SCAN_LIVERIES defaults on
  EXPECT_FALSE(window->isChecked(32771));  // ALWAYS_ON_TOP defaults off
  EXPECT_TRUE(window->isEnabled(32771));
  // Push button: its label, 20 high at the row, disabled.
  const auto* tblo = window->spec(32804);
  ASSERT_NE(tblo, nullptr);
  EXPECT_EQ(tblo->label, "tblo.zip");
  EXPECT_EQ(tblo->bounds, (Rect{217, 175, 297, 195}));
  EXPECT_FALSE(window->isEnabled(32804));
  // Combo box: at row - 5, the height is the open list's; enabled.
  const auto* depth = window->spec(32808);
  ASSERT_NE(depth, nullptr);
  EXPECT_EQ(depth->kind, ControlKind::comboBox);
  EXPECT_EQ(depth->bounds, (Rect{217, 198, 257, 318}));
  EXPECT_TRUE(window->isEnabled(32808));
  EXPECT_EQ(window->spec(32831)->bounds, (Rect{375, 254, 475, 554}));
  EXPECT_EQ(window->spec(32857)->bounds, (Rect{758, 369, 848, 389}));

  int checkBoxes = 0, buttons = 0, edits = 0, combos = 0;
  for (const auto& c : controls) {
    checkBoxes += c.kind == ControlKind::checkBox;
    buttons += c.kind == ControlKind::pushButton;
    edits += c.kind == ControlKind::edit;
    combos += c.kind == ControlKind::comboBox;
  }
  EXPECT_EQ(checkBoxes, 19);
  EXPECT_EQ(buttons, 7);
  EXPECT_EQ(edits, 3);
  EXPECT_EQ(combos, 10);
  EXPECT_TRUE(window->invalidated(g_controlsRect));
}

TEST_F(MainWindow, SimpleMessagesAnswerAsTheWindowSystemExpects) {
  open();
  EXPECT_EQ(window->send(platform::WM_ERASEBKGND), 1);
  EXPECT_EQ(platform::gf_resultColour(window->send(platform::WM_CTLCOLOREDIT, 32828)), g_lightBlue);
  EXPECT_EQ(platform::gf_resultColour(window->send(platform::WM_CTLCOLORSTATIC, 32771)), g_lightBlue);
  window->clearInvalidations();
  gf_setStatus("hello", false);  // posts the repaint of the status band
  system->pump();
  ASSERT_EQ(window->invalidations().size(), 1U);
  EXPECT_EQ(window->invalidations()[0], std::make_pair(g_statusRect, false));
}

TEST_F(MainWindow, StartUpMessageRunsTheStartUpHook) {
  int startUps = 0;
  MainWindowHooks hooks;
  hooks.startUp = [&] { ++startUps; };
  gf_setMainWindowHooks(hooks);
  platform::gf_postMainWindowMessage(WM_APP_START_UP);  // posted before the window exists
  open();
  system->pump();
  EXPECT_EQ(startUps, 1);
}

TEST_F(MainWindow, TopmostIsPostedToTheWindowsOwnThread) {
  open();
  std::thread other([] { gf_setMainWindowTopmost(true); });
  other.join();
  EXPECT_FALSE(window->topmost());
  system->pump();
  EXPECT_TRUE(window->topmost());
  gf_setMainWindowTopmost(false);
  system->pump();
  EXPECT_FALSE(window->topmost());
}

TEST_F(MainWindow, InvalidationsPostedFromAnotherThreadReachTheWindow) {
  open();
  window->clearInvalidations();
  std::thread other([] {
    g_mainWindowState.liveShown = 12;
    gf_invalidateMainWindow(g_stateRect, true);
    gf_invalidateMainWindow(g_parkRect, false);
  });
  other.join();
  system->pump();
  ASSERT_EQ(window->invalidations().size(), 2U);
  EXPECT_EQ(window->invalidations()[0], std::make_pair(g_stateRect, true));
  EXPECT_EQ(window->invalidations()[1], std::make_pair(g_parkRect, false));
  EXPECT_EQ(gf_unpackRect(gf_packRect(Rect{-30, 0, 881, 477})), (Rect{-30, 0, 881, 477}));
}

TEST_F(MainWindow, CloseBoxEndsTheRunThroughClosingDown) {
  open();
  window->send(platform::WM_CLOSE);
  EXPECT_TRUE(g_windowClosed);
  EXPECT_TRUE(g_closing);
  EXPECT_EQ(g_exitReason.load(), ExitReason::userClosedSim);
  EXPECT_EQ(statusText(), "Close window button clicked, closing Vendrake_P3D ...");
  // A run is active: its closing down posts the quit, the window does not quit by itself.
  system->pump();
  EXPECT_FALSE(window->quitCode().has_value());
}

TEST_F(MainWindow, CloseBoxKeepsAReasonAlreadySet) {
  open();
  gf_requestClosing(ExitReason::newSettings, 2);
  window->send(platform::WM_CLOSE);
  window->send(platform::WM_CLOSE);
  EXPECT_EQ(g_exitReason.load(), ExitReason::newSettings);
  EXPECT_EQ(g_restartDelay.load(), 2);
}

// Without a run that will close down (it ended, for instance because its closing down
// failed) the close box still ends the program.
TEST_F(MainWindow, CloseBoxQuitsByItselfWhenNoRunWillCloseDown) {
  open();
  runActive = false;
  exitCode = 1;
  window->setPlacement({Rect{120, 80, 1000, 596}, Rect{120, 80, 1000, 596}, false, false});
  window->send(platform::WM_CLOSE);
  system->pump();
  ASSERT_TRUE(window->quitCode().has_value());
  EXPECT_EQ(*window->quitCode(), 1);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "120");
  EXPECT_EQ(stored("MAIN_WINDOW_Y"), "80");
}

TEST_F(MainWindow, SaveAndQuitStoresTheNormalPositionOfAMinimisedWindow) {
  open();
  window->setPlacement({Rect{-32000, -32000, -31840, -31970}, Rect{300, 200, 1180, 716}, true, false});
  platform::gf_postMainWindowMessage(WM_APP_SAVE_AND_QUIT);
  system->pump();
  EXPECT_EQ(window->quitCode(), 0);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "300");
  EXPECT_EQ(stored("MAIN_WINDOW_Y"), "200");
}

TEST_F(MainWindow, AStoredPositionAtABoundIsTakenAsClampedAndFallsBack) {
  test::writeFile(gf_parametersPath(),
                  "<?xml version=\"1.0\"?><root><parameters><parameter name=\"MAIN_WINDOW_X\" value=\"30000\"/>"
                  "<parameter name=\"MAIN_WINDOW_Y\" value=\"10\"/></parameters></root>");
  open();
  EXPECT_EQ(g_settings.MAIN_WINDOW_X.value.load(), 400);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "400");
  // A y above 48 is kept: the window's own size is measured, not an empty rectangle.
  EXPECT_EQ(g_settings.MAIN_WINDOW_Y.value.load(), 10);
  EXPECT_EQ(window->windowRect(), (Rect{400, 10, 1280, 526}));
}

TEST_F(MainWindow, APositionOnAMonitorThatIsGoneMovesToTheNearestOne) {
  system->setMonitors({Rect{0, 0, 1920, 1040}, Rect{1920, 0, 3840, 1040}});
  test::writeFile(gf_parametersPath(),
                  "<?xml version=\"1.0\"?><root><parameters><parameter name=\"MAIN_WINDOW_X\" value=\"5000\"/>"
                  "<parameter name=\"MAIN_WINDOW_Y\" value=\"-900\"/></parameters></root>");
  open();
  // 48 pixels stay inside the right monitor's work area, horizontally and vertically.
  EXPECT_EQ(g_settings.MAIN_WINDOW_X.value.load(), 3840 - 48);
  EXPECT_EQ(g_settings.MAIN_WINDOW_Y.value.load(), 48 - 516);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "3792");
  EXPECT_EQ(window->windowRect().left, 3792);
}

TEST_F(MainWindow, AParametersFileThatDoesNotParseIsKeptAndRemoved) {
  test::writeFile(gf_parametersPath(), "<root><parameters><parameter name=");
  test::LogCapture log;
  open();
  EXPECT_FALSE(std::filesystem::exists(gf_parametersPath()));
  EXPECT_TRUE(std::filesystem::exists(gf_appFolder() / "parameters0.xml"));
  EXPECT_TRUE(log.contains("failed to load ("));
  EXPECT_EQ(window->windowRect(), (Rect{400, 20, 1280, 536}));
}

TEST_F(MainWindow, CreationFailureIsReported) {
  system->failCreation();
  EXPECT_FALSE(initInstance(*system, "Vendrake_P3D"));
}

TEST_F(MainWindow, ParkControlsLockAndUnlock) {
  open();
  SettingsState& s = g_settings;
  for (auto id : {s.MAX_PARK_SEL.commandId, s.nowButton.commandId, s.rereadButton.commandId,
                  s.flushStaticButton.commandId})
    window->setEnabled(id, true);
  gf_lockParkControls();
  EXPECT_TRUE(g_parkBusy);
  EXPECT_FALSE(window->isEnabled(s.MAX_PARK_SEL.commandId));
  EXPECT_FALSE(window->isEnabled(s.nowButton.commandId));
  EXPECT_FALSE(window->isEnabled(s.rereadButton.commandId));
  EXPECT_FALSE(window->isEnabled(s.flushStaticButton.commandId));
  g_mainWindowState.minutesToRenewal = 3;
  gf_unlockParkControls();
  EXPECT_FALSE(g_parkBusy);
  EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 20);
  EXPECT_TRUE(window->isEnabled(s.MAX_FIT_FL.commandId));
  EXPECT_TRUE(window->isEnabled(s.nowButton.commandId));
  EXPECT_TRUE(window->isEnabled(s.rereadButton.commandId));
  // With INITIAL_LOAD_ONLY on, "Now" stays as it was.
  s.INITIAL_LOAD_ONLY.value = true;
  gf_lockParkControls();
  EXPECT_TRUE(window->isEnabled(s.nowButton.commandId));
}

TEST_F(MainWindow, TextOfAMissingControlIsEmptyAndLogged) {
  open();
  test::LogCapture log;
  EXPECT_EQ(lf_getTextFromId(40000), "");
  EXPECT_TRUE(log.contains("GetDlgItem failed for ID 40000"));
  window->type(32828, std::string("AB\xC3", 3));  // cut-off UTF-8
  EXPECT_EQ(lf_getTextFromId(32828), "");
  EXPECT_TRUE(log.contains("UTF-16 UTF-8 failed for id 32828"));
}
