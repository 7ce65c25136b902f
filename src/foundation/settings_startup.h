// The settings' step of every start (load, first-run switches, migration from an older
// program version) and the two settings whose drop-down lists show a derived value.
#pragma once

#include <cstdint>

#include "foundation/parameters.h"

namespace vexo {

// Loads parameters.xml. A new file switches both scans on; a file of an older program
// version is migrated (see lf_handleVersionUpdate), one too old to convert is kept as
// parameters0.xml and replaced by the defaults, which the settings take as well.
// File-system failures while removing old files throw std::filesystem::filesystem_error.
void gf_initParameters();
void gf_initParameters(ParametersStore& store);

// Records the running version in PROGRAM_VERSION. Upgrading from below 12.0.0 removes the
// installed data files (input/airports.enc, input/AIG-regcodes.enc, input/dbase.enc, relative
// to the working folder); from 11.0.2 on, also the folder new_version. True when the
// previous version is below 11.0.2, whose settings cannot be converted.
bool lf_handleVersionUpdate(ParametersStore& store);

// MAX_FIT (0..47) in the steps of MAX_FIT_FL.
float gf_maxFit2Fl(std::int32_t maxFit);

// MAX_FIT_FL := gf_maxFit2Fl(MAX_FIT), selected in its list when it is one of the choices.
void gf_setMaxFitFl();
void gf_setMaxFitFl(SettingsState& settings);

// RANGE := nm clamped to 2..100 (selected in its list when it is a choice); the derived
// range in nautical miles and in metres follow the clamped value. Returns the metres.
std::uint32_t gf_setRange(std::int32_t nm);
std::uint32_t gf_setRange(SettingsState& settings, std::int32_t nm);

}  // namespace vexo
