#include "foundation/parameters.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <mutex>
#include <system_error>

#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "foundation/settings_log.h"
#include "foundation/version.h"

namespace vexo {

namespace fs = std::filesystem;

namespace {

// Guards every read and write of a parameters.xml: the UI thread and the start-up/tick
// thread both load, edit and save it. Never held while a control is updated (a control
// update may wait for the UI thread, which may be waiting for this mutex).
std::mutex g_parametersFileMutex;

std::string lf_closingBanner() { return gf_bannerLine(g_parametersBannerFill, g_parametersTitleWidth, false, true, ""); }

void lf_logClosingBanner() { gf_log(lf_closingBanner()); }

bool lf_load(pugi::xml_document& doc, const fs::path& path, pugi::xml_parse_result* result = nullptr) {
  const pugi::xml_parse_result r = doc.load_file(path.c_str());
  if (result != nullptr) *result = r;
  return static_cast<bool>(r);
}

void lf_logAddFailure(const Setting& setting, const std::string& valueText) {
  gf_logUnlessClosing(fmt::format("{}adding xml parameter {} with {} failed!", "===> ", setting.key, valueText));
}

void lf_addBoolParameter(const BoolSetting& s, pugi::xml_node parameters, bool useDefaults) {
  const bool v = useDefaults ? s.defaultValue : s.value.load();
  if (!gf_appendBoolParameter(parameters, s.key, v)) lf_logAddFailure(s, v ? "true" : "false");
  gf_logBoolParameter(s);
}

void lf_addIntParameter(const NumericSetting& s, pugi::xml_node parameters, bool useDefaults) {
  const std::int32_t v = useDefaults ? s.defaultValue : s.value.load();
  if (!gf_appendIntParameter(parameters, s.key, v)) lf_logAddFailure(s, fmt::format("{}", v));
  gf_logIntParameter(s);
}

void lf_addStringParameter(const StringSetting& s, pugi::xml_node parameters, bool useDefaults) {
  const std::string v = useDefaults ? s.defaultValue() : s.value();
  if (!gf_appendStringParameter(parameters, s.key, v)) lf_logAddFailure(s, v);
  gf_logStringParameter(s);
}

// A new document holding every registered setting; empty when "parameters" was refused.
bool lf_buildFullDocument(SettingsState& s, pugi::xml_document& doc, bool useDefaults) {
  pugi::xml_node root = doc.append_child("root");
  if (useDefaults) {
    // The file of defaults records the running version; the value in memory follows it,
    // so that a later save of the current values keeps it.
    s.PROGRAM_VERSION.setDefaultValue(g_programVersion.toString());
    s.PROGRAM_VERSION.setValue(g_programVersion.toString());
  }
  pugi::xml_node parameters = root ? root.append_child("parameters") : pugi::xml_node();
  if (!parameters) return false;
  for (const BoolSetting* b : s.boolSettings) lf_addBoolParameter(*b, parameters, useDefaults);
  for (const CheckboxSetting* c : s.checkboxSettings) lf_addBoolParameter(*c, parameters, useDefaults);
  for (const NumericSetting* n : s.numericSettings) lf_addIntParameter(*n, parameters, useDefaults);
  for (const ComboSetting* c : s.comboSettings) lf_addIntParameter(*c, parameters, useDefaults);
  for (const StringSetting* t : s.stringSettings) lf_addStringParameter(*t, parameters, useDefaults);
  for (const EditSetting* e : s.editSettings) lf_addStringParameter(*e, parameters, useDefaults);
  return true;
}

void lf_saveFullDocument(pugi::xml_document& doc, const fs::path& path) {
  if (!gf_saveXml(doc, path)) gf_logWarning(fmt::format("saving: {} failed", gf_pathToUtf8(path)));
}

// Keeps a file that could not be used as its generation before anything replaces it.
// Caller holds g_parametersFileMutex.
void lf_keepUnreadableFile(const fs::path& path, const char* why) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return;
  if (gf_save1GenerationOf(path)) {
    gf_logWarning(fmt::format("{} could not be used ({}); kept as {}", gf_pathToUtf8(path), why,
                              gf_generationName(path)));
  } else {
    gf_logWarning(fmt::format("{} could not be used ({}) nor copied", gf_pathToUtf8(path), why));
  }
}

// Never called under g_parametersFileMutex: a control update may wait for the UI thread.
void lf_refreshControls(const SettingsState& s) {
  for (const CheckboxSetting* c : s.checkboxSettings) c->updateControl();
  for (const ComboSetting* c : s.comboSettings) c->updateControl();
  for (const EditSetting* e : s.editSettings) e->updateControl();
}

// Every registered setting takes its value from doc, or its default when the key is
// missing; a missing key is appended to parameters.
void lf_loadValues(SettingsState& s, const pugi::xml_document& doc, pugi::xml_node parameters) {
  auto loadBool = [&](BoolSetting& b) {
    const std::optional<bool> v = gf_readBoolParameter(doc, b.key);
    b.value = v.value_or(b.defaultValue);
    gf_logBoolParameter(b);
    if (!v) gf_appendBoolParameter(parameters, b.key, b.defaultValue);
  };
  auto loadInt = [&](NumericSetting& n) {
    const std::optional<std::int32_t> v = gf_readIntParameter(doc, n.key);
    n.value = v ? n.clamp(*v) : n.defaultValue;
    if (!v) gf_appendIntParameter(parameters, n.key, n.defaultValue);
    gf_logIntParameter(n);
  };
  auto loadString = [&](StringSetting& t) {
    std::optional<std::string> v = gf_readStringParameter(doc, t.key);
    t.setValue(v ? std::move(*v) : t.defaultValue());
    if (!v) gf_appendStringParameter(parameters, t.key, t.defaultValue());
    gf_logStringParameter(t);
  };
  for (BoolSetting* b : s.boolSettings) loadBool(*b);
  for (CheckboxSetting* c : s.checkboxSettings) loadBool(*c);
  for (NumericSetting* n : s.numericSettings) loadInt(*n);
  for (ComboSetting* c : s.comboSettings) loadInt(*c);
  for (StringSetting* t : s.stringSettings) loadString(*t);
  for (EditSetting* e : s.editSettings) loadString(*e);
}

}  // namespace

bool gf_loadParameters(const ParametersStore& store) {
  bool created = false;
  {
    std::lock_guard lock(g_parametersFileMutex);
    const fs::path& path = store.path();
    const std::string pathText = gf_pathToUtf8(path);
    gf_log(gf_bannerLine(g_parametersBannerFill, 0, true, false, std::string(g_parametersTitle)));
    pugi::xml_document doc;
    pugi::xml_parse_result parsed;
    pugi::xml_node parameters;
    if (lf_load(doc, path, &parsed)) {
      gf_log(fmt::format("from '{}'", pathText));
      parameters = gf_parameterBlock(doc);
    }
    if (!parameters) {
      lf_keepUnreadableFile(path, parsed ? "it has no parameters element" : parsed.description());
      gf_log(fmt::format("{} not found, creating new with default values:", pathText));
      pugi::xml_document fresh;
      if (lf_buildFullDocument(store.settings(), fresh, true)) lf_saveFullDocument(fresh, path);
      created = true;
    } else {
      lf_loadValues(store.settings(), doc, parameters);
      gf_saveXml(doc, path);  // the file gains every key that was missing
    }
    lf_logClosingBanner();
  }
  lf_refreshControls(store.settings());
  return created;
}

void gf_saveAllParameters(const ParametersStore& store, bool useDefaults) {
  {
    std::lock_guard lock(g_parametersFileMutex);
    pugi::xml_document doc;
    if (lf_buildFullDocument(store.settings(), doc, useDefaults)) lf_saveFullDocument(doc, store.path());
    lf_logClosingBanner();
  }
  lf_refreshControls(store.settings());
}

void gf_rewriteParametersXml(const ParametersStore& store) {
  gf_log("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n");
  gf_saveAllParameters(store, false);
}

void ParametersStore::saveBool(const BoolSetting& setting) { saveOne(setting, Kind::boolean); }
void ParametersStore::saveInt(const NumericSetting& setting) { saveOne(setting, Kind::integer); }
void ParametersStore::saveString(const StringSetting& setting) { saveOne(setting, Kind::text); }

void ParametersStore::saveOne(const Setting& setting, Kind kind) {
  if (saveOneInPlace(setting, kind)) return;
  // Writing only this one value would lose every other setting: the file is first
  // rewritten with all current values, then takes this one as usual (a setting that no
  // registry holds is not in the full save).
  gf_rewriteParametersXml(*this);
  saveOneInPlace(setting, kind);
}

// False, with nothing written, when the file cannot be loaded or has no "root".
bool ParametersStore::saveOneInPlace(const Setting& setting, Kind kind) {
  std::lock_guard lock(g_parametersFileMutex);
  pugi::xml_document doc;
  pugi::xml_parse_result parsed;
  if (!lf_load(doc, path_, &parsed)) {
    lf_keepUnreadableFile(path_, parsed.description());
    return false;
  }
  pugi::xml_node root = doc.child("root");
  if (!root) return false;
  pugi::xml_node parameters = root.child("parameters");
  if (!parameters) parameters = root.append_child("parameters");

  auto setValue = [&](pugi::xml_node p) {
    pugi::xml_attribute a = p.attribute("value");
    switch (kind) {
      case Kind::boolean:
        if (!a) a = p.append_attribute("value");
        a.set_value(static_cast<const BoolSetting&>(setting).value.load());
        break;
      case Kind::integer:
        if (!a) a = p.append_attribute("value");
        a.set_value(static_cast<int>(static_cast<const NumericSetting&>(setting).value.load()));
        break;
      case Kind::text:
        gf_setAttribute(p, "value", static_cast<const StringSetting&>(setting).value());
        break;
    }
  };
  bool matched = false;
  for (pugi::xml_node p : parameters.children("parameter")) {
    if (setting.key == p.attribute("name").as_string()) {
      setValue(p);
      matched = true;
    }
  }
  if (!matched) {
    pugi::xml_node p = parameters.append_child("parameter");
    if (p && gf_appendAttribute(p, "name", setting.key)) setValue(p);
  }
  switch (kind) {
    case Kind::boolean: gf_logBoolParameter(static_cast<const BoolSetting&>(setting)); break;
    case Kind::integer: gf_logIntParameter(static_cast<const NumericSetting&>(setting)); break;
    case Kind::text: gf_logStringParameter(static_cast<const StringSetting&>(setting)); break;
  }
  gf_saveXml(doc, path_);
  return true;
}

void ParametersStore::resetToDefaults() {
  {
    std::lock_guard lock(g_parametersFileMutex);
    std::error_code ec;
    if (fs::exists(path_, ec) && !gf_save1GenerationOf(path_)) {
      gf_logWarning(fmt::format("could not keep a copy of {}", gf_pathToUtf8(path_)));
    }
  }
  SettingsState& s = settings_;
  for (BoolSetting* b : s.boolSettings) b->value = b->defaultValue;
  for (CheckboxSetting* c : s.checkboxSettings) c->value = c->defaultValue;
  for (NumericSetting* n : s.numericSettings) n->value = n->defaultValue;
  for (ComboSetting* c : s.comboSettings) c->value = c->defaultValue;
  for (StringSetting* t : s.stringSettings) t->setValue(t->defaultValue());
  for (EditSetting* e : s.editSettings) e->setValue(e->defaultValue());
  gf_saveAllParameters(*this, true);
  s.PROGRAM_VERSION.setValue(s.PROGRAM_VERSION.defaultValue());
}

ParametersStore gf_parametersStore() { return ParametersStore(g_settings, gf_parametersPath()); }

void gf_saveBoolParameter(const BoolSetting& setting) { gf_parametersStore().saveBool(setting); }
void gf_saveIntParameter(const NumericSetting& setting) { gf_parametersStore().saveInt(setting); }
void gf_saveParameter(const StringSetting& setting) { gf_parametersStore().saveString(setting); }

void StringSetting::setAndSave(std::string newValue) {
  setValue(std::move(newValue));
  gf_saveParameter(*this);
}

}  // namespace vexo
