// The walk of one liveries folder: which files become tasks, and the collection of their
// results in the order the walk found the files.
#include <fmt/format.h>

#include <algorithm>
#include <system_error>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/scan_tasks.h"
#include "foundation/text.h"
#include "liveries/liveries_scan.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

// A longer path is not descended into, as the simulator's own limit would fail it.
constexpr std::size_t kMaxWalkPathBytes = 249;

struct WalkEntry {
  fs::path path;
  bool folder = false;   // a real folder (a link to one is not followed)
  bool regular = false;  // a regular file (links followed)
};

// The folder's entries in byte order of their names, so results do not depend on the file
// system's listing order. A folder that cannot be listed is skipped with a log line.
std::vector<WalkEntry> lf_sortedEntries(const fs::path& folder) {
  std::vector<WalkEntry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    WalkEntry entry{it->path(), it->is_directory(ignored) && !it->is_symlink(ignored), it->is_regular_file(ignored)};
    entries.push_back(std::move(entry));
  }
  if (ec) gf_log(fmt::format("! Liveries walk skips {}: {}", gf_pathToUtf8(folder), ec.message()));
  std::ranges::sort(entries, {}, [](const WalkEntry& e) { return e.path.filename().string(); });
  return entries;
}

class FolderWalk {
public:
  FolderWalk(int folderIndex, const fs::path& root, const std::shared_ptr<const LiveryScanInputs>& inputs)
      : folderIndex_(folderIndex), root_(root), inputs_(inputs) {}

  // False when closing down stopped it; the tasks started are still collected.
  bool run() {
    walk(root_);
    while (!queue_.empty()) {
      try {
        lf_mergeFileResult(queue_.takeOldest());
      } catch (const std::exception& e) {
        gf_logWarning(fmt::format("liveries search aborted, futs outer, {}", e.what()));
      }
    }
    return !stopped_;
  }

private:
  void walk(const fs::path& folder) {
    for (const WalkEntry& entry : lf_sortedEntries(folder)) {
      if (stopped_) return;
      try {
        if (entry.folder) {
          if (descends(entry.path)) walk(entry.path);
        } else if (entry.regular && lf_isAircraftCfgName(entry.path)) {
          if (gf_runEnding()) {
            stopped_ = true;
            return;
          }
          startTask(entry.path);
        }
      } catch (const std::exception& e) {
        gf_logWarning(
            fmt::format("liveries search in {} aborted, cause: {}", gf_pathToUtf8(entry.path), e.what()));
      }
    }
  }

  // Folders of airport sceneries hold no aircraft; only the part below the root counts,
  // so a root that itself lies in such a folder is still scanned.
  bool descends(const fs::path& folder) const {
    if (folder.lexically_relative(root_).string().find("airport") != std::string::npos) return false;
    return gf_pathToUtf8(folder).size() <= kMaxWalkPathBytes;
  }

  void startTask(const fs::path& file) {
    const bool ivao = lf_isIvaoPath(file);
    const std::string name =
        fmt::format("{} {}", ivao ? "lf_searchLiveriesinIVAOFile" : "lf_searchLiveriesinFile", gf_pathToUtf8(file));
    queue_.start(name, [ivao, index = folderIndex_, file, inputs = inputs_] {
      return ivao ? lf_searchLiveriesinIVAOFile(index, file, *inputs) : lf_searchLiveriesinFile(index, file, *inputs);
    });
    if (!queue_.full()) return;
    try {
      lf_mergeFileResult(queue_.takeOldest());
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("liveries inner search aborted: {}", e.what()));
    }
  }

  const int folderIndex_;
  const fs::path root_;
  const std::shared_ptr<const LiveryScanInputs> inputs_;
  ScanTaskQueue<CfgFileResult> queue_;
  bool stopped_ = false;
};

}  // namespace

bool lf_isAircraftCfgName(const fs::path& file) {
  const std::string stem = file.stem().string();
  return gf_equalsNoCase(file.extension().string(), ".cfg") &&
         (gf_equalsNoCase(stem, "aircraft") || gf_equalsNoCase(stem, "sim"));
}

bool lf_isIvaoPath(const fs::path& file) {
  return std::any_of(file.begin(), file.end(),
                     [](const fs::path& part) { return part == "IVAO_MTL" || part == "ivao_x-csl"; });
}

bool lf_searchLiveriesInFolder(int folderIndex, const fs::path& folder,
                               const std::shared_ptr<const LiveryScanInputs>& inputs) {
  return FolderWalk(folderIndex, folder, inputs).run();
}

void lf_mergeFileResult(CfgFileResult&& result) {
  auto& scan = g_liveryScan;
  scan.reports.append(std::move(result.reports));
  for (auto& found : result.liveries) {
    if (scan.scannedTitles.insert(found.livery.title).second) {
      scan.scannedLiveries.push_back(std::move(found.livery));
    } else {
      scan.reports.addIncompleteSection(std::move(found.takenReport));
    }
  }
}

}  // namespace vexo
