#include "foundation/limited_log.h"

#include <fmt/format.h>

#include "foundation/log.h"

namespace vexo {

namespace {
constexpr std::chrono::minutes g_window{1};
constexpr std::string_view g_cutMark = "...";

// The length of the well-formed UTF-8 sequence at the start of text (no overlong forms,
// no surrogates, nothing beyond U+10FFFF); 0 when it does not start with one.
std::size_t lf_utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;   // the range of the second byte, narrowed for the lead bytes
  unsigned char high = 0xBF;  // that allow overlong forms, surrogates or too large values
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

}  // namespace

std::string gf_printableText(std::string_view text, std::size_t maxLength) {
  std::string out;
  out.reserve(std::min(text.size(), maxLength));
  std::size_t cutAt = 0;  // the last end of a piece that leaves room for the mark
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto byte = static_cast<unsigned char>(c);
    const std::size_t sequence = lf_utf8SequenceLength(text.substr(at));
    std::string piece;
    if (byte < 0x20 || byte == 0x7F || sequence == 0) {
      // Control characters, and bytes that are not part of well-formed UTF-8: the log
      // stays valid UTF-8 whatever arrived.
      piece = fmt::format("\\x{:02X}", byte);
      at += 1;
    } else if (c == '\\') {
      piece = "\\\\";
      at += 1;
    } else {
      piece.assign(text.substr(at, sequence));  // a character is never cut in half
      at += sequence;
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
