// Registration codes of the livery index, from three sources in order: the liveries' own
// (in-line), the AIG list shipped encrypted, and the user's my_regcodes files.
#include <fmt/format.h>

#include <filesystem>
#include <system_error>

#include "engine/aircraft_texts.h"
#include "foundation/datafile_decrypt.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/status_line.h"
#include "foundation/text.h"
#include "liveries/liveries_scan.h"
#include "liveries/livery_index.h"
#include "refdata/regcode_lists.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

void lf_ensureFolder(const fs::path& folder) {
  std::error_code ec;
  const bool exists = fs::exists(folder, ec);
  if (ec) throw fs::filesystem_error("exists", folder, ec);
  if (!exists && !fs::create_directories(folder, ec) && ec) throw fs::filesystem_error("create_directory", folder, ec);
}

}  // namespace

void lf_processInlineRegcodes() {
  auto& index = g_liveryIndex;
  std::vector<std::string> clashes;
  for (const LiveryData& l : g_liveryScan.scannedLiveries) {
    if (l.regcode.empty()) continue;
    const std::string& r = l.regcode;
    const std::string_view t = lf_indexedTitle(l.title);
    if (t.empty()) {
      AcIdent ident;
      ident.codes = l.codes;
      clashes.push_back(fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                                    gf_acLabel(ident), r, l.title));
      continue;
    }
    if (const auto [it, added] = index.regcodeTitles.try_emplace(r, t); !added && it->second != t)
      clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", r, l.title, it->second));
    if (const auto [it, added] = index.titleRegcodes.try_emplace(t, r); !added && it->second != r)
      clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", l.title, r, it->second));
  }
  if (clashes.empty()) return;
  lf_ensureFolder(g_inlineRegcodesPath.parent_path());
  (void)gf_writeLines(clashes, g_inlineRegcodesPath);
  gf_log(fmt::format("{:5} in-line regcode clashes, see '{}'", clashes.size(), g_inlineRegcodesPath.string()));
}

void lf_mergeRegcodeEntries(const std::vector<RegcodeEntry>& entries) {
  auto& index = g_liveryIndex;
  std::size_t added = 0;
  std::size_t replaced = 0;
  std::size_t special = 0;
  for (const RegcodeEntry& entry : entries) {
    const std::string_view t = lf_indexedTitle(entry.title);
    if (t.empty()) continue;
    for (const std::string& r : entry.regcodes) {
      const auto [it, isNew] = index.regcodeTitles.try_emplace(r, t);
      if (isNew) {
        ++added;
      } else if (it->second != t) {
        index.offlineRegcodeReport.push_back(
            fmt::format("   regcode {} for '{}', instead of the same for '{}'", r, t, it->second));
        it->second = t;
        ++replaced;
      }
      if (entry.sFlag && entry.regcodes.size() == 1) index.uniqueRegcodes.insert(r);
    }
    if (entry.sFlag) {
      index.reservedTitles.push_back(t);
      index.reservedTitleSet.insert(t);
      ++special;
    }
  }
  std::string line = fmt::format("{} new regcode{} added", added, gf_plural(added));
  if (replaced != 0) line += fmt::format(", {} regcode{} replaced", replaced, gf_plural(replaced));
  if (special != 0) line += fmt::format(", {} regcode{} defined as special", special, gf_plural(special));
  index.offlineRegcodeReport.push_back(std::move(line));
}

void lf_processAigRegcodes() {
  auto& report = g_liveryIndex.offlineRegcodeReport;
  report.push_back(fmt::format("Processing file {}", g_aigRegcodesXmlPath.string()));
  std::vector<RegcodeEntry> entries;
  entries.reserve(7000);
  if (!gf_readAigRegcodes(entries))
    report.push_back(fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                 g_aigRegcodesXmlPath.string()));
  lf_mergeRegcodeEntries(entries);
}

void lf_processMyRegcodes() {
  if (gf_countDirectoryEntries(g_myRegcodesFolder) == 0) return;
  g_liveryIndex.offlineRegcodeReport.push_back(fmt::format("Processing files in {}", g_myRegcodesFolder.string()));
  std::vector<RegcodeEntry> entries;
  entries.reserve(1000);
  if (!gf_readRegcodeFiles(g_myRegcodesFolder, entries))
    gf_setStatus(fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt",
                             g_myRegcodesFolder.string()),
                 true);
  lf_mergeRegcodeEntries(entries);
}

void lf_processOfflineRegcodes() {
  auto& index = g_liveryIndex;
  index.offlineRegcodeReport.clear();
  try {
    if (gf_streamDecrypt(g_aigRegcodesEncPath, g_aigRegcodesXmlPath)) {
      RemoveFileGuard removeDecrypted(g_aigRegcodesXmlPath);  // the plain list never stays on disk
      lf_processAigRegcodes();
    } else {
      // The user's own lists do not depend on the shipped one.
      gf_logWarning(fmt::format("{} could not be decrypted: only the regcode files in {} are used",
                                g_aigRegcodesEncPath.string(), g_myRegcodesFolder.string()));
    }
    lf_processMyRegcodes();
    if (index.offlineRegcodeReport.empty()) return;  // nothing processed: the last report stays
    std::error_code ec;
    fs::remove(g_offlineRegcodesPath, ec);
    if (ec) throw fs::filesystem_error("remove", g_offlineRegcodesPath, ec);
    lf_ensureFolder(g_offlineRegcodesPath.parent_path());
    (void)gf_writeLines(index.offlineRegcodeReport, g_offlineRegcodesPath);
    gf_log(fmt::format("Offline regcode files processed, results can be found in '{}'", g_offlineRegcodesPath.string()));
    if (!index.reservedTitles.empty()) gf_log(fmt::format("{:5} special liveries", index.reservedTitles.size()));
    if (!index.uniqueRegcodes.empty()) gf_log(fmt::format("{:5} unique liveries", index.uniqueRegcodes.size()));
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("exception: {}", e.what()));
  }
}

}  // namespace vexo
