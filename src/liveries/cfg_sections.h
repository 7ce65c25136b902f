// One aircraft.cfg (or sim.cfg) file turned into livery records: the section numbers, the
// aircraft model, the split into [fltsim.N] sections and each section's keys, with the
// rules of ordinary files and of IVAO_MTL library files. Runs on a worker thread, one file
// per task; a task touches only its own CfgFileJob and the scan's read-only inputs (and
// the code pools, which lock themselves).
#pragma once

#include <filesystem>
#include <list>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "liveries/case_blind_paths.h"
#include "liveries/livery_data.h"
#include "liveries/scan_reports.h"

namespace vexo {

// What the scan gives every task and never changes while tasks run. Shared (shared_ptr)
// by the driver and each task, so a task that outlives its collection still reads it.
struct LiveryScanInputs {
  std::vector<std::string> dontUseTitles;  // exact, case-sensitive titles not to use
};

// A livery a section yields. Its title is claimed by the driver, in collection order;
// when the title is taken already, takenReport goes to the incomplete sections.
struct FoundLivery {
  LiveryData livery;
  std::string takenReport;
};

// What one task hands back.
struct CfgFileResult {
  std::list<FoundLivery> liveries;
  ScanReports reports;
};

// The lines of a file: views into the file's text, which outlives them.
using CfgLines = std::vector<std::string_view>;

// What the walk has at hand about a file's folder: its listing (sorted by name), against
// which the files a section names are looked up, and the folder itself, open, from which
// the file is opened by its name.
struct KnownFolder {
  const CaseBlindPaths::Entries& entries;
  const platform::OpenFolder& open;
  const std::string& fileName;
};

// One file's task state.
struct CfgFileJob {
  CfgFileJob(int folderIndex, std::filesystem::path file, const LiveryScanInputs& inputs);

  const int folderIndex;
  const std::filesystem::path file;
  const std::filesystem::path folder;  // the folder that holds the file
  const std::string pathText;          // the file's path as report lines show it
  const LiveryScanInputs& inputs;
  CfgFileResult result;
  CaseBlindPaths paths;
};

// The largest aircraft.cfg or sim.cfg that is read (real ones hold some tens of KB); a
// larger one is not read at all, but reported in InvalidAircraftCfgFiles.txt.
inline constexpr std::size_t g_maxAircraftCfgBytes = std::size_t{1} << 20;

// The worker tasks: every section of the file that makes a complete livery, in file order.
// folder, when given, is what the walk knows of the file's folder.
CfgFileResult lf_searchLiveriesinFile(int folderIndex, const std::filesystem::path& file,
                                      const LiveryScanInputs& inputs, const KnownFolder* folder = nullptr);
CfgFileResult lf_searchLiveriesinIVAOFile(int folderIndex, const std::filesystem::path& file,
                                          const LiveryScanInputs& inputs, const KnownFolder* folder = nullptr);

// False when a head's number does not parse (logged) or is above 10000 (reported); a file
// without any head is reported and gives true.
bool lf_checkFltsimNumbers(const CfgLines& lines, CfgFileJob& job);
// The model code of the file's first atc_model line; empty (and reported) when unusable.
std::string lf_atcModelCode(const CfgLines& lines, CfgFileJob& job);
// The model code of an IVAO_MTL file from its folder name; empty (and reported) when none.
std::string lf_ivaoModelCode(CfgFileJob& job);

void lf_splitFltsimSections(const CfgLines& lines, const std::string& modelCode, CfgFileJob& job);
void lf_splitIvaoSections(const CfgLines& lines, const std::string& modelCode, CfgFileJob& job);

// One section; lines begins with the head line. Trailing empty and "//" lines are dropped.
std::optional<FoundLivery> lf_procesFltSimSection(CfgLines& lines, const std::string& modelCode,
                                                  CfgFileJob& job);
std::optional<FoundLivery> lf_procesIvaoSection(CfgLines& lines, const std::string& modelCode,
                                                CfgFileJob& job);

// Whether the title is one of the titles not to use.
bool lf_isDontUseTitle(const LiveryScanInputs& inputs, const std::string& title);

}  // namespace vexo
