// The two worker tasks: one aircraft.cfg (or sim.cfg) file each.
#include <fmt/format.h>

#include "foundation/charset.h"
#include "foundation/line_file.h"
#include "foundation/log.h"
#include "liveries/cfg_sections.h"
#include "platform/whole_file.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

enum class CfgRead { ok, missing, failed };

// The file's text in UTF-8, read once, and its lines as views into it. A missing file is
// silent, others are logged or reported.
CfgRead lf_readCfgLines(CfgFileJob& job, const KnownFolder* folder, std::string& bytes, CfgLines& lines,
                        bool encodingIsWarning) {
  const platform::WholeFileRead read =
      folder != nullptr ? platform::gf_readWholeFileIn(folder->open.descriptor(), folder->fileName, g_maxAircraftCfgBytes, bytes)
                        : platform::gf_readWholeFile(job.file, g_maxAircraftCfgBytes, bytes);
  switch (read) {
    case platform::WholeFileRead::ok:
      break;
    case platform::WholeFileRead::notFound:
      return CfgRead::missing;
    case platform::WholeFileRead::tooLarge:
      job.result.reports.addInvalidCfgFile(
          fmt::format("{} is larger than {} bytes, not read", job.pathText, g_maxAircraftCfgBytes));
      return CfgRead::failed;
    case platform::WholeFileRead::failed: {
      const std::string text = "! No text encoding detected for " + gf_pathToUtf8(job.file);
      encodingIsWarning ? gf_logWarning(text) : gf_log(text);
      return CfgRead::failed;
    }
  }
  lines.reserve(4096);
  if (!gf_readUtf8Lines(gf_detectCharset(bytes), job.file, bytes, lines)) {
    gf_log("! Failed reading " + gf_pathToUtf8(job.file));
    return CfgRead::failed;
  }
  return CfgRead::ok;
}

// The text and the line views of the file a task reads, kept by each worker thread for
// its next file: a file's task never runs inside another's, and nothing a task hands
// back points into them.
struct CfgBuffers {
  std::string text;
  CfgLines lines;
};

// A rare large file's room is not kept for the thread's later files.
constexpr std::size_t kKeptBufferBytes = std::size_t{256} << 10;

CfgBuffers& lf_threadBuffers() {
  static thread_local CfgBuffers buffers;
  if (buffers.text.capacity() > kKeptBufferBytes) std::string().swap(buffers.text);
  buffers.lines.clear();
  return buffers;
}

}  // namespace

CfgFileResult lf_searchLiveriesinFile(int folderIndex, const fs::path& file, const LiveryScanInputs& inputs,
                                      const KnownFolder* folder) {
  CfgFileJob job(folderIndex, file, inputs);
  if (folder != nullptr) job.paths.know(job.folder, folder->entries);
  auto& [text, lines] = lf_threadBuffers();
  switch (lf_readCfgLines(job, folder, text, lines, false)) {
    case CfgRead::ok:
      break;
    case CfgRead::missing:
      return {};
    case CfgRead::failed:
      return std::move(job.result);
  }
  if (!lf_checkFltsimNumbers(lines, job)) return std::move(job.result);
  const std::string modelCode = lf_atcModelCode(lines, job);
  if (modelCode.empty()) return std::move(job.result);
  lf_splitFltsimSections(lines, modelCode, job);
  return std::move(job.result);
}

CfgFileResult lf_searchLiveriesinIVAOFile(int folderIndex, const fs::path& file, const LiveryScanInputs& inputs,
                                          const KnownFolder* folder) {
  CfgFileJob job(folderIndex, file, inputs);
  const std::string modelCode = lf_ivaoModelCode(job);
  if (modelCode.empty()) return std::move(job.result);
  if (folder != nullptr) job.paths.know(job.folder, folder->entries);
  auto& [text, lines] = lf_threadBuffers();
  if (lf_readCfgLines(job, folder, text, lines, true) != CfgRead::ok) return std::move(job.result);
  if (!lf_checkFltsimNumbers(lines, job)) return std::move(job.result);
  lf_splitIvaoSections(lines, modelCode, job);
  return std::move(job.result);
}

}  // namespace vexo
