// The scan driver: the folders in order, the merged result, its order and its file.
#include "liveries/liveries_scan.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <system_error>
#include <tuple>

#include "foundation/charset.h"
#include "foundation/error.h"
#include "foundation/install_query.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/parameters.h"
#include "foundation/paths.h"
#include "foundation/run_state.h"
#include "foundation/scan_tasks.h"
#include "foundation/settings.h"
#include "foundation/status_line.h"
#include "foundation/text.h"
#include "liveries/scanned_liveries_xml.h"

namespace fs = std::filesystem;

namespace vexo {

LiveryScanState g_liveryScan;

namespace {

constexpr int kMaxFolderIndex = 10;
// How long the end of a scan waits for tasks whose results were given up.
constexpr std::chrono::seconds kLateTaskWait{60};

void lf_waitForLateTasks() {
  if (!gf_waitForScanTasks(kLateTaskWait)) {
    gf_logWarning(fmt::format("{} liveries scan task(s) still running", g_runningScanTasks.load()));
  }
}

}  // namespace

void lf_prioritizeLiveries(std::list<LiveryData>& liveries) {
  using Key = std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>;
  auto keyOf = [](const LiveryData& l) { return Key{l.codes.airlineId, l.codes.operatorId, l.codes.modelId}; };
  std::map<Key, std::int16_t> lowest;
  for (const auto& livery : liveries) {
    auto [it, added] = lowest.emplace(keyOf(livery), livery.folderIndex);
    if (!added) it->second = std::min(it->second, livery.folderIndex);
  }
  liveries.remove_if([&](const LiveryData& l) { return l.folderIndex > lowest.at(keyOf(l)); });
}

std::size_t lf_removeDuplicateLiveries() {
  auto& liveries = g_liveryScan.scannedLiveries;
  const std::size_t before = liveries.size();
  liveries.unique([](const LiveryData& a, const LiveryData& b) {
    return a.title == b.title && a.codes.airlineId == b.codes.airlineId && a.codes.operatorId == b.codes.operatorId &&
           a.codes.modelId == b.codes.modelId && a.regcode == b.regcode;
  });
  return before - liveries.size();
}

LiveryScanOutcome lf_scanLiveryFolders(const std::vector<fs::path>& folders) {
  auto& scan = g_liveryScan;
  scan.scannedLiveries.clear();
  scan.unsavedResult = false;
  lf_clearScanReports();
  scan.reports.modelFixes.clear();
  lf_removeLiveryScanFiles();
  lf_loadDontUseTitles();
  const auto inputs = std::make_shared<const LiveryScanInputs>(LiveryScanInputs{scan.dontUseTitles});
  int folderIndex = 0;
  bool interrupted = false;
  std::optional<ScanWorkerPool> pool;
  pool.emplace(g_maxScanTasks.load());
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    std::error_code ec;
    const auto status = fs::status(folder, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error("status", folder, ec);
    if (!fs::exists(status)) {
      gf_log(gf_pathToUtf8(folder) + " does not exist, skipped!");
      continue;
    }
    if (!fs::is_directory(status)) {
      gf_log(gf_pathToUtf8(folder) + " is not a folder name, skipped!");
      continue;
    }
    folderIndex = std::min(folderIndex + 1, kMaxFolderIndex);
    if (gf_runEnding()) {
      interrupted = true;
      break;
    }
    const std::size_t before = scan.scannedLiveries.size();
    interrupted = !lf_searchLiveriesInFolder(*pool, folderIndex, folder, inputs);
    const std::size_t added = scan.scannedLiveries.size() - before;
    const std::string where = "found in " + gf_pathToUtf8(folder);
    gf_log(added == 0 ? "No liveries " + where : fmt::format("{} liverie{} {}", added, gf_plural(added), where));
    if (interrupted) break;
  }
  pool.reset();
  lf_waitForLateTasks();
  if (interrupted || gf_runEnding()) {
    lf_clearScanReports();
    return LiveryScanOutcome::interrupted;
  }
  if (scan.scannedLiveries.empty()) {
    g_mainWindowState.liveriesCount = 0;
    gf_invalidateMainWindow(g_parkRect, false);
    lf_clearScanReports();
    // The folders hold no livery now, so the old result must not be used either.
    std::error_code ec;
    fs::remove(g_liveriesScannedPath, ec);
    if (ec) gf_logWarning(fmt::format("Removing {} failed: {}", gf_pathToUtf8(g_liveriesScannedPath), ec.message()));
    return LiveryScanOutcome::nothingFound;
  }
  if (folders.size() > 1) gf_log(fmt::format("{} in total", scan.scannedLiveries.size()));
  if (g_settings.LIG_PRIORITIZE.value) lf_prioritizeLiveries(scan.scannedLiveries);
  scan.scannedLiveries.sort(lf_liveryLess);
  lf_removeDuplicateLiveries();
  const bool saved = lf_writeScannedLiveries(scan.scannedLiveries, g_liveriesScannedPath);
  if (saved) {
    scan.scannedLiveries.clear();
  } else {
    scan.unsavedResult = true;  // the livery index takes them from here
  }
  lf_logLiveryScanSummary();
  lf_clearScanReports();
  gf_clearStatus();
  return saved ? LiveryScanOutcome::found : LiveryScanOutcome::saveFailed;
}

void gf_scanLiveries() {
  const std::string mode = g_settings.LIG_PRIORITIZE.value ? "prioritized " : "";
  gf_setStatus(fmt::format("Scanning {}for liveries ...", mode), false);
  gf_log("\n++++++++++++++++++++++++ liveries scan manual starts ++++++++++++++++++++++++++++++++");
  std::vector<fs::path> folders;
  lf_liveryFolders(folders);
  if (folders.empty()) {
    gf_openManual();
    gf_openParametersFolder();
    throw UserErrorException(48, fmt::format("Exit {} first!   Then set one or more lfolder parameters to your "
                                             "liveries, see Manual 5.3",
                                             g_programName));
  }
  switch (lf_scanLiveryFolders(folders)) {
    case LiveryScanOutcome::nothingFound:
      throw UserErrorException(53, "no liveries found");
    case LiveryScanOutcome::interrupted:
      gf_logWarning("liveries scan interrupted by closing down; it runs again at the next start");
      return;
    case LiveryScanOutcome::saveFailed:
      gf_logWarning(fmt::format("{} could not be saved; the liveries scan runs again at the next start",
                                gf_pathToUtf8(g_liveriesScannedPath)));
      break;
    case LiveryScanOutcome::found: {
      auto& setting = g_settings.SCAN_LIVERIES;
      setting.value = false;
      gf_saveBoolParameter(setting);
      setting.updateControl();
      gf_invalidateMainWindow(g_controlsRect, false);
      gf_invalidateMainWindow(g_parkRect, false);
      break;
    }
  }
  gf_logFlush("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
}

}  // namespace vexo
