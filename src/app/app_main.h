// The process entry and the body of the UI thread.
#pragma once

#include <filesystem>

#include "app/command_line.h"

namespace vexo {

// The process entry: one copy per user (a second start returns -1 at once, touching no
// file), the log (exit code 2 with a line on standard error when Log.txt cannot be
// created), then lf_appMain. Returns the process exit code.
int gf_appEntry(int argc, char** argv);

// The application body on the UI thread: runs until the program quits; returns the exit
// code given with the quit (g_exitCode).
int lf_appMain(const ProductionSwitch& productionSwitch);

// Creates the per-user folder with its parents when it is missing; false (logged as
// "Failed to create directory: <error>") when that fails.
bool lf_ensureUserFolder(const std::filesystem::path& folder);

}  // namespace vexo
