#include "app/main_window.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "app/closing_down.h"
#include "fake_timer.h"
#include "realtraffic/rt_server.h"
#include "window_fixture.h"

using namespace vexo;
using platform::ControlKind;
using platform::Rect;

namespace {

class MainWindow : public test::WindowFixture {};

std::string parametersWithPosition(int x, int y) {
  return fmt::format("<?xml version=\"1.0\"?><root><parameters><parameter name=\"MAIN_WINDOW_X\" value=\"{}\"/>"
                     "<parameter name=\"MAIN_WINDOW_Y\" value=\"{}\"/></parameters></root>",
                     x, y);
}

}  // namespace

TEST_F(MainWindow, CreationMakesEveryControlWithTheTablesGeometryAndState) {
  open();
  const auto& controls = window->createdControls();
  ASSERT_EQ(controls.size(), 39U);
  EXPECT_EQ(controls.front().id, 32788);
  EXPECT_EQ(controls.back().id, 32857);
  EXPECT_EQ(system->title(), "Vendrake_P3D");
  std::map<ControlKind, int> kinds;
  for (const auto& c : controls) ++kinds[c.kind];
  EXPECT_EQ(kinds[ControlKind::checkBox], 19);
  EXPECT_EQ(kinds[ControlKind::pushButton], 7);
  EXPECT_EQ(kinds[ControlKind::edit], 3);
  EXPECT_EQ(kinds[ControlKind::comboBox], 10);

  // One of each kind, where each kind's geometry rule differs.
  struct Case {
    platform::ControlId id;
    ControlKind kind;
    Rect bounds;
    bool enabled;
    bool checked;
  };
  const Case cases[] = {
      {32788, ControlKind::edit, {111, 119, 1311, 135}, false, false},     // install path, 16 high
      {32798, ControlKind::checkBox, {5, 149, 17, 161}, true, true},       // SCAN_LIVERIES on, row + 2
      {32771, ControlKind::checkBox, {748, 149, 760, 161}, true, false},   // ALWAYS_ON_TOP off
      {32804, ControlKind::pushButton, {217, 175, 297, 195}, false, false},  // tblo.zip, 20 high
      {32808, ControlKind::comboBox, {217, 198, 257, 318}, true, false},   // row - 5, open list's height
      {32831, ControlKind::comboBox, {375, 254, 475, 554}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const auto* spec = window->spec(c.id);
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->kind, c.kind);
    EXPECT_EQ(spec->bounds, c.bounds);
    EXPECT_EQ(window->isEnabled(c.id), c.enabled);
    EXPECT_EQ(window->isChecked(c.id), c.checked);
    EXPECT_EQ(static_cast<bool>(spec->proc), c.kind == ControlKind::edit);
  }
  EXPECT_EQ(window->spec(32804)->label, "tblo.zip");
  EXPECT_TRUE(window->invalidated(g_controlsRect));
}

// Every control of the table, in its order: kind, place and size by the rule of its kind
// (check boxes 12 x 12 at row + 2, buttons 20 and edits 16 high at the row, combo boxes at
// row - 5 with the height of their open list), enabled or not, and a check box checked as
// its setting says.
TEST_F(MainWindow, EveryControlStandsWhereItsTableRowSays) {
  using K = ControlKind;
  struct Row {
    platform::ControlId id;
    K kind;
    int x, row, width, height;
    bool enabled;
    const char* label;
  };
  const Row table[] = {
      {32788, K::edit, 111, 119, 1200, 16, false, ""},
      {32798, K::checkBox, 5, 147, 12, 12, true, ""},
      {32800, K::checkBox, 536, 147, 12, 12, true, ""},
      {32771, K::checkBox, 748, 147, 12, 12, true, ""},
      {32802, K::checkBox, 5, 175, 12, 12, true, ""},
      {32804, K::pushButton, 217, 175, 80, 20, false, "tblo.zip"},
      {32774, K::checkBox, 748, 175, 12, 12, true, ""},
      {32808, K::comboBox, 217, 203, 40, 120, true, ""},
      {32809, K::checkBox, 323, 203, 12, 12, true, ""},
      {32810, K::checkBox, 430, 203, 12, 12, true, ""},
      {32811, K::checkBox, 536, 203, 12, 12, true, ""},
      {32776, K::checkBox, 652, 203, 12, 12, true, ""},
      {32773, K::checkBox, 748, 203, 12, 12, true, ""},
      {32818, K::comboBox, 217, 231, 50, 200, true, ""},
      {32819, K::checkBox, 323, 231, 12, 12, true, ""},
      {32820, K::comboBox, 455, 231, 70, 230, true, ""},
      {32821, K::checkBox, 572, 231, 12, 12, true, ""},
      {32834, K::checkBox, 217, 287, 12, 12, true, ""},
      {32833, K::checkBox, 323, 287, 12, 12, true, ""},
      {32835, K::checkBox, 430, 287, 12, 12, true, ""},
      {32828, K::edit, 107, 259, 100, 16, false, ""},
      {32829, K::pushButton, 223, 257, 60, 20, false, "Unblock"},
      {32830, K::pushButton, 305, 257, 60, 20, false, "cs->oid:"},
      {32831, K::comboBox, 375, 259, 100, 300, true, ""},
      {32832, K::pushButton, 576, 257, 60, 20, false, "Block"},
      {32847, K::pushButton, 111, 313, 45, 20, false, "Now"},
      {32848, K::comboBox, 323, 315, 55, 144, true, ""},
      {32849, K::comboBox, 536, 315, 55, 144, true, ""},
      {32839, K::edit, 217, 343, 50, 16, false, ""},
      {32840, K::comboBox, 353, 343, 45, 144, true, ""},
      {32841, K::comboBox, 566, 343, 70, 230, true, ""},
      {32855, K::checkBox, 652, 315, 12, 12, true, ""},
      {32851, K::checkBox, 5, 371, 12, 12, true, ""},
      {32853, K::checkBox, 71, 371, 12, 12, true, ""},
      {32852, K::checkBox, 151, 371, 12, 12, true, ""},
      {32850, K::comboBox, 323, 371, 50, 200, true, ""},
      {32854, K::comboBox, 566, 371, 60, 300, true, ""},
      {32838, K::pushButton, 758, 341, 90, 20, false, "Re-read"},
      {32857, K::pushButton, 758, 369, 90, 20, false, "Flush static"},
  };
  open();
  const auto& controls = window->createdControls();
  ASSERT_EQ(controls.size(), std::size(table));
  std::map<platform::ControlId, bool> checkboxValues;
  for (const CheckboxSetting* c : g_settings.checkboxSettings) checkboxValues[c->commandId] = c->value;
  for (std::size_t i = 0; i < std::size(table); ++i) {
    const Row& r = table[i];
    SCOPED_TRACE(r.id);
    EXPECT_EQ(controls[i].id, r.id);
    const int top = r.kind == K::checkBox ? r.row + 2 : r.kind == K::comboBox ? r.row - 5 : r.row;
    EXPECT_EQ(controls[i].kind, r.kind);
    EXPECT_EQ(controls[i].bounds, (Rect{r.x, top, r.x + r.width, top + r.height}));
    EXPECT_EQ(controls[i].label, r.label);
    EXPECT_EQ(window->isEnabled(r.id), r.enabled);
    if (r.kind == K::checkBox) {
      ASSERT_TRUE(checkboxValues.contains(r.id));
      EXPECT_EQ(window->isChecked(r.id), checkboxValues[r.id]);
    }
  }
}

TEST_F(MainWindow, MessagesFromTheSystemAndFromOtherThreads) {
  int startUps = 0;
  MainWindowHooks hooks;
  hooks.startUp = [&] { ++startUps; };
  hooks.runActive = [] { return true; };
  gf_setMainWindowHooks(hooks);
  platform::gf_postMainWindowMessage(WM_APP_START_UP);  // posted before the window exists
  open();
  system->pump();
  EXPECT_EQ(startUps, 1);

  EXPECT_EQ(window->send(platform::WM_ERASEBKGND), 1);
  EXPECT_EQ(platform::gf_resultColour(window->send(platform::WM_CTLCOLOREDIT, 32828)), g_lightBlue);
  EXPECT_EQ(platform::gf_resultColour(window->send(platform::WM_CTLCOLORSTATIC, 32771)), g_lightBlue);

  window->clearInvalidations();
  std::thread other([] {
    gf_setMainWindowTopmost(true);
    gf_invalidateMainWindow(g_stateRect, true);
    gf_setStatus("hello", false);  // posts the repaint of the status band
  });
  other.join();
  EXPECT_FALSE(window->topmost());  // only the window's own thread changes it
  system->pump();
  EXPECT_TRUE(window->topmost());
  EXPECT_EQ(window->invalidations(),
            (std::vector<std::pair<Rect, bool>>{{g_stateRect, true}, {g_statusRect, false}}));
  EXPECT_EQ(gf_unpackRect(gf_packRect(Rect{-30, 0, 881, 477})), (Rect{-30, 0, 881, 477}));
  EXPECT_FALSE(window->quitCode().has_value());
  EXPECT_EQ(window->send(platform::WM_DESTROY), 0);
  EXPECT_EQ(window->quitCode(), std::optional<int>(0));
}

TEST_F(MainWindow, CloseBoxEndsTheRunThroughClosingDownKeepingAnEarlierReason) {
  open();
  window->send(platform::WM_CLOSE);
  EXPECT_TRUE(g_windowClosed);
  EXPECT_EQ(g_exitReason.load(), ExitReason::userClosedSim);
  EXPECT_EQ(statusText(), "Close window button clicked, closing Vendrake_P3D ...");
  // A run is active: its closing down posts the quit, the window does not quit by itself.
  system->pump();
  EXPECT_FALSE(window->quitCode().has_value());

  test::resetRunAndWindowState();
  gf_requestClosing(ExitReason::newSettings, 2);
  window->send(platform::WM_CLOSE);
  EXPECT_EQ(g_exitReason.load(), ExitReason::newSettings);
  EXPECT_EQ(g_restartDelay.load(), 2);
}

// The close box on the UI thread against the tick thread, which closes down the moment
// it sees the run ending and logs the reason it finds then. Closing the RealTraffic link
// on the UI thread may take a while (it sends "exit" to a slow peer): here it lasts until
// the tick thread has closed down, so that the tick thread always comes in between.
// Every close must log USER CLOSED SIM, never a reason not set yet.
TEST_F(MainWindow, CloseBoxRacingTheTickThreadAlwaysLogsUserClosedSim) {
  open();
  std::atomic<bool> closedDown{false};
  gf_setMainWindowHooks({.startUp = {},
                         .runActive = [] { return true; },
                         .closeRealTraffic =
                             [&closedDown] {
                               gf_closeRTServer();
                               const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                               while (!closedDown.load() && std::chrono::steady_clock::now() < end)
                                 std::this_thread::yield();
                             },
                         .exitCode = [] { return 0; },
                         .openExplorerAt = {}});
  test::LogCapture log;
  test::FakeTimer fake;
  constexpr int kCloses = 10;
  for (int i = 0; i < kCloses; ++i) {
    test::resetRunAndWindowState();
    closedDown = false;
    gf_startRTServer("0");
    std::thread tick([&] {
      while (!gf_runEnding()) std::this_thread::yield();
      lf_closingDown(fake.timer());
      closedDown = true;
    });
    window->send(platform::WM_CLOSE);
    tick.join();
  }
  const std::string text = log.text();
  std::size_t userClosed = 0;
  for (auto at = text.find("Exiting: USER CLOSED SIM"); at != std::string::npos;
       at = text.find("Exiting: USER CLOSED SIM", at + 1))
    ++userClosed;
  EXPECT_EQ(userClosed, static_cast<std::size_t>(kCloses));
  EXPECT_EQ(text.find("Exiting: NOT YET SET"), std::string::npos);
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
  EXPECT_EQ(window->quitCode(), 1);
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
  test::writeFile(gf_parametersPath(), parametersWithPosition(30000, 10));
  open();
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "400");
  // A y above 48 is kept: the window's own size is measured, not an empty rectangle.
  EXPECT_EQ(window->windowRect(), (Rect{400, 10, 1280, 526}));
}

TEST_F(MainWindow, APositionOnAMonitorThatIsGoneMovesToTheNearestOne) {
  system->setMonitors({Rect{0, 0, 1920, 1040}, Rect{1920, 0, 3840, 1040}});
  test::writeFile(gf_parametersPath(), parametersWithPosition(5000, -900));
  open();
  // 48 pixels stay inside the right monitor's work area, horizontally and vertically.
  EXPECT_EQ(g_settings.MAIN_WINDOW_Y.value.load(), 48 - 516);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "3792");
  EXPECT_EQ(window->windowRect().left, 3840 - 48);
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
  const platform::ControlId park[] = {s.MAX_PARK_SEL.commandId, s.nowButton.commandId, s.rereadButton.commandId,
                                      s.flushStaticButton.commandId};
  for (auto id : park) window->setEnabled(id, true);
  gf_lockParkControls();
  EXPECT_TRUE(g_parkBusy);
  for (auto id : park) EXPECT_FALSE(window->isEnabled(id)) << id;
  g_mainWindowState.minutesToRenewal = 3;
  gf_unlockParkControls();
  EXPECT_FALSE(g_parkBusy);
  EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 20);
  for (auto id : {s.MAX_FIT_FL.commandId, s.nowButton.commandId, s.rereadButton.commandId})
    EXPECT_TRUE(window->isEnabled(id)) << id;
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

TEST(MainWindowState, ResetForARestartKeepsTheScanCounts) {
  MainWindowState state;
  state.updateTexts([](ShownTexts& t) { t.rtEdition = "RT 10"; });
  state.liveShown = 7;
  state.liveriesCount = 1234;
  state.rtNotStarted = false;
  state.rtConnected = true;
  state.trafficLight = g_lightReceiving;
  state.liveAverageFit = 3.5f;
  state.resetShown();
  EXPECT_TRUE(state.texts().rtEdition.empty());
  EXPECT_EQ(state.liveShown.load(), 0u);
  EXPECT_EQ(state.liveriesCount.load(), 1234u);
  EXPECT_TRUE(state.rtNotStarted);
  EXPECT_FALSE(state.rtConnected);
  EXPECT_EQ(state.trafficLight.load(), g_lightStopped);
  EXPECT_FLOAT_EQ(state.liveAverageFit.load(), -1.0f);
}

// The painter copies the texts while another thread assigns them (run under TSan).
TEST(MainWindowState, TextsAreCopiedWholeWhileAnotherThreadWritesThem) {
  MainWindowState state;
  const std::string a(40, 'a'), b(3, 'b');
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) state.updateTexts([&](ShownTexts& t) { t.simulatorText = (i % 2) ? a : b; });
  });
  for (int i = 0; i < 2000; ++i) {
    const std::string text = state.texts().simulatorText;
    EXPECT_TRUE(text.empty() || text == a || text == b);
  }
  writer.join();
}

TEST(WindowRequests, ALaterDestinationReplacesAnEarlierAndAClearKeepsForgetLiveries) {
  gf_requestParkAirport({"EDDF", 50.03, 8.57});
  gf_requestParkAirport({"EHAM", 52.31, 4.76});
  const auto taken = gf_takeParkAirportRequest();
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(taken->icao, "EHAM");
  EXPECT_FALSE(gf_takeParkAirportRequest().has_value());

  g_maxLiveRequest = true;
  g_forgetLiveriesRequest = true;
  gf_requestParkAirport({"EDDF", 50.03, 8.57});
  gf_clearWindowRequests();
  EXPECT_FALSE(g_maxLiveRequest);
  EXPECT_FALSE(gf_takeParkAirportRequest().has_value());
  EXPECT_TRUE(g_forgetLiveriesRequest.exchange(false));
}
