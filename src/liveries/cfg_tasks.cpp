// The two worker tasks: one aircraft.cfg (or sim.cfg) file each.
#include <fmt/format.h>

#include <system_error>

#include "foundation/charset.h"
#include "foundation/line_file.h"
#include "foundation/log.h"
#include "liveries/cfg_sections.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

bool lf_fileExists(const fs::path& file) {
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error("status", file, ec);
  return fs::exists(status);
}

// The file's lines in UTF-8; false (logged) when it cannot be read.
bool lf_readCfgLines(CfgFileJob& job, std::vector<std::string>& lines, bool encodingIsWarning) {
  const Charset charset = gf_detectCharset(job.file);
  if (charset == Charset::none_found) {
    const std::string text = "! No text encoding detected for " + gf_pathToUtf8(job.file);
    encodingIsWarning ? gf_logWarning(text) : gf_log(text);
    return false;
  }
  lines.reserve(4096);
  if (!gf_readUtf8Lines(charset, job.file, lines)) {
    gf_log("! Failed reading " + gf_pathToUtf8(job.file));
    return false;
  }
  return true;
}

}  // namespace

CfgFileResult lf_searchLiveriesinFile(int folderIndex, const fs::path& file, const LiveryScanInputs& inputs) {
  CfgFileJob job(folderIndex, file, inputs);
  if (!lf_fileExists(file)) return {};
  std::vector<std::string> lines;
  if (!lf_readCfgLines(job, lines, false)) return std::move(job.result);
  if (!lf_checkFltsimNumbers(lines, job)) return std::move(job.result);
  const std::string modelCode = lf_atcModelCode(lines, job);
  if (modelCode.empty()) return std::move(job.result);
  lf_splitFltsimSections(lines, modelCode, job);
  return std::move(job.result);
}

CfgFileResult lf_searchLiveriesinIVAOFile(int folderIndex, const fs::path& file, const LiveryScanInputs& inputs) {
  CfgFileJob job(folderIndex, file, inputs);
  const std::string modelCode = lf_ivaoModelCode(job);
  if (modelCode.empty()) return std::move(job.result);
  if (!lf_fileExists(file)) return std::move(job.result);
  std::vector<std::string> lines;
  if (!lf_readCfgLines(job, lines, true)) return std::move(job.result);
  if (!lf_checkFltsimNumbers(lines, job)) return std::move(job.result);
  lf_splitIvaoSections(lines, modelCode, job);
  return std::move(job.result);
}

}  // namespace vexo
