#include "app/start_up.h"
#include "engine/traffic_engine.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <thread>

#include "app/closing_down.h"
#include "app/main_window_commands.h"
#include "foundation/main_window_state.h"
#include "app/repaint.h"
#include "foundation/run_state.h"
#include "foundation/scan_tasks.h"
#include "app/start_traffic.h"
#include "foundation/status_line.h"
#include "app/tick_loop.h"
#include "app/window_requests.h"
#include "foundation/datafile_decrypt.h"
#include "foundation/error.h"
#include "foundation/files.h"
#include "foundation/install_query.h"
#include "foundation/log_flush.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "liveries/liveries_services.h"
#include "airports/airports_services.h"
#include "platform/known_folders.h"
#include "platform/window.h"
#include "refdata/airports_db.h"
#include "realtraffic/rt_server.h"
#include "refdata/dbase_reader.h"
#include "simlink/flight_plans.h"
#include "updater/updater_services.h"

namespace vexo {

namespace fs = std::filesystem;

std::atomic<bool> g_productionMode{false};
std::atomic<std::int32_t> g_exitCode{0};
std::atomic<bool> g_rtAtThisPc{false};
StartUpState g_startUpState;

namespace {

// The failure handlers of the standard kinds: SYSTEM ERROR without a restart delay, unless
// another thread chose the reason first.
void lf_failedWith(const std::string& text) {
  gf_setStatusError(text);
  gf_requestClosing(ExitReason::systemError, 0);
}

// The program's own exception and unknown ones always mean SYSTEM ERROR; the closing flag
// is set as well, so a later reader or simulator error finds the run ending already.
void lf_failedAlways(const std::string& text) {
  gf_setStatusError(text);
  g_exitReason = ExitReason::systemError;
  g_closing = true;
}

void lf_enableAll(std::initializer_list<const SettingControl*> controls) {
  for (const SettingControl* c : controls) c->enable();
}

void lf_repaintState() { lf_repaint(g_stateRect, false); }
void lf_repaintControls() { lf_repaint(g_controlsRect, true); }

}  // namespace

void lf_checkRunFolder() {
  if (!fs::is_directory(fs::status(g_docsFolder)))
    throw UserErrorException(41, "Vendrake_P3D must be run from the Vendrake_P3D folder!");
}

void lf_stopPath() {
  gf_requestClosing(ExitReason::userClosedSim);  // before the flags that end the run
  g_windowClosed = true;
  gf_closeRTServer();
  lf_flushLog();
}

void lf_guardStartUp(const std::function<void()>& steps) {
  try {
    steps();
  } catch (const UserErrorException& e) {
    lf_failedAlways(e.what());
  } catch (const fmt::format_error& e) {
    gf_setStatusError(fmt::format("std::format error: {}", e.what()));
    lf_failedWith(e.what());
  } catch (const std::bad_alloc& e) {
    lf_failedWith(e.what());
  } catch (const std::exception& e) {
    lf_failedWith(e.what());
  } catch (...) {
    lf_failedAlways("Unknown exception");
  }
}

void lf_enableControls() {
  auto& s = g_settings;
  lf_enableAll({&s.ALWAYS_ON_TOP, &s.NAV_LIGHTS_WHILE_PARKED, &s.GUID_CHANGES, &s.SCAN_LIVERIES, &s.LIG_PRIORITIZE,
                &s.SCAN_AIRPORTS});
  s.tbloZipButton.disable();
  s.MATCHING_DEPTH.enable();
  s.MATCHING_DEPTH.fillComboBox();
  lf_enableAll({&s.LIGHT_AIRCRAFT, &s.HELICOPTERS, &s.HIGH_PERF_AIRCRAFT});
  const bool autoRange = s.AUTO_RANGE.value;
  s.RANGE.setEnabled(!autoRange);
  s.RANGE.fillComboBox();
  s.AUTO_RANGE.enable();
  s.AR_ABOVE_HEIGHT.setEnabled(autoRange);
  s.AR_ABOVE_HEIGHT.fillComboBox();
  lf_enableAll({&s.AIRBORNE_ONLY, &s.COLLISION_USER_GND, &s.COLLISION_USER_AIR, &s.COLLISION_LIVE_PARKED_GND});
  s.blockButton.disable();
  s.BLOCK_CALLSIGN.enable();
  s.unblockButton.setEnabled(!s.BLOCK_CALLSIGN.value().empty());
  if (!s.INITIAL_LOAD_ONLY.value) s.nowButton.disable();
  for (const ComboSetting* c : {&s.MAX_PARK_SEL, &s.MAX_LIVE_SEL}) {
    c->enable();
    c->fillComboBox();
  }
  s.STRAIGHT_PBS_ONLY.enable();
  s.csToOidButton.disable();
  s.CALLSIGN_2_OBJECTID.disable();
  s.DESTINATION.disable();
  for (const ComboSetting* c : {&s.AIRP_RANGE, &s.AIRP_HEIGHT}) {
    c->enable();
    c->fillComboBox();
  }
  s.rereadButton.disable();
  s.parking_percentage.value = 30;  // not saved
  s.parking_percentage.fillComboBox();
  s.parking_percentage.disable();
  if (s.MAX_FIT_FL.exists()) s.MAX_FIT_FL.fillComboBox();
  gf_setMaxFitFl();
  s.MAX_FIT_FL.disable();
  lf_enableAll({&s.WEEK, &s.PARK_SOFT});
  s.flushStaticButton.disable();
  s.INITIAL_LOAD_ONLY.enable();
  g_nowAllowed = true;
}

void lf_ensureFolders() {
  for (const fs::path* folder :
       {&g_outputFolder, &g_infoFolder, &g_errorsFolder, &g_airportsFolder, &g_learnedFolder, &g_learnedStockFolder,
        &g_learnedSimaddonFolder, &g_learnedThirdpartyFolder, &g_myOrbxFolder, &g_myThirdpartyFolder,
        &g_myRegcodesFolder}) {
    std::error_code ec;
    const auto st = fs::status(*folder, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error("status", *folder, ec);
    if (fs::is_directory(st)) continue;
    fs::create_directories(*folder, ec);
    if (ec) throw fs::filesystem_error("create_directories", *folder, ec);
  }
  const fs::path& objectIds = g_objectIdListPath;
  std::error_code ec;
  if (fs::exists(objectIds, ec)) {
    fs::remove(objectIds, ec);
    if (ec) throw fs::filesystem_error("remove", objectIds, ec);
  }
}

void lf_stockAirportsPath() {
  auto& path = g_startUpState.stockAirportsPath;
  path = fs::path(g_settings.SIM_INSTALL_PATH.value()) / "Scenery";
  std::error_code ec;
  const bool there = fs::exists(path, ec);
  if (ec) throw fs::filesystem_error("exists", path, ec);
  if (!there) gf_setStatus(fmt::format("Stock airports path does not exist: {}", path.string()), true);
}

void lf_productionStop() {
  try {
    gf_logFlush("production");
    g_exitCode = 0;
    gf_requestClosing(ExitReason::userClosedSim);  // before the flags that end the run
    g_windowClosed = true;
    gf_closeRTServer();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("exception {}", e.what()));
    g_exitCode = 1;
  }
}

namespace {

// RealTraffic keeps its program in InsideSystems under the roaming application-data folder.
bool lf_realTrafficAtThisPc() {
  const auto appData = platform::gf_knownFolderPath(platform::KnownFolder::roamingAppData);
  if (!appData) {
    gf_logWarning("Could not find the AppData path");
    return false;
  }
  const fs::path jar = *appData / g_insideSystemsName / "RealTraffic.jar";
  std::error_code ec;
  const bool found = fs::exists(jar, ec);
  if (ec) throw fs::filesystem_error("exists", jar, ec);
  return found;
}

}  // namespace

bool lf_readDataFiles() {
  gf_initParameters();
  lf_repaintState();
  lf_flushLog();
  lf_enableControls();
  lf_ensureFolders();
  if (!g_isRestart && !gf_checkVersions()) return false;
  gf_setWeekSlotNow(gf_weekdayAndHalfHour());
  if (!g_startUpState.dbaseRead) {
    const bool read = gf_readDbase();
    g_startUpState.dbaseRead = true;
    if (!read) throw std::runtime_error("reading data files failed!");
  }
  if (!gf_readAirports())
    throw std::runtime_error(fmt::format("reading '{}' failed!", g_airportsEncPath.string()));
  auto& s = g_settings;
  s.ALL_INSTALL_PATH.setValue(s.SIM_INSTALL_PATH.value());
  s.ALL_INSTALL_PATH.enable();
  s.ALL_INSTALL_PATH.updateControl();
  if (s.ALL_INSTALL_PATH.value().empty()) lf_detectP3d();
  lf_repaintControls();
  if (g_productionMode) {
    lf_productionStop();
    return false;
  }
  g_rtAtThisPc = lf_realTrafficAtThisPc();
  gf_setStatus(fmt::format("RealTraffic {}detected at this PC", g_rtAtThisPc ? "" : "not "), true);
  lf_flushLog();
  return true;
}

void lf_detectP3d() {
  auto& s = g_settings;
  const SimInstallFlags installed = gf_simInstallFlags();
  auto noInstallPath = [&] {
    s.ALL_INSTALL_PATH.setValue("");
    s.ALL_INSTALL_PATH.updateControl();
    throw UserErrorException(151, "No P3D install path detected. Type the full Install Path above, then press Enter");
  };
  if (installed.v5 && installed.v6)
    throw UserErrorException(
        153, "More than one P3D version detected. Type the full Install Path to the wanted version above, then press Enter");
  if (!installed.v5 && !installed.v6) {
    gf_setStatus("P3D not detected?", true);
    auto anySet = [](const auto& folders) {
      return std::ranges::any_of(folders, [](const StringSetting& f) { return !f.value().empty(); });
    };
    if (anySet(s.lfolder) || anySet(s.afolder)) return;
    noInstallPath();
  }
  const int version = installed.v5 ? 5 : 6;
  gf_log(fmt::format("P3Dv{} detected", version));
  const std::string path = gf_getP3DSetupPath(version);
  if (path.empty()) noInstallPath();
  s.ALL_INSTALL_PATH.setValue(path);
  s.ALL_INSTALL_PATH.updateControl();
  s.SIM_INSTALL_PATH.setAndSave(path);
}

namespace {

// A destination kept from the last run is applied again, as when the user typed it.
void lf_applyDestinationAgain() {
  const std::string destination = g_settings.DESTINATION.value();
  if (destination.empty()) return;
  const IcaoCode icao(destination);  // throws for anything but 4 characters A-Z, 0-9
  const auto& airports = g_airportsDb.airports;
  const auto found = std::ranges::find_if(airports, [&](const AirportData& a) { return a.icao == icao; });
  if (found == airports.end()) return;
  lf_setDestination(icao.str(), found->latLon());
}

}  // namespace

bool lf_prepareRun() {
  lf_checkRunFolder();
  if (!lf_readDataFiles()) return false;
  for (const fs::path* decrypted : {&g_airportsXmlPath, &g_aigRegcodesXmlPath, &g_dbaseXmlPath})
    gf_removeFileWarn(*decrypted);
  lf_stockAirportsPath();
  g_maxScanTasks = gf_scanTaskLimitFor(static_cast<int>(std::thread::hardware_concurrency()));
  g_runningScanTasks = 0;
  const auto& s = g_settings;
  std::error_code ec;
  const bool scanned = fs::exists(g_liveriesScannedPath, ec);
  if (ec) throw fs::filesystem_error("exists", g_liveriesScannedPath, ec);
  if (s.SCAN_LIVERIES.value || !scanned) gf_scanLiveries();
  // A scan that closing down interrupted left no file to build from; the run ends anyway.
  if (!gf_runEnding()) gf_processScannedLiveries();
  if (!gf_runEnding() && s.SCAN_AIRPORTS.value) {
    g_startUpState.handmadeOrbx = 0;
    lf_repaintState();
    g_startUpState.handmadeThirdparty = 0;
    lf_repaintState();
    gf_scanAirports(g_startUpState.stockAirportsPath);
  }
  auto stop = [] {
    if (!gf_runEnding()) return false;
    lf_stopPath();
    return true;
  };
  if (stop()) return false;
  g_startUpState.handmadeOrbx = static_cast<std::int64_t>(gf_countDirectoryEntries(g_myOrbxFolder));
  lf_repaintState();
  g_startUpState.handmadeThirdparty = static_cast<std::int64_t>(gf_countDirectoryEntries(g_myThirdpartyFolder));
  lf_repaintState();
  if (stop()) return false;
  gf_createFlightPlanFolder();
  (void)lf_readMyParkAirports();
  g_settings.rereadButton.enable();
  lf_applyDestinationAgain();
  gf_setMainWindowTopmost(g_settings.ALWAYS_ON_TOP.value);  // the window's own thread applies it
  return true;
}

void lf_startUpVDRK() {
  lf_guardStartUp([] {
    if (!lf_prepareRun()) return;
    if (!lf_startTraffic()) {
      lf_stopPath();
      return;
    }
    lf_runTickLoop();
  });
  lf_flushLog();
  lf_closingDown();
}

}  // namespace vexo
