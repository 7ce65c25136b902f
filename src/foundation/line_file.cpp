#include "foundation/line_file.h"

#include <fmt/format.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "foundation/log.h"

namespace vexo {

namespace {

void lf_logOnly(std::string_view text, bool alsoLog) {
  if (alsoLog) gf_log(text);
}

std::atomic<StatusReporter> g_readFailureReporter{&lf_logOnly};

// The whole rest of the stream; empty (and the stream reset to its start) when it is not
// good or holds nothing.
std::string lf_readAll(std::istream& in) {
  std::string content;
  if (in.good()) content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (content.empty()) {
    in.clear();
    in.seekg(0);
  }
  return content;
}

}  // namespace

namespace {

template <class Line>
void lf_splitLines(std::string_view text, std::vector<Line>& lines) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  while (!text.empty()) {
    const auto newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    if (newline == std::string_view::npos) break;
    text.remove_prefix(newline + 1);
  }
}

}  // namespace

void gf_splitLines(std::string_view text, std::vector<std::string>& lines) { lf_splitLines(text, lines); }

void gf_splitLineViews(std::string_view text, std::vector<std::string_view>& lines) { lf_splitLines(text, lines); }

void gf_readLines(std::istream& in, std::vector<std::string>& lines) {
  const std::string content = lf_readAll(in);
  gf_splitLines(content, lines);
}

namespace {

void lf_reportReadFailure(const std::filesystem::path& path, const char* what) {
  try {
    g_readFailureReporter.load()(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), what), true);
  } catch (...) {
    // Reporting must not turn a failed read into an exception.
  }
}

}  // namespace

void gf_readUtf16Lines(std::string& text, std::vector<std::string_view>& lines) {
  text = gf_utf16ToUtf8(text).value_or(std::string());
  gf_splitLineViews(text, lines);
}

void gf_setReadFailureReporter(StatusReporter reporter) {
  g_readFailureReporter.store(reporter ? reporter : &lf_logOnly);
}

bool gf_readUtf8Lines(Charset charset, const std::filesystem::path& path, std::string& text,
                      std::vector<std::string_view>& lines) {
  lines.clear();
  try {
    switch (charset) {
      case Charset::Unicode:
      case Charset::Unicode_big_endian:
        gf_readUtf16Lines(text, lines);
        return true;
      case Charset::UTF8_with_BOM:
        // The mark says UTF-8: a stray byte costs only its own character.
        gf_repairUtf8(text);
        break;
      case Charset::UTF8_without_BOM:
        if (gf_isUtf8Sample(text, false)) break;
        [[fallthrough]];
      case Charset::ANSI:
        text = gf_ansi2utf8(text);
        break;
      default:
        throw std::runtime_error(
            fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path), lf_charsetName(charset)));
    }
  } catch (const std::exception& e) {
    text.clear();
    lines.clear();
    lf_reportReadFailure(path, e.what());
    return false;
  }
  gf_splitLineViews(text, lines);
  return true;
}

LineFile::Result LineFile::read(std::size_t reserveCount) {
  lines.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return {{}, "open_failed"};
  if (lines.capacity() < reserveCount) lines.reserve(reserveCount);
  gf_readLines(in, lines);
  return {lines, {}};
}

}  // namespace vexo
