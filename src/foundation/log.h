// The program's one log, Log.txt, written by every thread.
#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace vexo {

// The log stream. Every write happens while g_logMutex is held; the writers below
// write nothing while the stream is not open (before the entry point opened it, or
// after the open failed).
extern std::ofstream g_logFile;

// Plain, not recursive: code that holds it to write a block of lines writes to
// g_logFile itself and never calls a writer meanwhile.
extern std::mutex g_logMutex;

// Width of the parameters banner: the title "parameters" and the stars that fill it to 80.
inline constexpr std::string_view g_parametersTitle = "parameters";
inline constexpr std::int64_t g_parametersTitleWidth = static_cast<std::int64_t>(g_parametersTitle.size());
inline constexpr std::int64_t g_parametersBannerFill = 80 - g_parametersTitleWidth;

void gf_log(std::string_view text);          // one line, not flushed
void gf_logIndented(std::string_view text);  // one line indented by ten blanks, not flushed
void gf_logWarning(std::string_view text);   // "==> " + text, flushed
void gf_logFlush(std::string_view text);     // one line, flushed

// Keeps three older generations of Log.txt in the working folder, opens a new one and
// writes the banner. Throws std::runtime_error "Failed to write file <path>" when the
// file cannot be created.
void gf_openLogFile();

// Star lines that frame a block of the log (see the callers for the widths used).
std::string gf_bannerLine(std::int64_t fill, std::int64_t extra, bool leadingNewline, bool trailingNewline,
                          const std::string& text);

}  // namespace vexo
