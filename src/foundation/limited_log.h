// Log lines about what arrived from the network. Anyone who can reach a port can send
// anything as often as they like: the foreign text is made printable and cut, and each
// reason writes only a few lines a minute, so no sender can forge log lines or fill the
// disk through Log.txt.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace vexo {

// No logged line of foreign text is longer than this (bytes after escaping).
inline constexpr std::size_t g_maxForeignLine = 300;

// The text with every control character (below 0x20, and 0x7F) and every byte that is
// not part of well-formed UTF-8 written as "\xNN" and a backslash as "\\", cut to at most
// maxLength bytes between characters; a cut text ends in "...".
std::string gf_printableText(std::string_view text, std::size_t maxLength = g_maxForeignLine);

// At most linesPerMinute lines per reason in each minute; the lines beyond are counted,
// and the first line of that reason after the minute logs the count first. A flood of n
// reasons thus writes at most n x (linesPerMinute + 1) lines of at most
// g_maxForeignLine bytes (plus the reason's count line) per minute.
// Used by one thread (each reader has its own).
class LimitedLog {
public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::uint32_t g_defaultLinesPerMinute = 5;

  explicit LimitedLog(Clock clock = &std::chrono::steady_clock::now,
                      std::uint32_t linesPerMinute = g_defaultLinesPerMinute);

  // reason names the kind of line (a constant of the caller, so their number is
  // bounded); line may hold anything. warning: written as gf_logWarning.
  void log(std::string_view reason, std::string_view line, bool warning = false);

  void setClock(Clock clock) { clock_ = std::move(clock); }

private:
  struct Window {
    std::chrono::steady_clock::time_point start;
    std::uint32_t written = 0;
    std::uint64_t held = 0;  // lines not written in this window
  };

  Clock clock_;
  std::uint32_t linesPerMinute_;
  std::map<std::string, Window, std::less<>> windows_;
};

}  // namespace vexo
