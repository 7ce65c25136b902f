// The scan's report lists: what the scan refused or corrected, one line each, written to
// the report files under output/errors and output/info at the end of the scan.
//
// Every worker task fills its own ScanReports, which comes back with its result; the
// driver appends them to the scan's lists in the order it collects the results (the order
// in which the walk found the files), so the reports do not depend on which worker
// finishes first, and no list is shared between threads.
#pragma once

#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace vexo {

struct ScanReports {
  std::list<std::string> noFltsimFiles;        // AircraftCfgWithNoFltsimSection.txt
  std::list<std::string> invalidCfgFiles;      // InvalidAircraftCfgFiles.txt
  std::list<std::string> incompleteSections;   // IncompleFltsimSections.txt
  std::list<std::string> invalidAirlineCodes;  // InvalidAirlineCodes.txt
  std::list<std::string> invalidModelCodes;    // InvalidAircraftCodes.txt
  std::vector<std::string> modelFixes;         // Fixes.txt, in the order found

  void addInvalidCfgFile(std::string line) { invalidCfgFiles.push_back(std::move(line)); }
  void addIncompleteSection(std::string line) { incompleteSections.push_back(std::move(line)); }
  void addModelFix(std::string line) { modelFixes.push_back(std::move(line)); }
  // "{:12} in {} " + head line.
  void addInvalidAirlineCode(std::string_view code, std::string_view pathText, std::string_view headLine);
  // "{:16} in {}".
  void addInvalidModelCode(std::string_view code, std::string_view pathText);

  // Moves the other's lines to the end of each list.
  void append(ScanReports&& other);
  void clear();
  // Whether every error list (all but noFltsimFiles) is empty.
  bool noErrors() const;
};

// Writes each line followed by "\n" (binary, truncating). False when the file cannot be
// opened or a write fails.
bool gf_writeListFile(const std::list<std::string>& lines, const std::filesystem::path& file);

}  // namespace vexo
