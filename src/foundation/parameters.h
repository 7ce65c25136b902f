// parameters.xml: the settings' file in the per-user folder.
//
// Layout: root > parameters > parameter (name, value), one element per setting. The full
// load and save walk the registries of a SettingsState; a setting that changes is saved
// at once by a one-value saver, which loads, edits and rewrites the whole file.
//
// The UI thread and the start-up/tick thread both save: every load and save of the file
// holds one process-wide mutex, and the file is replaced through a temporary file. A file
// that cannot be read is kept as parameters0.xml before anything replaces it.
#pragma once

#include <filesystem>

#include "foundation/settings.h"

namespace vexo {

class ParametersStore {
public:
  ParametersStore(SettingsState& settings, std::filesystem::path path)
      : settings_(settings), path_(std::move(path)) {}

  // Write one setting's current value at once.
  void saveBool(const BoolSetting& setting);
  void saveInt(const NumericSetting& setting);
  void saveString(const StringSetting& setting);
  // Keeps the present file as its generation, then writes a file of defaults, which the
  // settings in memory take as well.
  void resetToDefaults();

  SettingsState& settings() const { return settings_; }
  const std::filesystem::path& path() const { return path_; }

private:
  enum class Kind { boolean, integer, text };
  void saveOne(const Setting& setting, Kind kind);
  bool saveOneInPlace(const Setting& setting, Kind kind);

  SettingsState& settings_;
  std::filesystem::path path_;
};

// The production store: g_settings and gf_parametersPath().
ParametersStore gf_parametersStore();

// Loads the file into every registered setting (values clamped to their bounds) and
// writes it back with every missing key added. True only when the file was missing or
// unusable and a new one with the defaults was written.
bool gf_loadParameters(const ParametersStore& store);
// Writes a new file from all registries, with each setting's default or current value.
void gf_saveAllParameters(const ParametersStore& store, bool useDefaults);
// Replaces the file by a full save of the current values.
void gf_rewriteParametersXml(const ParametersStore& store);

void gf_saveBoolParameter(const BoolSetting& setting);
void gf_saveIntParameter(const NumericSetting& setting);
void gf_saveParameter(const StringSetting& setting);

}  // namespace vexo
