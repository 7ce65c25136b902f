// Before and after the scan's walk: the previous scan's files, the titles not to use, the
// report files and their summary in Log.txt.
#include <fmt/format.h>

#include <system_error>

#include "foundation/datafile_decrypt.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "liveries/liveries_scan.h"
#include "refdata/regcode_lists.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

void lf_ensureErrorsFolder() {
  std::error_code ec;
  const bool exists = fs::exists(g_errorsFolder, ec);
  if (ec) throw fs::filesystem_error("exists", g_errorsFolder, ec);
  if (!exists && !fs::create_directory(g_errorsFolder, ec) && ec) {
    throw fs::filesystem_error("create_directory", g_errorsFolder, ec);
  }
}

void lf_writeReport(std::list<std::string>& lines, const fs::path& file, std::string_view what, bool checkFolder) {
  if (lines.empty()) return;
  if (checkFolder) lf_ensureErrorsFolder();
  lines.sort();
  if (!gf_writeListFile(lines, file)) gf_logWarning(fmt::format("Error writing file {}", file.string()));
  gf_log(fmt::format("{:5} {}, see {}", lines.size(), what, file.filename().string()));
}

std::size_t lf_appendDontUseTitles(const std::vector<RegcodeEntry>& entries) {
  std::size_t added = 0;
  for (const auto& entry : entries) {
    if (!entry.regcodes.empty()) continue;
    g_liveryScan.dontUseTitles.push_back(entry.title);
    ++added;
  }
  return added;
}

}  // namespace

void lf_removeLiveryScanFiles() {
  try {
    for (const fs::path* file : {&g_noFltsimSectionPath, &g_inlineRegcodesPath,
                                 &g_invalidAirlineCodesPath, &g_invalidAircraftCodesPath, &g_fixesPath,
                                 &g_invalidAircraftCfgFilesPath, &g_incompleteFltsimSectionsPath, &g_errorsFolder}) {
      fs::remove(*file);
    }
  } catch (const std::exception& e) {
    gf_log(fmt::format("problems with removing previous files: {}", e.what()));
  }
}

void lf_readAigDontUseTitles() {
  std::vector<RegcodeEntry> entries;
  entries.reserve(7000);
  (void)gf_readAigRegcodes(entries);
  const std::size_t added = lf_appendDontUseTitles(entries);
  gf_log(fmt::format("{:5} don't use title{} read", added, gf_plural(added)));
}

void lf_readMyDontUseTitles() {
  std::vector<RegcodeEntry> entries;
  entries.reserve(1000);
  (void)gf_readRegcodeFiles(g_myRegcodesFolder, entries);
  const std::size_t added = lf_appendDontUseTitles(entries);
  gf_log(fmt::format("{:5} don't use title{} read from files in {}", added, gf_plural(added),
                     g_myRegcodesFolder.string()));
}

void lf_loadDontUseTitles() {
  g_liveryScan.dontUseTitles.clear();
  try {
    if (gf_streamDecrypt(g_aigRegcodesEncPath, g_aigRegcodesXmlPath)) {
      // The plain list must not stay on disk, however the reading ends.
      RemoveFileGuard removeDecrypted(g_aigRegcodesXmlPath);
      lf_readAigDontUseTitles();
    }
    if (gf_countDirectoryEntries(g_myRegcodesFolder) > 0) lf_readMyDontUseTitles();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("exception: {}", e.what()));
  }
}

void lf_writeFixes() {
  try {
    fs::create_directories(g_fixesPath.parent_path());
    if (!gf_writeLines(g_liveryScan.reports.modelFixes, g_fixesPath)) {
      gf_log(fmt::format("Error writing file {}: {}", g_fixesPath.filename().string(), "write failed"));
    }
  } catch (const std::exception& e) {
    gf_log(fmt::format("Error writing file {}: {}", g_fixesPath.filename().string(), e.what()));
  }
}

void lf_logLiveryScanSummary() {
  auto& reports = g_liveryScan.reports;
  gf_log(reports.noErrors() ? "\nNo errors" : "\nErrors:");
  auto plural = [](const std::list<std::string>& l) { return gf_plural(l.size()); };
  lf_writeReport(reports.invalidAirlineCodes, g_invalidAirlineCodesPath,
                 "invalid airline code" + plural(reports.invalidAirlineCodes), true);
  lf_writeReport(reports.invalidModelCodes, g_invalidAircraftCodesPath,
                 "invalid model code" + plural(reports.invalidModelCodes), true);
  if (!reports.modelFixes.empty()) {
    lf_writeFixes();
    gf_log(fmt::format("{:5} fixes, see {}", reports.modelFixes.size(), g_fixesPath.filename().string()));
  }
  lf_writeReport(reports.invalidCfgFiles, g_invalidAircraftCfgFilesPath, "invalid aircraft.cfg files", true);
  reports.incompleteSections.sort();
  reports.incompleteSections.unique();
  lf_writeReport(reports.incompleteSections, g_incompleteFltsimSectionsPath, "incomplete [fltsim.x] sections", true);
  gf_log("\nInformation:");
  lf_writeReport(reports.noFltsimFiles, g_noFltsimSectionPath, "empty aircraft.cfg files", false);
}

void lf_clearScanReports() {
  auto& scan = g_liveryScan;
  auto fixes = std::move(scan.reports.modelFixes);
  scan.reports.clear();
  scan.reports.modelFixes = std::move(fixes);
  scan.scannedTitles.clear();
  scan.dontUseTitles.clear();
}

}  // namespace vexo
