#include "foundation/limited_log.h"

#include <fmt/format.h>

#include "foundation/log.h"

namespace vexo {

namespace {
constexpr std::chrono::minutes g_window{1};
constexpr std::string_view g_cutMark = "...";
}  // namespace

std::string gf_printableText(std::string_view text, std::size_t maxLength) {
  std::string out;
  out.reserve(std::min(text.size(), maxLength));
  std::size_t cutAt = 0;  // the last end of a piece that leaves room for the mark
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    std::string piece;
    if (byte < 0x20 || byte == 0x7F) {
      piece = fmt::format("\\x{:02X}", byte);
    } else if (c == '\\') {
      piece = "\\\\";
    } else {
      piece.assign(1, c);
    }
    if (out.size() + piece.size() > maxLength) {
      // Cut between pieces, so an escape is never left half.
      out.resize(cutAt);
      out += g_cutMark.substr(0, std::min(g_cutMark.size(), maxLength));
      return out;
    }
    out += piece;
    if (out.size() + g_cutMark.size() <= maxLength) cutAt = out.size();
  }
  return out;
}

LimitedLog::LimitedLog(Clock clock, std::uint32_t linesPerMinute)
    : clock_(std::move(clock)), linesPerMinute_(linesPerMinute) {}

void LimitedLog::log(std::string_view reason, std::string_view line, bool warning) {
  const auto now = clock_();
  auto it = windows_.find(reason);
  if (it == windows_.end()) {
    it = windows_.emplace(std::string(reason), Window{now}).first;
  } else if (now - it->second.start >= g_window) {
    Window& window = it->second;
    if (window.held > 0) {
      gf_log(fmt::format("{} more lines of \"{}\" were not logged (at most {} a minute)", window.held, reason,
                         linesPerMinute_));
    }
    window = Window{now};
  }
  Window& window = it->second;
  if (window.written >= linesPerMinute_) {
    ++window.held;
    return;
  }
  ++window.written;
  const std::string text = gf_printableText(line);
  if (warning) {
    gf_logWarning(text);
  } else {
    gf_log(text);
  }
}

}  // namespace vexo
