// The walk of one liveries folder, spread over the scan's workers: each folder is one task
// that lists it, gives a task to each sub-folder it descends into and reads the
// configuration files it holds. The start-up thread merges the results in walk order
// (folders depth first, entries in byte order of their names), the order in which a
// single thread would have found the files, so titles are claimed in the same order and
// the result is the same at any worker count.
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/scan_tasks.h"
#include "foundation/text.h"
#include "liveries/liveries_scan.h"
#include "platform/folder_listing.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

using platform::EntryType;

// A longer path is not descended into, as the simulator's own limit would fail it.
constexpr std::size_t kMaxWalkPathBytes = 249;

struct FolderNode;

// One entry of a folder, in walk order: a sub-folder, or a configuration file's result.
struct WalkItem {
  std::shared_ptr<FolderNode> folder;  // set for a sub-folder
  CfgFileResult result;
  std::string failure;  // the file's task failed: why
};

// One folder of the walk. Its task fills items; the merging thread reads them once done
// is set (both under WalkState::mutex, so the items are complete when it reads them).
struct FolderNode {
  // The walk's root.
  explicit FolderNode(std::string path) : path(std::move(path)), relativeAt(this->path.size()) {}
  // A sub-folder, opened by its name inside its parent's open folder.
  FolderNode(const FolderNode& parent, std::shared_ptr<const platform::OpenFolder> parentOpen, std::string_view name)
      : path(lf_joined(parent.path, name)),
        relativeAt(parent.relativeAt == parent.path.size() ? path.size() - name.size() : parent.relativeAt),
        parentOpen(std::move(parentOpen)),
        nameAt(path.size() - name.size()) {}

  static std::string lf_joined(const std::string& folder, std::string_view name) {
    std::string joined;
    joined.reserve(folder.size() + 1 + name.size());
    joined = folder;
    if (!joined.empty() && joined.back() != '/') joined += '/';
    joined += name;
    return joined;
  }

  // The part below the walk's root, "/" between names.
  std::string_view relative() const { return std::string_view(path).substr(relativeAt); }

  const std::string path;
  const std::size_t relativeAt;
  // Only the folder's own task touches these: the parent, open, until this folder is open.
  std::shared_ptr<const platform::OpenFolder> parentOpen;
  std::size_t nameAt = 0;
  std::vector<WalkItem> items;
  bool started = false;
  bool done = false;
  std::chrono::steady_clock::time_point startedAt;
};

// What the walk's tasks share with the merging thread; a task that outlives the walk
// keeps it alive.
struct WalkState {
  WalkState(int folderIndex, std::shared_ptr<const LiveryScanInputs> inputs, ScanWorkerPool::Sink sink)
      : folderIndex(folderIndex), inputs(std::move(inputs)), sink(std::move(sink)) {}
  const int folderIndex;
  const std::shared_ptr<const LiveryScanInputs> inputs;
  const ScanWorkerPool::Sink sink;
  std::atomic<bool> stopped{false};  // closing down: no more files are read
  std::mutex mutex;                   // guards the nodes' started, startedAt and done, and awaited
  std::condition_variable changed;    // signalled when the awaited folder is done
  const FolderNode* awaited = nullptr;  // the folder the merging thread waits for
};

bool lf_isAircraftCfgFileName(std::string_view name) {
  return gf_equalsUpper("AIRCRAFT.CFG", name) || gf_equalsUpper("SIM.CFG", name);
}

// Runs one configuration file's task; a failure is logged under the task's name and kept
// for the merge.
WalkItem lf_readCfgFile(const WalkState& walk, const fs::path& file, const KnownFolder& folder) {
  WalkItem item;
  const bool ivao = lf_isIvaoPath(file);
  const auto name = [&] {
    return fmt::format("{} {}", ivao ? "lf_searchLiveriesinIVAOFile" : "lf_searchLiveriesinFile", gf_pathToUtf8(file));
  };
  try {
    item.result = ivao ? lf_searchLiveriesinIVAOFile(walk.folderIndex, file, *walk.inputs, &folder)
                       : lf_searchLiveriesinFile(walk.folderIndex, file, *walk.inputs, &folder);
  } catch (const std::exception& e) {
    gf_log("! Exception in " + name() + ": " + e.what());
    item.failure = e.what();
  } catch (...) {
    gf_log("! Unknown exception in " + name());
    item.failure = "unknown exception";
  }
  return item;
}

void lf_walkFolder(const std::shared_ptr<WalkState>& walk, const std::shared_ptr<FolderNode>& node);

// Gives the sub-folder its own task; false when the pool takes no more.
bool lf_startFolder(const std::shared_ptr<WalkState>& walk, const std::shared_ptr<FolderNode>& node) {
  return walk->sink.submit([walk, node] { lf_walkFolder(walk, node); });
}

// Folders of airport sceneries hold no aircraft; only the part below the root counts,
// so a root that itself lies in such a folder is still scanned.
bool lf_descends(const FolderNode& folder) {
  return folder.relative().find("airport") == std::string_view::npos && folder.path.size() <= kMaxWalkPathBytes;
}

// Opens the folder (by its name in its parent, which it then lets go) and lists it.
std::error_code lf_openAndList(FolderNode& node, platform::OpenFolder& open, CaseBlindPaths::Entries& entries) {
  std::error_code ec;
  if (node.parentOpen) {
    ec = open.openIn(*node.parentOpen, node.path.c_str() + node.nameAt);
    node.parentOpen.reset();
  } else {
    ec = open.open(fs::path(node.path));
  }
  return ec ? ec : open.list(entries);
}

void lf_listAndRead(const std::shared_ptr<WalkState>& walk, FolderNode& node, std::vector<WalkItem>& items) {
  CaseBlindPaths::Entries entries;
  const auto open = std::make_shared<platform::OpenFolder>();
  if (const std::error_code ec = lf_openAndList(node, *open, entries)) {
    gf_log(fmt::format("! Liveries walk skips {}: {}", node.path, ec.message()));
    return;
  }
  lf_sortByName(entries);
  for (const auto& entry : entries) {
    if (walk->stopped) return;
    try {
      if (entry.type == EntryType::directory) {
        auto child = std::make_shared<FolderNode>(node, open, entry.name);
        if (!lf_descends(*child)) continue;
        // With enough work queued, the sub-folder is walked here: most are small (a
        // texture folder), and a task costs more than listing one.
        if (walk->sink.saturated()) {
          lf_walkFolder(walk, child);
        } else if (!lf_startFolder(walk, child)) {
          return;
        }
        items.push_back(WalkItem{std::move(child), {}, {}});
        continue;
      }
      if (!lf_isAircraftCfgFileName(entry.name)) continue;
      const fs::path file(FolderNode::lf_joined(node.path, entry.name));
      if (entry.type == EntryType::symlink || entry.type == EntryType::other) {
        std::error_code ignored;
        if (!fs::is_regular_file(file, ignored)) continue;
      } else if (entry.type != EntryType::regular) {
        continue;
      }
      if (gf_runEnding()) {
        walk->stopped = true;
        return;
      }
      items.push_back(lf_readCfgFile(*walk, file, KnownFolder{entries, *open, entry.name}));
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("liveries search in {} aborted, cause: {}",
                                FolderNode::lf_joined(node.path, entry.name), e.what()));
    }
  }
}

void lf_walkFolder(const std::shared_ptr<WalkState>& walk, const std::shared_ptr<FolderNode>& node) {
  {
    std::lock_guard lock(walk->mutex);
    node->started = true;
    node->startedAt = std::chrono::steady_clock::now();
  }
  std::vector<WalkItem> items;
  try {
    if (!walk->stopped) lf_listAndRead(walk, *node, items);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("liveries search in {} aborted, cause: {}", node->path, e.what()));
  }
  bool awaited = false;
  {
    std::lock_guard lock(walk->mutex);
    node->items = std::move(items);
    node->done = true;
    awaited = walk->awaited == node.get();
  }
  // Only the folder the merge waits for wakes it, not every folder that is done.
  if (awaited) walk->changed.notify_all();
}

class FolderWalk {
public:
  FolderWalk(ScanWorkerPool& pool, int folderIndex, const fs::path& root,
             const std::shared_ptr<const LiveryScanInputs>& inputs)
      : walk_(std::make_shared<WalkState>(folderIndex, inputs, pool.sink())),
        root_(std::make_shared<FolderNode>(root.native())) {}

  // False when closing down stopped it; what was read is still merged.
  bool run() {
    if (lf_startFolder(walk_, root_)) merge(*root_);
    return !walk_->stopped;
  }

private:
  // Waits for the folder's task; false when it ran longer than the wait that the scan
  // gives a task (the time it spent queued does not count).
  bool waitFor(const FolderNode& node) {
    std::unique_lock lock(walk_->mutex);
    walk_->awaited = &node;
    for (;;) {
      if (node.done) break;
      const auto now = std::chrono::steady_clock::now();
      if (node.started && now - node.startedAt >= g_scanFutureWait) break;
      walk_->changed.wait_until(lock, node.started ? node.startedAt + g_scanFutureWait : now + g_scanFutureWait);
    }
    walk_->awaited = nullptr;
    return node.done;
  }

  void merge(FolderNode& node) {
    if (!waitFor(node)) {
      gf_logWarning(fmt::format("liveries inner search aborted: Future wait timed out after {} seconds",
                                std::chrono::duration_cast<std::chrono::seconds>(g_scanFutureWait).count()));
      return;
    }
    std::vector<WalkItem> items = std::move(node.items);
    for (auto& item : items) {
      if (item.folder) {
        merge(*item.folder);
      } else if (!item.failure.empty()) {
        gf_logWarning(fmt::format("liveries inner search aborted: {}", item.failure));
      } else {
        lf_mergeFileResult(std::move(item.result));
      }
    }
  }

  const std::shared_ptr<WalkState> walk_;
  const std::shared_ptr<FolderNode> root_;
};

}  // namespace

bool lf_isAircraftCfgName(const fs::path& file) { return lf_isAircraftCfgFileName(file.filename().native()); }

bool lf_isIvaoPath(const fs::path& file) {
  return std::any_of(file.begin(), file.end(),
                     [](const fs::path& part) { return part == "IVAO_MTL" || part == "ivao_x-csl"; });
}

bool lf_searchLiveriesInFolder(ScanWorkerPool& pool, int folderIndex, const fs::path& folder,
                               const std::shared_ptr<const LiveryScanInputs>& inputs) {
  return FolderWalk(pool, folderIndex, folder, inputs).run();
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
