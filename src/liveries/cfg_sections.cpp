// The file-level rules: section numbers, the model code and the split into sections.
#include "liveries/cfg_sections.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

#include "foundation/log.h"
#include "foundation/text.h"
#include "liveries/cfg_keys.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr std::int32_t kMaxFltsimNumber = 10000;

// Steps shared by both kinds of file: a known model code stays, a known mistake is
// corrected (and reported as a fix), anything else is reported and gives no model.
std::string lf_checkedModelCode(const std::string& code, CfgFileJob& job) {
  if (g_dbase.modelCodes.contains(code)) return code;
  if (const auto correct = lf_fixOfModel(code)) {
    job.result.reports.addModelFix(fmt::format("Model fix: {} found in {} changed into {}", code, job.pathText, *correct));
    return *correct;
  }
  job.result.reports.addInvalidModelCode(code, job.pathText);
  return {};
}

bool lf_startsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && gf_equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool lf_isWordText(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// The folder name after "IVAO_" of .../IVAO_MTL/IVAO_<name>/aircraft.cfg (case-blind).
std::string lf_ivaoFolderName(const fs::path& file) {
  const fs::path folder = file.parent_path();
  const fs::path library = folder.parent_path();
  const std::string folderName = folder.filename().string();
  if (!gf_equalsUpper("AIRCRAFT.CFG", file.filename().string())) return {};
  if (!gf_equalsUpper("IVAO_MTL", library.filename().string())) return {};
  if (!library.has_parent_path()) return {};
  if (!lf_startsNoCase(folderName, "IVAO_") || !lf_isWordText(std::string_view(folderName).substr(5))) return {};
  return folderName.substr(5);
}

}  // namespace

CfgFileJob::CfgFileJob(int folderIndex, fs::path file, const LiveryScanInputs& inputs)
    : folderIndex(folderIndex),
      file(std::move(file)),
      folder(this->file.parent_path()),
      pathText(this->file.string()),
      inputs(inputs) {}

bool lf_isDontUseTitle(const LiveryScanInputs& inputs, const std::string& title) {
  return std::ranges::find(inputs.dontUseTitles, title) != inputs.dontUseTitles.end();
}

bool lf_checkFltsimNumbers(const CfgLines& lines, CfgFileJob& job) {
  bool anyHead = false;
  bool aboveLimit = false;
  for (const auto& line : lines) {
    const std::string_view number = lf_fltsimNumber(line);
    if (number.empty()) continue;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size()) {
      gf_logWarning(fmt::format("fltsim num {} incorrect", line));
      return false;
    }
    anyHead = true;
    aboveLimit = aboveLimit || value > kMaxFltsimNumber;
  }
  if (!anyHead) {
    job.result.reports.noFltsimFiles.push_back(job.pathText);
    return true;
  }
  if (aboveLimit) {
    job.result.reports.addInvalidCfgFile(
        fmt::format("{} contains a [fltsim.x] section with a number < 0 or > {}", job.pathText, kMaxFltsimNumber));
    return false;
  }
  return true;
}

std::string lf_atcModelCode(const CfgLines& lines, CfgFileJob& job) {
  for (const auto& line : lines) {
    const std::string value = lf_matchAtcModel(line);
    if (!value.empty()) return lf_checkedModelCode(value, job);
  }
  job.result.reports.addInvalidCfgFile("Line atc_model= is missing in [General] section of " + job.pathText);
  return {};
}

std::string lf_ivaoModelCode(CfgFileJob& job) {
  std::string name = lf_ivaoFolderName(job.file);
  if (name.empty()) {
    job.result.reports.addInvalidModelCode("  ", job.pathText);
    return {};
  }
  if (name.back() == 'w') {
    name.pop_back();
  } else if (name == "B744F" || name == "T154M") {
    name.pop_back();
  } else if (name == "T154B2") {
    name.resize(name.size() - 2);
  } else if (name == "GLID_SH" || name == "GLID_A13" || name == "GLID_A25" || name == "GLID_KA6" ||
             name == "GLID_KA8" || name == "GLID_L13") {
    name = "GLID";
  }
  return lf_checkedModelCode(name, job);
}

namespace {

// The split shared by both kinds of file; endsSection tells which other lines close a
// section (the head of some other section), given a line and where its first "[" is.
template <class EndsSection, class Process>
void lf_splitSections(const CfgLines& lines, EndsSection endsSection, Process process) {
  CfgLines buffer;
  buffer.reserve(48);
  bool inSection = false;
  for (const auto& line : lines) {
    // A head and the head of any other section both hold a "[": most lines are passed
    // with one search.
    const auto bracket = line.find('[');
    if (bracket == std::string_view::npos) {
      if (inSection) buffer.push_back(line);
    } else if (!lf_fltsimNumber(line).empty()) {
      if (!buffer.empty()) process(buffer);
      buffer.clear();
      inSection = true;
      buffer.push_back(line);
    } else if (endsSection(line, bracket)) {
      if (inSection && !buffer.empty()) process(buffer);
      buffer.clear();
      inSection = false;
    } else if (inSection) {
      buffer.push_back(line);
    }
  }
  if (inSection && !buffer.empty()) process(buffer);
}

}  // namespace

void lf_splitFltsimSections(const CfgLines& lines, const std::string& modelCode, CfgFileJob& job) {
  lf_splitSections(
      lines, [](std::string_view, std::size_t firstBracket) { return firstBracket < 6; },
      [&](CfgLines& section) {
        if (auto found = lf_procesFltSimSection(section, modelCode, job)) job.result.liveries.push_back(std::move(*found));
      });
}

void lf_splitIvaoSections(const CfgLines& lines, const std::string& modelCode, CfgFileJob& job) {
  lf_splitSections(
      lines, [](std::string_view, std::size_t) { return true; },
      [&](CfgLines& section) {
        if (auto found = lf_procesIvaoSection(section, modelCode, job)) job.result.liveries.push_back(std::move(*found));
      });
}

}  // namespace vexo
