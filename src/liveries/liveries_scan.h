// The liveries scan: finds every installed livery below the lfolder0 .. lfolder9 folders,
// with one pool of workers for the whole scan (a task per folder, which reads the
// aircraft.cfg/sim.cfg files it holds), and saves the result as
// output/LiveriesScanned.xml with its report files. Runs on the start-up thread.
#pragma once

#include <cstddef>
#include <filesystem>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/scan_tasks.h"
#include "liveries/cfg_sections.h"
#include "liveries/livery_data.h"
#include "liveries/scan_reports.h"

namespace vexo {

// The scan's state; one production instance, g_liveryScan. Start-up thread only: the
// worker tasks get their inputs as a shared copy and hand everything back through their
// results.
struct LiveryScanState {
  // Filled in collection order, then prioritised, sorted, deduplicated, written and
  // emptied; refilled from the file by lf_readScannedLiveries for the livery index.
  std::list<LiveryData> scannedLiveries;
  // Set when the scan found liveries but could not save them: scannedLiveries then keeps
  // them, sorted, and the livery index is built from them instead of the file.
  bool unsavedResult = false;
  std::set<std::string> scannedTitles;     // titles claimed in this scan, in collection order
  ScanReports reports;                     // this scan's report lists
  std::vector<std::string> dontUseTitles;  // titles the regcode lists forbid
};
extern LiveryScanState g_liveryScan;

enum class LiveryScanOutcome { found, nothingFound, interrupted, saveFailed };

// The whole scan; throws UserErrorException 48 (no folder configured), 243 (a configured
// folder is missing) and 53 (no livery found). SCAN_LIVERIES is switched off only after a
// scan that found liveries and saved them.
void gf_scanLiveries();

// Scans the folders in order and finishes the result (file, reports, summary). The
// previous LiveriesScanned.xml stays until the new one replaces it; a scan that finds
// nothing removes it.
LiveryScanOutcome lf_scanLiveryFolders(const std::vector<std::filesystem::path>& folders);

// Walks one folder on the scan's workers and merges the results into
// g_liveryScan.scannedLiveries in walk order. False when closing down stopped the walk.
bool lf_searchLiveriesInFolder(ScanWorkerPool& pool, int folderIndex, const std::filesystem::path& folder,
                               const std::shared_ptr<const LiveryScanInputs>& inputs);

// The walk's test of a file: "aircraft.cfg" or "sim.cfg" in any ASCII case.
bool lf_isAircraftCfgName(const std::filesystem::path& file);
// Whether a component of the path is "IVAO_MTL" or "ivao_x-csl" (exactly).
bool lf_isIvaoPath(const std::filesystem::path& file);

// Merges one task's result: its reports, then its liveries whose titles are still free;
// a taken title is reported instead.
void lf_mergeFileResult(CfgFileResult&& result);

// LIG_PRIORITIZE: drops a livery when one of the same airline, operator and model came
// from a folder of a smaller index.
void lf_prioritizeLiveries(std::list<LiveryData>& liveries);
// Of adjacent liveries with equal title, codes ids and registration, keeps the first.
std::size_t lf_removeDuplicateLiveries();

// The report files of the previous scan (LiveriesScanned.xml stays, see above).
void lf_removeLiveryScanFiles();
void lf_loadDontUseTitles();
void lf_readAigDontUseTitles();
void lf_readMyDontUseTitles();
void lf_logLiveryScanSummary();
void lf_writeFixes();
void lf_clearScanReports();

}  // namespace vexo
