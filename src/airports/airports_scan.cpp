// The scan driver: folders from the settings, the walk with its worker tasks, the scan log.
#include "airports/airports_scan.h"

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <system_error>

#include <fmt/format.h>

#include "airports/tblo_package.h"
#include "foundation/charset.h"
#include "foundation/error.h"
#include "foundation/files.h"
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

namespace fs = std::filesystem;

namespace vexo {

std::shared_ptr<std::mutex> AirportsScanState::writeLockFor(const IcaoCode& icao) {
  const std::lock_guard lock(writeLocksMutex);
  auto& entry = writeLocks[icao];
  if (!entry) entry = std::make_shared<std::mutex>();
  return entry;
}

void lf_appendScanLog(std::string line) {
  const std::lock_guard lock(g_airportsScan.scanLogMutex);
  g_airportsScan.scanLog.push_back(std::move(line));
}

namespace {

// An empty folder, made when missing.
void lf_emptyFolder(const fs::path& folder) {
  std::error_code ec;
  const bool exists = fs::exists(folder, ec);
  if (ec) throw fs::filesystem_error("exists", folder, ec);
  if (!exists) {
    fs::create_directories(folder, ec);
    if (ec) throw fs::filesystem_error("create_directory", folder, ec);
  } else {
    gf_removeFilesFromDirectory(folder);
  }
}

std::u16string lf_lowerWide(const fs::path& path) {
  std::u16string text = utf8_to_wide(gf_pathToUtf8(path));
  for (char16_t& c : text) c = static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

bool lf_skippedByName(const std::string& pathText) {
  for (const char* part : {"statics", "_heliports", "duijffmedia-eham-remove"})
    if (pathText.find(part) != std::string::npos) return true;
  return false;
}

bool lf_isBglFile(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec)) return false;
  std::string ext = entry.path().extension().string();
  std::ranges::transform(ext, ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".bgl";
}

// Pre-order walk as a recursive directory iterator would make it, but a folder that cannot
// be opened or read ends only its own subtree, with a scan-log line.
template <class Visit>
void lf_walkFolder(const fs::path& folder, const fs::path& stockScenery, bool& stop, Visit&& visit) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && !stop && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    if (lf_isUnderStockScenery(entry.path(), stockScenery)) continue;
    visit(entry);
    std::error_code dirEc;
    if (!stop && entry.is_directory(dirEc) && !entry.is_symlink(dirEc))
      lf_walkFolder(entry.path(), stockScenery, stop, visit);
  }
  if (ec) {
    lf_appendScanLog(fmt::format("{}folder {} skipped: {}", "===> ", gf_pathToUtf8(folder), ec.message()));
  }
}

void lf_scanFolderList(const std::vector<fs::path>& folders, const fs::path& stockScenery) {
  for (const fs::path& folder : folders) {
    if (folder.empty()) continue;
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error("status", folder, ec);
    if (!fs::exists(status)) {
      gf_setStatus(gf_pathToUtf8(folder) + " does not exist, skipped!", true);
    } else if (!fs::is_directory(status)) {
      gf_setStatus(gf_pathToUtf8(folder) + " is not a folder name, skipped!", true);
    } else if (!lf_isUnderStockScenery(folder, stockScenery)) {
      lf_scanBglFolder(folder, stockScenery);
    }
  }
}

// Tasks that outlived their collection may still write: the log and the package wait for
// them (without end, unless the program is closing).
void lf_waitForLateTasks() {
  while (!gf_waitForScanTasks(std::chrono::seconds(10))) {
    gf_logFlush("Waiting for scenery files still being read ...");
    if (gf_runEnding()) return;
  }
}

bool lf_scanAirportFolders(const std::vector<fs::path>& folders, const fs::path& stockScenery) {
  gf_logFlush(fmt::format("The scan will search {} folder{}", folders.size(), gf_plural(folders.size())));
  std::error_code ec;
  fs::remove(g_airportsScanLogPath, ec);
  if (ec) gf_logFlush("problems with removing previous files (maybe still open?): " + ec.message());
  {
    const std::lock_guard lock(g_airportsScan.scanLogMutex);
    g_airportsScan.scanLog.reserve(2048);
  }
  lf_scanFolderList(folders, stockScenery);
  lf_waitForLateTasks();
  std::vector<std::string> lines;
  {
    const std::lock_guard lock(g_airportsScan.scanLogMutex);
    lines.swap(g_airportsScan.scanLog);
  }
  fs::create_directories(g_airportsScanLogPath.parent_path(), ec);
  if (gf_writeLines(lines, g_airportsScanLogPath)) gf_logFlush(gf_pathToUtf8(g_airportsScanLogPath) + " written");
  gf_clearStatus();
  lf_copyToTblo();
  gf_makeTbloPackage();
  const auto count = gf_countDirectoryEntries(g_myThirdpartyFolder);
  g_mainWindowState.thirdpartyCount = count;
  gf_invalidateMainWindow(g_stateRect, true);
  return count != 0;
}

void lf_runAirportsScan(const std::vector<fs::path>& folders, const fs::path& stockScenery) {
  gf_removeFilesFromDirectory(g_myOrbxFolder);
  gf_removeFilesFromDirectory(g_myThirdpartyFolder);
  if (!lf_scanAirportFolders(folders, stockScenery)) gf_setStatus("Warning: Scan has not found any add-on airports", true);
  auto& scan = g_settings.SCAN_AIRPORTS;
  scan.value = false;
  gf_saveBoolParameter(scan);
  scan.updateControl();
  gf_invalidateMainWindow(g_controlsRect, true);
}

}  // namespace

bool lf_isUnderStockScenery(const fs::path& path, const fs::path& stockScenery) {
  if (stockScenery.empty()) return false;
  return lf_lowerWide(path).find(lf_lowerWide(stockScenery)) != std::u16string::npos;
}

std::vector<fs::path> lf_getAirportFolders(const fs::path& stockScenery) {
  const std::string stock = gf_pathToUtf8(stockScenery);
  std::vector<fs::path> folders;
  for (const StringSetting& setting : g_settings.afolder) {
    const std::string value = setting.value();
    if (value.empty()) continue;
    if (value.find(stock) != std::string::npos) {
      throw UserErrorException(42, fmt::format("parameter {} points to stock airports instead of add-on airports!",
                                               setting.key));
    }
    gf_logFlush(fmt::format("From parameter {}: {}", setting.key, value));
    folders.emplace_back(value);
  }
  return folders;
}

void lf_scanBglFolder(const fs::path& folder, const fs::path& stockScenery) {
  gf_setStatus("Scanning for third party addon airports ...", false);
  const std::string folderText = gf_pathToUtf8(folder);
  lf_appendScanLog(fmt::format("\n\n\n+++++++++++++++++ Scanning for {} airports in:\n{}\n", "addon ", folderText));
  ScanTaskQueue<void> tasks;
  bool stop = false;
  lf_walkFolder(folder, stockScenery, stop, [&](const fs::directory_entry& entry) {
    try {
      if (!lf_isBglFile(entry)) return;
      const std::string pathText = gf_pathToUtf8(entry.path());
      if (lf_skippedByName(pathText) || !lf_isAirportBgl(entry.path())) return;
      if (gf_runEnding()) {
        stop = true;
        return;
      }
      tasks.start("lf_processBGLfile", [path = entry.path()] { lf_processBGLfile(path); });
      if (!tasks.full()) return;
      try {
        tasks.takeOldest();
      } catch (const std::exception& e) {
        lf_appendScanLog(fmt::format("{} airports search aborted, futs inner,\n{}\n{}\n{}", "===> ", e.what(),
                                     tasks.size(), pathText));
      }
    } catch (const std::exception& e) {
      lf_appendScanLog(fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ", folderText, e.what()));
    }
  });
  while (!tasks.empty()) {
    try {
      tasks.takeOldest();
    } catch (const std::exception& e) {
      lf_appendScanLog(fmt::format("{} airports search in {} aborted, futs outer error: {}", "===> ", folderText, e.what()));
    }
  }
}

void gf_scanAirports(const fs::path& stockScenery) {
  gf_setStatus("Scanning for airports ...", false);
  gf_log(fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++", "manual "));
  lf_emptyFolder(g_tbloFolder);
  const std::vector<fs::path> folders = lf_getAirportFolders(stockScenery);
  if (folders.empty()) {
    gf_openManual();
    gf_openParametersFolder();
    throw UserErrorException(49, fmt::format("Exit {} first!   Then set one or more afolder parameters to your add-on "
                                             "airports, see Manual 6.2",
                                             g_programName));
  }
  lf_runAirportsScan(folders, stockScenery);
  gf_log("-------------------------- airports scan ends    ----------------------------\n");
}

}  // namespace vexo
