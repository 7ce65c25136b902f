// Text files read as lines, whatever their encoding.
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/charset.h"

namespace vexo {

// Appends the lines of a text: a leading UTF-8 mark is skipped, lines end at "\n" with
// one "\r" before it removed, a final "\n" makes no empty last line.
void gf_splitLines(std::string_view text, std::vector<std::string>& lines);

// The same as views into the text, which must outlive them.
void gf_splitLineViews(std::string_view text, std::vector<std::string_view>& lines);

// Appends the lines of the whole stream. A stream that is not good, or empty, adds
// nothing; it is then cleared and put back to its start.
void gf_readLines(std::istream& in, std::vector<std::string>& lines);

// Turns UTF-16 bytes into UTF-8 text in place and appends its lines as views into it. Only
// a text that begins with a byte-order mark and has an even length is read; any other
// becomes empty and adds no line. Invalid UTF-16 throws std::runtime_error.
void gf_readUtf16Lines(std::string& text, std::vector<std::string_view>& lines);

// text holds a file's bytes in the given encoding (path names the file in messages): turns
// them into UTF-8 in place and replaces lines with views of its lines. UTF-8 without a
// mark is checked whole, since its detection looks at the first bytes only: a text that
// is no valid UTF-8 after all is read as ANSI. In UTF-8 with a mark, each byte that begins
// no valid sequence becomes U+FFFD (gf_repairUtf8), so the lines are always valid UTF-8. False when it cannot be converted (then
// "Read failed for '<path>': <error>" goes to the status line and the log, and text and
// lines are emptied). Never throws.
bool gf_readUtf8Lines(Charset charset, const std::filesystem::path& path, std::string& text,
                      std::vector<std::string_view>& lines);

// Where gf_readUtf8Lines reports a failed read: the status line installs its own
// reporter (text, alsoLog); until then the message goes to the log only. Set it once at
// start-up, before other threads read files.
using StatusReporter = void (*)(std::string_view text, bool alsoLog);
void gf_setReadFailureReporter(StatusReporter reporter);

// A text file held as lines (without line ends).
struct LineFile {
  // What read() gives: the lines, or the error text "open_failed".
  struct Result {
    std::span<const std::string> lines;
    std::string_view error;
    bool ok() const { return error.empty(); }
  };

  std::filesystem::path path;
  std::vector<std::string> lines;

  // Empties the lines and reads the file as bytes split into lines; reserves room for
  // reserveCount lines first.
  Result read(std::size_t reserveCount);
};

}  // namespace vexo
