#include "airports/tblo_package.h"

#include <list>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <zip.h>

#include "airports/airport_locations.h"
#include "airports/airports_state.h"
#include "airports/bgl_words.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "refdata/airports_db.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr const char* kMakerMail = "tblo@morvelt.com";

// Closes the archive and logs what it holds; the result of lf_zipFolder.
bool lf_logZipResult(zip_t* archive, const fs::path& target, std::size_t added) {
  const bool closed = zip_close(archive) == 0;
  if (!closed) zip_discard(archive);
  std::error_code ec;
  const bool exists = fs::exists(target, ec);
  std::uintmax_t size = 0;
  if (exists) {
    size = fs::file_size(target, ec);
    if (ec) size = static_cast<std::uintmax_t>(-1);
  }
  gf_logFlush(fmt::format("[zip] Added {} files, ok_close={}, exists={}, size={} bytes", added, closed, exists, size));
  return added >= 1 && exists && size != 0 && size != static_cast<std::uintmax_t>(-1);
}

}  // namespace

void lf_copyToTblo() {
  for (const std::string& code : gf_listXmlFiles(g_myThirdpartyFolder)) {
    const IcaoCode icao(code);
    if (!gf_isKnownAirport(icao)) continue;
    const fs::path source = gf_findCaseInsensitive(g_myThirdpartyFolder, gf_airportXmlName(icao));
    const fs::path target = g_tbloFolder / gf_airportXmlPath(icao);
    std::error_code ec;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      gf_logWarning(fmt::format("'{}' failed to copy '{}': {}", gf_pathToUtf8(source), gf_pathToUtf8(target), ec.message()));
      continue;
    }
    const fs::path link = g_myThirdpartyFolder / gf_airportTxtPath(icao);
    const bool exists = fs::exists(link, ec);
    if (ec) {
      gf_logWarning(fmt::format("exists({}) failed: {}", gf_pathToUtf8(link), ec.message()));
    } else if (exists && !fs::remove(link, ec)) {
      gf_logWarning(fmt::format("remove({}) failed: {}", gf_pathToUtf8(link), ec.message()));
    }
  }
}

bool lf_zipFolder(const fs::path& target) {
  std::error_code ec;
  const fs::file_status status = fs::status(g_tbloFolder, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error("status", g_tbloFolder, ec);
  if (!fs::is_directory(status)) {
    gf_logFlush(fmt::format("[zip] Not a directory: {}", gf_pathToUtf8(g_tbloFolder)));
    return false;
  }
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  gf_log(fmt::format("[zip] Target file: {}", gf_pathToUtf8(fs::absolute(target, ec))));
  gf_log(fmt::format("[zip] Source dir : {}", gf_pathToUtf8(fs::absolute(g_tbloFolder, ec))));
  if (fs::exists(target, ec)) {
    gf_log(fmt::format("[zip] Removing old zip {}", gf_pathToUtf8(target)));
    fs::remove(target, ec);
  }
  int error = 0;
  zip_t* archive = zip_open(target.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    gf_logFlush("[zip] Could not open archive for writing");
    return false;
  }
  // libzip reads the added bytes only when the archive is closed.
  std::list<std::vector<std::byte>> contents;
  std::size_t added = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(g_tbloFolder, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    const std::string pathText = gf_pathToUtf8(entry.path());
    auto bytes = gf_readFileBytes(entry.path());
    if (!bytes) {
      gf_log(fmt::format("[zip] READ FAIL: {}", pathText));
      continue;
    }
    const std::vector<std::byte>& data = contents.emplace_back(std::move(*bytes));
    const std::string name = gf_pathToUtf8(entry.path().filename());
    gf_log(fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", pathText, name, data.size()));
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
      if (source != nullptr) zip_source_free(source);
      gf_log(fmt::format("[zip] ERROR addData({})", name));
      continue;
    }
    ++added;
  }
  return lf_logZipResult(archive, target, added);
}

void gf_makeTbloPackage() {
  const std::uint64_t count = gf_countDirectoryEntries(g_tbloFolder);
  if (count == 0) {
    g_airportsScan.tbloPackageCount = 0;
    gf_logFlush("All your simaddon and third party airports are recognised, no off line learning needed.");
    return;
  }
  const fs::path zipPath = g_tbloFolder / g_tbloZipPath;
  if (!lf_zipFolder(zipPath)) gf_logWarning("Zippen TBLO folder failed");
  // Only the copies go: the archive just written is what the user mails.
  gf_removeXMLFilesFromDirectory(g_tbloFolder);
  g_airportsScan.tbloPackageCount = count;
  g_mainWindowState.tbloNote = true;
  g_settings.tbloZipButton.enable();
  std::error_code ec;
  gf_logFlush(fmt::format("\n! Mail {} to {}\n", gf_pathToUtf8(fs::absolute(zipPath, ec)), kMakerMail));
  gf_invalidateMainWindow(g_controlsRect, true);
}

}  // namespace vexo
