// Log lines of the settings: silent while the run ends, so that closing down (which
// empties and saves a few settings) does not fill the log.
#pragma once

#include <string>
#include <string_view>

#include "foundation/setting.h"

namespace vexo {

// Installed by the application (gf_runEnding): tells whether the run is ending. Until a
// check is installed the settings always log.
using RunEndingCheck = bool (*)();
void gf_setRunEndingCheck(RunEndingCheck check);
bool gf_settingsLogSilenced();

void gf_logBoolParameter(const BoolSetting& setting);      // "KEY=true"
void gf_logIntParameter(const NumericSetting& setting);    // "KEY=40"
void gf_logStringParameter(const StringSetting& setting);  // "KEY=\"text\""
void gf_logUnlessClosing(const std::string& text);

}  // namespace vexo
