// The start-up update check: versions.json names the current version of the program, of
// each data file and of each scan format; newer data files are downloaded, changed scan
// formats switch their rescan on, and a newer program is staged for the user to install.
#pragma once

#include <string_view>

#include "foundation/parameters.h"
#include "foundation/version.h"

namespace vexo {

// The check with the settings of store (the production one is gf_parametersStore()),
// every file relative to the working folder. True when start-up goes on; false when the
// program closes for a new version (closing requested with NEW VERSION, delay 0). An
// unreachable server or an answer that is not JSON only warns. Throws UserErrorException
// 112 when a newer installer cannot be staged, std::runtime_error when versions.json is
// JSON with a wrong member, std::filesystem::filesystem_error on file-system errors.
bool gf_checkVersions(ParametersStore& store);

// "<key> updated to <version>", "<key> version up-to-date" (log), "<key> version not
// found" (warning).
void lf_logUpdated(std::string_view key, const VersionData& version);
void lf_logUpToDate(std::string_view key);
void lf_logVersionNotFound(std::string_view key);

}  // namespace vexo
