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

void gf_splitLines(std::string_view text, std::vector<std::string>& lines) {
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

void gf_readLines(std::istream& in, std::vector<std::string>& lines) {
  const std::string content = lf_readAll(in);
  gf_splitLines(content, lines);
}

void gf_readUtf16Lines(std::istream& in, std::vector<std::string>& lines) {
  const std::string bytes = lf_readAll(in);
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return;
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  const auto b1 = static_cast<unsigned char>(bytes[1]);
  const bool littleEndian = b0 == 0xFF && b1 == 0xFE;
  const bool bigEndian = b0 == 0xFE && b1 == 0xFF;
  if (!littleEndian && !bigEndian) return;
  std::u16string wide;
  wide.reserve(bytes.size() / 2 - 1);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    wide += static_cast<char16_t>(littleEndian ? (second << 8 | first) : (first << 8 | second));
  }
  gf_splitLines(wide_to_utf8(wide), lines);
}

void gf_setReadFailureReporter(StatusReporter reporter) {
  g_readFailureReporter.store(reporter ? reporter : &lf_logOnly);
}

bool gf_readUtf8Lines(Charset charset, const std::filesystem::path& path, std::vector<std::string>& lines) {
  lines.clear();
  try {
    switch (charset) {
      case Charset::Unicode:
      case Charset::Unicode_big_endian:
      case Charset::UTF8_with_BOM:
      case Charset::UTF8_without_BOM: {
        std::ifstream in(path, std::ios::binary);
        if (!in.is_open()) return false;
        if (charset == Charset::Unicode || charset == Charset::Unicode_big_endian) {
          gf_readUtf16Lines(in, lines);
        } else {
          gf_readLines(in, lines);
        }
        if (in.bad()) throw std::runtime_error("stream read error");
        return true;
      }
      case Charset::ANSI: {
        std::ifstream in(path, std::ios::binary);
        if (!in.is_open()) return false;
        std::vector<std::string> ansiLines;
        ansiLines.reserve(2048);
        gf_readLines(in, ansiLines);
        if (in.bad()) throw std::runtime_error("stream read error");
        lines.reserve(ansiLines.size());
        for (const auto& line : ansiLines) lines.push_back(gf_ansi2utf8(line));
        return true;
      }
      default:
        throw std::runtime_error(
            fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path), lf_charsetName(charset)));
    }
  } catch (const std::exception& e) {
    lines.clear();
    try {
      g_readFailureReporter.load()(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), e.what()), true);
    } catch (...) {
      // Reporting must not turn a failed read into an exception.
    }
    return false;
  }
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
