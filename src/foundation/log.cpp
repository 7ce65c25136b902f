#include "foundation/log.h"

#include <fmt/format.h>

#include <stdexcept>

#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/time_text.h"
#include "foundation/version.h"

namespace vexo {

std::ofstream g_logFile;
constinit std::mutex g_logMutex;

namespace {
void lf_writeLine(std::string_view prefix, std::string_view text, bool flush) {
  std::lock_guard lock(g_logMutex);
  if (!g_logFile.is_open()) return;
  g_logFile << prefix << text << '\n';
  if (flush) g_logFile.flush();
}
}  // namespace

void gf_log(std::string_view text) { lf_writeLine({}, text, false); }
void gf_logIndented(std::string_view text) { lf_writeLine("          ", text, false); }
void gf_logWarning(std::string_view text) { lf_writeLine("==> ", text, true); }
void gf_logFlush(std::string_view text) { lf_writeLine({}, text, true); }

void gf_openLogFile() {
  const std::filesystem::path path = "Log.txt";
  // A failed copy has been reported as a warning, which is lost while the log is closed;
  // the new log opens all the same.
  (void)gf_saveUpto3GenerationsOf(path);
  {
    std::lock_guard lock(g_logMutex);
    if (g_logFile.is_open()) g_logFile.close();
    g_logFile.clear();
    g_logFile.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!g_logFile.is_open()) {
      // Leave a clean, closed stream behind, so every writer keeps doing nothing.
      g_logFile.clear();
      throw std::runtime_error("Failed to write file " + gf_pathToUtf8(path));
    }
  }
  const std::string version = fmt::format("{}.{}.{}", g_programVersion.major, g_programVersion.minor,
                                          g_programVersion.patch);
  gf_log(fmt::format("{} (utc) {} version {} for {}", gf_utcTimeText(gf_systemTimeNow()), "Vendrake_P3D", version,
                     "Prepar3D v5/v6"));
}

std::string gf_bannerLine(std::int64_t fill, std::int64_t extra, bool leadingNewline, bool trailingNewline,
                          const std::string& text) {
  std::string line = leadingNewline ? "\n" : "";
  std::int64_t width = fill + extra;
  if (width % 2 != 0) ++width;
  const auto textLength = static_cast<std::int64_t>(text.size());
  if (text.empty()) {
    if (width > 0) line.append(static_cast<std::size_t>(width), '*');
  } else if (width > textLength + 2) {
    const auto stars = static_cast<std::size_t>(width / 2 - 1);
    line.append(stars, '*').append(" ").append(text).append(" ").append(stars, '*');
  } else {
    line += text;
  }
  if (trailingNewline) line += '\n';
  return line;
}

}  // namespace vexo
