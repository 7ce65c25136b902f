#include "app/main_window_commands.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "refdata/airports_db.h"
#include "window_fixture.h"

using namespace vexo;

namespace {

class Commands : public test::WindowFixture {
protected:
  SettingsState& s = g_settings;

  void SetUp() override {
    WindowFixture::SetUp();
    open();
  }
  void TearDown() override {
    g_airportsDb.airports.clear();
    WindowFixture::TearDown();
  }
  void enter(const EditSetting& edit, std::string_view text) {
    window->type(edit.commandId, text);
    EXPECT_TRUE(window->pressEnter(edit.commandId));
  }
  bool restarting() const { return g_closing && g_exitReason == ExitReason::newSettings; }
};

}  // namespace

TEST_F(Commands, CheckBoxesToggleSaveAndNotify) {
  window->click(s.AIRBORNE_ONLY.commandId);
  EXPECT_TRUE(s.AIRBORNE_ONLY.value);
  EXPECT_TRUE(window->isChecked(s.AIRBORNE_ONLY.commandId));
  EXPECT_EQ(stored("AIRBORNE_ONLY"), "true");
  EXPECT_EQ(statusText(), "Be aware, airborne live traffic only!  (greater than 150 ft above ground ...)");
  window->click(s.AIRBORNE_ONLY.commandId);
  EXPECT_EQ(stored("AIRBORNE_ONLY"), "false");
  EXPECT_EQ(statusText(), "");

  window->click(s.COLLISION_USER_AIR.commandId);  // on -> off warns
  EXPECT_EQ(statusText(), "Be aware, user aircraft may collide with (run through) live aircraft in the air");
  window->click(s.ALWAYS_ON_TOP.commandId);
  EXPECT_TRUE(window->topmost());
  EXPECT_EQ(statusText(), "Vendrake_P3D's window will remain visible");

  g_nowAllowed = true;
  window->click(s.INITIAL_LOAD_ONLY.commandId);
  EXPECT_FALSE(window->isEnabled(s.nowButton.commandId));
  EXPECT_EQ(statusText(),
            "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes");
  window->click(s.INITIAL_LOAD_ONLY.commandId);
  EXPECT_TRUE(window->isEnabled(s.nowButton.commandId));
  EXPECT_FALSE(g_closing);
}

// Every check box of the table: switched on and off from off, saved each time, with the
// status text of each side (empty: the line cleared; none: the line left as it was), none of
// them logged. RealTraffic has connected, so the scans only wait for the next start.
TEST_F(Commands, EveryCheckBoxShowsTheTextOfItsRow) {
  g_rtNotConnectedYet = false;
  const std::optional<std::string> cleared = "";
  const std::optional<std::string> kept;
  const struct {
    CheckboxSetting& box;
    std::optional<std::string> on, off;
  } rows[] = {
      {s.LIG_PRIORITIZE, "Liveries, for airl+model, in lower lfolders that are already available will be skipped",
       cleared},
      {s.COLLISION_LIVE_PARKED_GND, cleared,
       "Be aware, live aircraft may collide with (run through) static parked on the ground"},
      {s.COLLISION_USER_GND, cleared,
       "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground"},
      {s.COLLISION_USER_AIR, cleared,
       "Be aware, user aircraft may collide with (run through) live aircraft in the air"},
      {s.INITIAL_LOAD_ONLY, "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes",
       cleared},
      {s.ALWAYS_ON_TOP, "Vendrake_P3D's window will remain visible", cleared},
      {s.GUID_CHANGES, cleared,
       "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
      {s.AEROWINX, "Note: This mode is for Aerowinx PSX users only, please re-start Vendrake_P3D", cleared},
      {s.SCAN_AIRPORTS, "Your airports will be scanned at the next start of Vendrake_P3D", cleared},
      {s.SCAN_LIVERIES, "Your liveries will be scanned at the next start of Vendrake_P3D", cleared},
      {s.NAV_LIGHTS_WHILE_PARKED, kept, kept},
      {s.AIRBORNE_ONLY, "Be aware, airborne live traffic only!  (greater than 150 ft above ground ...)", cleared},
      {s.PARK_SOFT, kept, kept},
      {s.WEEK, kept, kept},
      {s.STRAIGHT_PBS_ONLY, kept, kept},
      {s.LIGHT_AIRCRAFT, kept, kept},
      {s.HELICOPTERS, kept, kept},
      {s.HIGH_PERF_AIRCRAFT, kept, kept},
  };
  test::LogCapture log;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.box.key);
    row.box.value = false;
    window->setCheck(row.box.commandId, false);
    for (const bool on : {true, false}) {
      gf_setStatus("before", false);
      window->click(row.box.commandId);
      EXPECT_EQ(row.box.value, on);
      EXPECT_EQ(window->isChecked(row.box.commandId), on);
      EXPECT_EQ(stored(row.box.key), on ? "true" : "false");
      const std::optional<std::string>& text = on ? row.on : row.off;
      EXPECT_EQ(statusText(), text.value_or("before"));
      if (text && !text->empty()) {
        EXPECT_FALSE(log.contains(*text));
      }
    }
  }
  EXPECT_FALSE(g_closing);
  EXPECT_FALSE(window->topmost());
}

TEST_F(Commands, ScanningLiveriesRestartsOnlyBeforeRealTrafficConnectedAndKeepsAnEarlierReason) {
  s.SCAN_LIVERIES.value = false;
  window->setCheck(s.SCAN_LIVERIES.commandId, false);
  g_rtNotConnectedYet = false;
  window->click(s.SCAN_LIVERIES.commandId);
  EXPECT_EQ(statusText(), "Your liveries will be scanned at the next start of Vendrake_P3D");
  EXPECT_FALSE(g_closing);
  EXPECT_FALSE(g_forgetLiveriesRequest);

  window->click(s.SCAN_LIVERIES.commandId);  // off
  g_rtNotConnectedYet = true;
  test::LogCapture log;
  window->click(s.SCAN_LIVERIES.commandId);
  EXPECT_EQ(statusText(), "Your liveries will be scanned");
  EXPECT_TRUE(log.contains("Your liveries will be scanned"));
  EXPECT_TRUE(restarting());
  EXPECT_EQ(g_restartDelay.load(), 2);
  EXPECT_TRUE(g_forgetLiveriesRequest);  // served by the next start-up, not here

  test::resetRunAndWindowState();
  gf_requestClosing(ExitReason::readerError, 15);
  window->click(s.SCAN_AIRPORTS.commandId);  // off
  window->click(s.SCAN_AIRPORTS.commandId);  // on: would restart
  EXPECT_EQ(g_exitReason.load(), ExitReason::readerError);
  EXPECT_EQ(g_restartDelay.load(), 15);
}

TEST_F(Commands, ChangesToTheTickThreadsTablesBecomeRequests) {
  window->click(s.NAV_LIGHTS_WHILE_PARKED.commandId);
  EXPECT_TRUE(g_navLightsRequest.exchange(false));

  s.MAX_LIVE_SEL.fillComboBox();
  window->choose(s.MAX_LIVE_SEL.commandId, 1);  // 10
  EXPECT_EQ(stored("MAX_LIVE_SEL"), "10");
  EXPECT_TRUE(g_maxLiveRequest.exchange(false));

  window->click(s.AUTO_RANGE.commandId);  // off: the manual range returns
  EXPECT_TRUE(window->isEnabled(s.RANGE.commandId));
  s.RANGE.value = 25;                     // chosen by hand
  window->click(s.AUTO_RANGE.commandId);  // on: computed on the tick thread
  EXPECT_TRUE(g_autoRangeRequest.exchange(false));
  EXPECT_FALSE(window->isEnabled(s.RANGE.commandId));
  gf_setRange(80);                        // the auto range moved it
  window->click(s.AUTO_RANGE.commandId);  // off again
  EXPECT_FALSE(g_autoRangeRequest);
  EXPECT_EQ(s.RANGE.value.load(), 25);
  EXPECT_DOUBLE_EQ(s.rangeNm.load(), 25.0);
}

TEST_F(Commands, DropDownChoicesSetAndSaveTheirSetting) {
  s.MATCHING_DEPTH.value = 2;
  s.MATCHING_DEPTH.fillComboBox();
  window->choose(s.MATCHING_DEPTH.commandId, 0);  // 1: lower, no rematch
  EXPECT_EQ(s.MATCHING_DEPTH.value.load(), 1);
  EXPECT_FALSE(g_rematchRequest);
  window->choose(s.MATCHING_DEPTH.commandId, 3);  // 4: higher
  EXPECT_EQ(stored("MATCHING_DEPTH"), "4");
  EXPECT_TRUE(g_rematchRequest.exchange(false));

  s.RANGE.fillComboBox();
  window->choose(s.RANGE.commandId, 6);  // 10 nm
  EXPECT_DOUBLE_EQ(s.rangeNm.load(), 10.0);
  EXPECT_EQ(s.rangeMeters.load(), 18520U);

  s.parking_percentage.fillComboBox();
  window->choose(s.parking_percentage.commandId, 10);  // 50 %
  EXPECT_EQ(stored("parking_percentage"), "50");

  // Hours become half-hour steps; only the steps are stored.
  s.MAX_FIT_FL.fillComboBox();
  window->choose(s.MAX_FIT_FL.commandId, 0);  // 0.5 h
  EXPECT_EQ(stored("MAX_FIT"), "0");
  EXPECT_FALSE(stored("MAX_FIT_FL").has_value());
  window->choose(s.MAX_FIT_FL.commandId, 19);  // 24 h
  EXPECT_EQ(s.MAX_FIT.value.load(), 47);

  // A notification other than a new choice is not handled.
  EXPECT_FALSE(lf_comboCommand(platform::gf_makeWParam(s.RANGE.commandId, 3)));
}

TEST_F(Commands, ACallsignChosenInTheListIsReadWholeAndCanBeBlocked) {
  const std::string longCallsign(300, 'K');  // items come from the network
  window->fillList(s.CALLSIGN_2_OBJECTID.commandId, {"DLH123", longCallsign});
  g_mainWindowState.updateTexts([](ShownTexts& t) { t.objectIdText = "oid 42"; });
  window->choose(s.CALLSIGN_2_OBJECTID.commandId, 1);
  EXPECT_EQ(s.CALLSIGN_2_OBJECTID.value(), longCallsign);
  EXPECT_TRUE(g_mainWindowState.texts().objectIdText.empty());
  EXPECT_FALSE(stored("CALLSIGN_2_OBJECTID").has_value());

  window->click(s.blockButton.commandId);
  EXPECT_EQ(s.BLOCK_CALLSIGN.value(), longCallsign);
  EXPECT_EQ(window->text(s.BLOCK_CALLSIGN.commandId), longCallsign);
  EXPECT_TRUE(window->isEnabled(s.unblockButton.commandId));
  EXPECT_FALSE(window->isEnabled(s.blockButton.commandId));
  EXPECT_TRUE(g_resetCallsignListRequest.exchange(false));
  EXPECT_TRUE(g_blockChangedRequest.exchange(false));
}

TEST_F(Commands, BlockingACallsignByHand) {
  test::LogCapture log;
  enter(s.BLOCK_CALLSIGN, "dlh4ab");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "DLH4AB");
  EXPECT_EQ(window->text(s.BLOCK_CALLSIGN.commandId), "DLH4AB");
  EXPECT_TRUE(window->isEnabled(s.unblockButton.commandId));
  EXPECT_TRUE(g_blockChangedRequest.exchange(false));

  enter(s.BLOCK_CALLSIGN, "Dlh4Ab");
  EXPECT_EQ(statusText(), "callsign 'DLH4AB' was already set ...");
  for (const char* bad : {"DLH", "DLH123456"}) {
    enter(s.BLOCK_CALLSIGN, bad);
    EXPECT_EQ(statusText(), fmt::format("callsign '{}' is not valid", bad));
    EXPECT_EQ(window->text(s.BLOCK_CALLSIGN.commandId), "DLH4AB");  // the stored one again
  }
  EXPECT_TRUE(log.contains("callsign 'DLH' is not valid"));
  EXPECT_FALSE(g_blockChangedRequest);

  window->click(s.unblockButton.commandId);
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
  EXPECT_EQ(statusText(), "no more blocking of live aircraft 'DLH4AB'");
  EXPECT_FALSE(window->isEnabled(s.unblockButton.commandId));
  EXPECT_TRUE(g_blockChangedRequest.exchange(false));
  window->click(s.unblockButton.commandId);
  EXPECT_EQ(statusText(), "Nothing to block or unblock...");

  // Characters XML 1.0 cannot hold never reach parameters.xml, which is read back the same.
  enter(s.BLOCK_CALLSIGN, "kl\x01M\x1B" "1\xEF\xBF\xBF" "2");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "KLM12");
  EXPECT_EQ(test::firstNonXmlChar(test::readFile(gf_parametersPath())), "");
  g_blockChangedRequest = false;

  // Typing the callsign chosen in the list empties the list.
  s.CALLSIGN_2_OBJECTID.setValue("BAW12");
  enter(s.BLOCK_CALLSIGN, "baw12");
  EXPECT_TRUE(g_resetCallsignListRequest.exchange(false));
}

TEST_F(Commands, Destinations) {
  AirportData eddf;
  eddf.icao = IcaoCode("EDDF");
  eddf.latitude = 50.0333;
  eddf.longitude = 8.5706;
  g_airportsDb.airports = {eddf};

  for (const auto& [typed, shown] : {std::pair{"ED-F", "destination 'ED-F' is not valid"},
                                     {"EDD", "destination 'EDD' is not valid"},
                                     {"ZZZZ", "destination 'ZZZZ' is unknown ..."}}) {
    enter(s.DESTINATION, typed);
    EXPECT_EQ(statusText(), shown);
    EXPECT_EQ(window->text(s.DESTINATION.commandId), "");
  }

  window->setEnabled(s.rereadButton.commandId, true);
  enter(s.DESTINATION, "eddf");
  EXPECT_EQ(statusText(), "New destination: EDDF");
  EXPECT_EQ(stored("DESTINATION"), "EDDF");
  EXPECT_FALSE(window->isEnabled(s.rereadButton.commandId));
  const auto request = gf_takeParkAirportRequest();
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->icao, "EDDF");
  EXPECT_DOUBLE_EQ(request->latitude, 50.0333);

  enter(s.DESTINATION, "EDDF");
  EXPECT_EQ(statusText(), "destination 'EDDF' was already set ...");
  enter(s.DESTINATION, "");
  EXPECT_EQ(statusText(), "destination set to empty");
  EXPECT_EQ(s.DESTINATION.value(), "");
  EXPECT_TRUE(window->isEnabled(s.rereadButton.commandId));
}

TEST_F(Commands, InstallPath) {
  test::TempDir sim;
  test::writeFile(sim / "file.txt", "x");
  gf_setStatusError("151: No P3D install path detected");
  for (const auto& [name, shown] : {std::pair{"missing", "This install path does not exist: "},
                                    {"file.txt", "This install path is not a folder: "}}) {
    enter(s.ALL_INSTALL_PATH, (sim / name).string());
    EXPECT_EQ(g_statusLine.texts().error, "");  // the command empties the error first
    EXPECT_EQ(statusText(), shown + (sim / name).string());
    EXPECT_EQ(s.SIM_INSTALL_PATH.value(), "");
    EXPECT_FALSE(g_closing);
  }

  enter(s.ALL_INSTALL_PATH, sim.path().string());
  EXPECT_EQ(stored("SIM_INSTALL_PATH"), sim.path().string());
  EXPECT_EQ(statusText(), "Install path exists, Vendrake_P3D will restart");
  EXPECT_TRUE(restarting());
  EXPECT_EQ(g_restartDelay.load(), 3);

  enter(s.ALL_INSTALL_PATH, "");
  EXPECT_EQ(stored("SIM_INSTALL_PATH"), "");
}

TEST_F(Commands, ButtonsHandOverTheirWork) {
  window->click(s.flushStaticButton.commandId);
  EXPECT_EQ(statusText(), "All static parked aircraft will be removed ...");
  EXPECT_TRUE(g_removeAllStaticRequest.exchange(false));
  EXPECT_FALSE(window->isEnabled(s.flushStaticButton.commandId));
  window->setEnabled(s.DESTINATION.commandId, true);
  window->click(s.rereadButton.commandId);
  EXPECT_TRUE(g_rereadRequest.exchange(false));
  EXPECT_FALSE(window->isEnabled(s.DESTINATION.commandId));
  window->click(s.csToOidButton.commandId);
  EXPECT_TRUE(g_callsignListRequest.exchange(false));
}

// The buttons' rows: each is handled, and each sets the controls its row names; the texts
// they show are not logged.
TEST_F(Commands, EveryButtonIsHandledAndSetsTheControlsOfItsRow) {
  test::LogCapture log;
  const auto press = [](const CommandButton& button) {
    return lf_buttonCommand(platform::gf_makeWParam(button.commandId, 0));
  };
  // "Unblock" with nothing blocked: "Block" follows whether a callsign is chosen.
  window->setEnabled(s.blockButton.commandId, true);
  EXPECT_TRUE(press(s.unblockButton));
  EXPECT_EQ(statusText(), "Nothing to block or unblock...");
  EXPECT_FALSE(log.contains("Nothing to block"));
  EXPECT_FALSE(window->isEnabled(s.blockButton.commandId));
  s.CALLSIGN_2_OBJECTID.setValue("DLH1");
  EXPECT_TRUE(press(s.unblockButton));
  EXPECT_TRUE(window->isEnabled(s.blockButton.commandId));
  EXPECT_FALSE(g_blockChangedRequest);

  EXPECT_TRUE(press(s.csToOidButton));
  EXPECT_FALSE(window->isEnabled(s.blockButton.commandId));
  EXPECT_TRUE(g_callsignListRequest.exchange(false));

  window->setEnabled(s.rereadButton.commandId, true);
  window->setEnabled(s.DESTINATION.commandId, true);
  EXPECT_TRUE(press(s.rereadButton));
  EXPECT_FALSE(window->isEnabled(s.rereadButton.commandId));
  EXPECT_FALSE(window->isEnabled(s.DESTINATION.commandId));
  EXPECT_TRUE(g_rereadRequest.exchange(false));

  window->setEnabled(s.flushStaticButton.commandId, true);
  EXPECT_TRUE(press(s.flushStaticButton));
  EXPECT_FALSE(log.contains("All static parked aircraft will be removed"));
  EXPECT_TRUE(g_removeAllStaticRequest.exchange(false));

  EXPECT_TRUE(press(s.nowButton));  // no park airport: nothing, but handled
  EXPECT_FALSE(g_parkNowRequest);
}

// The drop-down lists whose row asks for nothing more only save their choice; a depth
// chosen equal to the current one asks for no rematch.
TEST_F(Commands, DropDownsWithNothingMoreOnlySaveTheirChoice) {
  const double range = s.rangeNm;
  for (ComboSetting* combo :
       {&s.MAX_PARK_SEL, &s.parking_percentage, &s.AIRP_RANGE, &s.AR_ABOVE_HEIGHT, &s.AIRP_HEIGHT}) {
    SCOPED_TRACE(combo->key);
    combo->fillComboBox();
    const std::size_t last = combo->choices.size() - 1;
    window->choose(combo->commandId, static_cast<int>(last));
    EXPECT_EQ(combo->value.load(), combo->choices[last]);
    EXPECT_EQ(stored(combo->key), std::to_string(combo->choices[last]));
  }
  EXPECT_DOUBLE_EQ(s.rangeNm.load(), range);
  EXPECT_FALSE(g_maxLiveRequest);
  EXPECT_FALSE(g_rematchRequest);
  EXPECT_FALSE(g_autoRangeRequest);

  s.MATCHING_DEPTH.value = 3;
  s.MATCHING_DEPTH.fillComboBox();
  window->choose(s.MATCHING_DEPTH.commandId, 2);  // 3 again
  EXPECT_EQ(stored("MATCHING_DEPTH"), "3");
  EXPECT_FALSE(g_rematchRequest);
}

TEST_F(Commands, TbloZipFolderOrAWarningBox) {
  EXPECT_EQ(window->click(s.tbloZipButton.commandId), 0);
  ASSERT_EQ(window->messageBoxes().size(), 1U);
  EXPECT_EQ(window->messageBoxes()[0], std::make_pair(std::string("Could not open File Explorer at tblo.zip."),
                                                      std::string("VDRK")));
  std::filesystem::path opened;
  MainWindowHooks hooks;
  hooks.openExplorerAt = [&](const std::filesystem::path& p) {
    opened = p;
    return true;
  };
  gf_setMainWindowHooks(hooks);
  EXPECT_TRUE(lf_buttonCommand(platform::gf_makeWParam(s.tbloZipButton.commandId, 0)));
  EXPECT_EQ(opened.filename(), "tblo.zip");
  EXPECT_EQ(opened.parent_path().filename(), "tblo");
}

TEST_F(Commands, NowAsksForStaticParkingAtTheNext15WorkTickStep) {
  window->click(s.nowButton.commandId);  // no park airport: nothing
  EXPECT_FALSE(g_parkNowRequest);
  g_mainWindowState.parkAirportSet = true;
  g_mainWindowState.minutesToRenewal = 4;
  g_workTick = 29;
  window->click(s.nowButton.commandId);
  EXPECT_TRUE(g_parkNowRequest);
  EXPECT_TRUE(g_parkBusy);
  EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 20);
  EXPECT_EQ(statusText(), "Vendrake_P3D will update static parking in 1 second ...");
  g_workTick = 30;
  EXPECT_TRUE(gf_requestStaticParkingNow());
  EXPECT_EQ(statusText(), "Vendrake_P3D will update static parking in 15 seconds ...");

  g_parkNowRequest = false;
  s.INITIAL_LOAD_ONLY.value = true;
  gf_setStatus("something", false);
  window->click(s.nowButton.commandId);
  EXPECT_EQ(statusText(), "");
  EXPECT_FALSE(g_parkNowRequest);
}

TEST_F(Commands, UnknownCommandsAndOtherKeysAreNotHandled) {
  window->clearInvalidations();
  EXPECT_FALSE(lf_HandleWMCOMMAND(platform::gf_makeWParam(40000, 0)));
  EXPECT_TRUE(window->invalidations().empty());  // posted, not yet handled
  system->pump();
  EXPECT_TRUE(window->invalidated(g_controlsRect));
  const auto* edit = window->spec(s.DESTINATION.commandId);
  ASSERT_NE(edit, nullptr);
  EXPECT_FALSE(edit->proc(platform::WM_CHAR, 'A', 0));
  EXPECT_FALSE(edit->proc(platform::WM_PAINT, 0, 0));
}

// Enter in an edit field whose command fails is reported as any failing command: logged
// with its handler's name and the controls repainted; the window goes on.
TEST_F(Commands, AFailingEnterIsReportedLikeAFailingCommand) {
  test::LogCapture log;
  std::vector<std::uint32_t> posted;
  platform::gf_setMainWindowPoster([&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
    posted.push_back(message);
    if (posted.size() == 1) throw std::runtime_error("window gone");
  });
  enter(s.DESTINATION, "EDDF");
  platform::gf_setMainWindowPoster({});
  EXPECT_TRUE(log.contains("lf_editSubclassProc exception window gone"));
  EXPECT_EQ(posted, (std::vector<std::uint32_t>{WM_APP_REPAINT_STATUS, WM_APP_INVALIDATE}));
}

TEST(AutoRange, FollowsHeightAndDistance) {
  EXPECT_EQ(gf_autoRangeNm(true, 0, 30.4, 48000, 18000), 10);       // on the ground
  EXPECT_EQ(gf_autoRangeNm(false, 49000, 30.4, 48000, 18000), 100);  // above the upper height
  EXPECT_EQ(gf_autoRangeNm(false, 20000, 30.4, 48000, 18000), 40);
  EXPECT_EQ(gf_autoRangeNm(false, 3000, 30.4, 48000, 18000), 30);
  EXPECT_EQ(gf_autoRangeNm(false, 3000, 8.4, 48000, 18000), 8);
  EXPECT_EQ(gf_autoRangeNm(false, 3000, 8.6, 48000, 18000), 10);
  EXPECT_EQ(gf_autoRangeNm(false, 3000, 36.9, 48000, 18000), 35);
  EXPECT_EQ(gf_autoRangeNm(false, 3000, 37.0, 48000, 18000), 40);
  EXPECT_EQ(gf_autoRangeNm(false, 3000, std::nullopt, 48000, 18000), 40);
}

// Each row of the table at its edges: a height is passed only above it, a distance of 7 nm
// or less and one of 37 or more end the table, and in between the rounded distance picks
// the row from its lower bound (x.5 rounds up).
TEST(AutoRange, EveryRowAtItsEdges) {
  const auto at = [](double nm) { return gf_autoRangeNm(false, 3000, nm, 48000, 18000); };
  EXPECT_EQ(gf_autoRangeNm(true, 60000, 60.0, 48000, 18000), 10);  // the ground before any height
  EXPECT_EQ(gf_autoRangeNm(false, 48000.5, 3.0, 48000, 18000), 100);
  EXPECT_EQ(gf_autoRangeNm(false, 48000, 3.0, 48000, 18000), 40);
  EXPECT_EQ(gf_autoRangeNm(false, 18000.5, 3.0, 48000, 18000), 40);
  EXPECT_EQ(gf_autoRangeNm(false, 18000, 3.0, 48000, 18000), 10);
  EXPECT_EQ(at(0.0), 10);
  EXPECT_EQ(at(7.0), 10);
  EXPECT_EQ(at(7.01), 8);
  const std::pair<double, std::int32_t> rows[] = {
      {8.49, 8},   {8.5, 10},   {10.49, 10}, {10.5, 12},  {12.49, 12}, {12.5, 14},  {14.49, 14},
      {14.5, 16},  {16.49, 16}, {16.5, 18},  {18.49, 18}, {18.5, 20},  {22.49, 20}, {22.5, 25},
      {27.49, 25}, {27.5, 30},  {32.49, 30}, {32.5, 35},  {36.99, 35}, {37.0, 40},  {500.0, 40}};
  for (const auto& [nm, range] : rows) EXPECT_EQ(at(nm), range) << nm << " nm";
}
