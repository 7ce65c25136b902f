#include "updater/update_check.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

#include "foundation/charset.h"
#include "foundation/download.h"
#include "foundation/error.h"
#include "foundation/files.h"
#include "foundation/install_query.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/paths.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "updater/installer_download.h"
#include "updater/versions_file.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

const fs::path kVersionsPath = "versions.json";
const fs::path kReadmeName = "README.txt";
constexpr std::uint64_t kReleaseNotesMaxBytes = 16ULL * 1024 * 1024;
constexpr std::chrono::milliseconds kReleaseNotesTotalTime = std::chrono::minutes(2);

bool lf_fileExists(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error("exists", path, ec);
  return fs::exists(status);
}

// The server's versions.json, or nothing after one warning: without it start-up goes on
// with the local files and settings.
std::optional<nlohmann::json> lf_fetchVersions() {
  Downloader downloader;
  downloader.setLimits(gf_downloadLimits(g_versionsFileMaxBytes, g_versionsFileTotalTime));
  if (!downloader.download(gf_downloadBase() + kVersionsPath.string(), kVersionsPath, false)) {
    gf_logWarning("Downloading version info from my web site failed!");
    return std::nullopt;
  }
  std::string text;
  {
    std::ifstream in(kVersionsPath, std::ios::binary);
    if (!in.is_open()) {
      gf_logWarning("Cannot open versions.json");
      return std::nullopt;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::error_code ec;
  fs::remove(kVersionsPath, ec);
  if (ec) throw fs::filesystem_error("remove", kVersionsPath, ec);
  // A page that is not JSON at all comes from something between us and the server (a
  // proxy, a captive portal): the server is as good as unreachable.
  std::string error;
  auto document = gf_parseVersionsText(text, &error);
  if (!document) gf_logWarning(fmt::format("Version info from my web site is not JSON, ignored: {}", error));
  return document;
}

// Stages the installer of a newer program and asks the program to close; false then.
bool lf_checkProgram(const VersionData& web) {
  constexpr std::string_view key = "p3d_app";
  gf_log(fmt::format("{} program version at web = {}", key, web.toString()));
  if (!(web > g_programVersion)) {
    lf_logUpToDate(key);
    return true;
  }
  if (!gf_downloadNewVersion(web)) {
    throw UserErrorException(
        112, "The downloading/unzipping of the new version failed? Try manually via the Morvelt website");
  }
  const fs::path folder = fs::current_path() / g_newVersionFolder;
  Downloader downloader;
  downloader.setLimits(gf_downloadLimits(kReleaseNotesMaxBytes, kReleaseNotesTotalTime));
  const std::string notesUrl = gf_downloadBase() + "docs/" + g_releaseNotesPdf.string();
  if (!downloader.download(notesUrl, folder / g_releaseNotesPdf, true)) {
    gf_logWarning(fmt::format("could not download {} to {}", g_releaseNotesPdf.string(), gf_pathToUtf8(folder)));
  }
  const std::string notice = gf_newVersionNotice(fs::current_path());
  gf_logFlush(notice);
  gf_writeTextFile(notice, folder / kReadmeName);
  if (!platform::gf_openExplorerAt(folder / g_newVersionExe)) {
    platform::gf_messageBox("Could not open File Explorer at new version", "VDRK", platform::MessageIcon::exclamation);
    gf_setStatus("Opening file explorer at the new version failed? Try manually via the Morvelt website.", true);
  }
  gf_requestClosing(ExitReason::newVersion, 0);
  return false;
}

// A data file is fetched when the server has a newer one or the local one is missing;
// its version setting follows only a complete download, so a failed one is tried again at
// the next start.
void lf_checkDataFile(ParametersStore& store, std::string_view key, const VersionData& web, StringSetting& version,
                      const fs::path& local) {
  if (!(web > VersionData(version.value())) && lf_fileExists(local)) {
    lf_logUpToDate(key);
    return;
  }
  if (!gf_downloadDataFile(local.filename().string(), local)) return;
  version.setValue(web.toString());
  store.saveString(version);
  lf_logUpdated(key, web);
}

// A changed scan format switches its rescan on for this start-up.
void lf_checkScanFormat(ParametersStore& store, std::string_view key, const VersionData& web, StringSetting& version,
                        CheckboxSetting& scan, bool resultMissing) {
  if (!(web > VersionData(version.value())) && !resultMissing) {
    lf_logUpToDate(key);
    return;
  }
  scan.value = true;
  store.saveBool(scan);
  scan.updateControl();
  gf_invalidateMainWindow(g_controlsRect, true);
  version.setValue(web.toString());
  store.saveString(version);
  lf_logUpdated(key, web);
}

}  // namespace

void lf_logUpdated(std::string_view key, const VersionData& version) {
  gf_log(fmt::format("{} updated to {}", key, version.toString()));
}

void lf_logUpToDate(std::string_view key) { gf_log(fmt::format("{} version up-to-date", key)); }

void lf_logVersionNotFound(std::string_view key) { gf_logWarning(fmt::format("{} version not found", key)); }

bool gf_checkVersions(ParametersStore& store) {
  const std::optional<nlohmann::json> document = lf_fetchVersions();
  if (!document) return true;
  SettingsState& s = store.settings();
  const auto web = [&document](std::string_view key) {
    std::optional<VersionData> version = gf_webVersion(*document, key);
    if (!version) lf_logVersionNotFound(key);
    return version;
  };
  if (const auto v = web("p3d_app"); v && !lf_checkProgram(*v)) return false;
  if (const auto v = web("airports")) lf_checkDataFile(store, "airports", *v, s.AIRPORTS_VERSION, g_airportsEncPath);
  if (const auto v = web("aig")) lf_checkDataFile(store, "aig", *v, s.AIG_VERSION, g_aigRegcodesEncPath);
  if (const auto v = web("liveries")) {
    lf_checkScanFormat(store, "liveries", *v, s.LIV_SCAN_VERSION, s.SCAN_LIVERIES, !lf_fileExists(g_liveriesScannedPath));
  }
  if (const auto v = web("addons")) lf_checkScanFormat(store, "addons", *v, s.ADDONS_SCAN_VERSION, s.SCAN_AIRPORTS, false);
  if (const auto v = web("dbase")) lf_checkDataFile(store, "dbase", *v, s.DBASE_VERSION, g_dbaseEncPath);
  return true;
}

}  // namespace vexo
