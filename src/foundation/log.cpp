#include "foundation/log.h"

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
