#include "liveries/scan_reports.h"

#include <fmt/format.h>

#include <fstream>

namespace vexo {

void ScanReports::addInvalidAirlineCode(std::string_view code, std::string_view pathText, std::string_view headLine) {
  invalidAirlineCodes.push_back(fmt::format("{:12} in {} {}", code, pathText, headLine));
}

void ScanReports::addInvalidModelCode(std::string_view code, std::string_view pathText) {
  invalidModelCodes.push_back(fmt::format("{:16} in {}", code, pathText));
}

void ScanReports::append(ScanReports&& other) {
  noFltsimFiles.splice(noFltsimFiles.end(), other.noFltsimFiles);
  invalidCfgFiles.splice(invalidCfgFiles.end(), other.invalidCfgFiles);
  incompleteSections.splice(incompleteSections.end(), other.incompleteSections);
  invalidAirlineCodes.splice(invalidAirlineCodes.end(), other.invalidAirlineCodes);
  invalidModelCodes.splice(invalidModelCodes.end(), other.invalidModelCodes);
  modelFixes.insert(modelFixes.end(), std::make_move_iterator(other.modelFixes.begin()),
                    std::make_move_iterator(other.modelFixes.end()));
  other.modelFixes.clear();
}

void ScanReports::clear() { *this = ScanReports{}; }

bool ScanReports::noErrors() const {
  return invalidAirlineCodes.empty() && invalidModelCodes.empty() && modelFixes.empty() && invalidCfgFiles.empty() &&
         incompleteSections.empty();
}

bool gf_writeListFile(const std::list<std::string>& lines, const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) return false;
  for (const auto& line : lines) out << line << '\n';
  out.flush();
  out.close();
  return !out.fail();
}

}  // namespace vexo
