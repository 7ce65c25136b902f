// The livery index: the airline map and the tables of views built from it, the category
// summaries and the generic ("ZZZ") liveries.
#include "liveries/livery_index.h"

#include <fmt/format.h>

#include <algorithm>
#include <tuple>

#include "engine/aircraft_texts.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/parameters.h"
#include "foundation/random.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "liveries/liveries_scan.h"
#include "liveries/scanned_liveries_xml.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"

namespace vexo {

LiveryIndex g_liveryIndex;

namespace {

std::string_view lf_airlineText(std::uint16_t id) { return g_airlinePool.text(id).value_or(std::string_view{}); }
std::string_view lf_modelText(std::uint16_t id) { return g_modelPool.text(id).value_or(std::string_view{}); }

std::uint16_t lf_randomOf(const std::vector<std::uint16_t>& models) {
  if (models.empty()) return 0;
  return models[gf_randomIndex(models.size())];
}

// The liveries of one pass grouped by (key, model); the list is sorted so that each
// group is one run. A group whose key and model are there already is dropped.
template <typename KeyOf>
void lf_groupPass(bool withOperator, KeyOf keyOf) {
  auto& map = g_liveryIndex.airlineLiveries;
  std::vector<LiveryTitle> list;
  std::tuple<std::uint16_t, std::uint16_t, std::uint16_t> current{0, 0, 0};  // airline, operator, model
  auto flush = [&] {
    if (list.empty()) return;
    const auto [airline, op, model] = current;
    auto& inner = map[keyOf(airline, op)];
    inner.reserve(128);
    inner.try_emplace(model, std::move(list));
    list.clear();
  };
  for (const LiveryData& l : g_liveryScan.scannedLiveries) {
    if ((l.codes.operatorId != 0) != withOperator) continue;
    const std::tuple next{l.codes.airlineId, l.codes.operatorId, l.codes.modelId};
    if (next != current) flush();
    current = next;
    list.push_back(LiveryTitle{l.title, l.codes.cargo});
  }
  flush();
}

void lf_enterViews(ModelTitleViews& map, std::uint16_t model, TitleViews&& views) {
  if (views.empty()) return;
  views.shrink_to_fit();
  map.try_emplace(model, std::move(views));
}

}  // namespace

void lf_buildAirlineMap() {
  auto& map = g_liveryIndex.airlineLiveries;
  map.reserve(2048);
  lf_groupPass(false, [](std::uint16_t airline, std::uint16_t) { return airline; });
  lf_groupPass(true, [](std::uint16_t airline, std::uint16_t op) {
    return gf_airlineCode2Id(fmt::format("{}{}", lf_airlineText(airline), lf_airlineText(op)));
  });
}

void lf_buildTitleIndex() {
  auto& index = g_liveryIndex.titleIndex;
  index.reserve(g_liveryScan.scannedLiveries.size());
  for (const auto& [key, models] : g_liveryIndex.airlineLiveries)
    for (const auto& [model, list] : models)
      for (const LiveryTitle& t : list) index.try_emplace(std::string_view(t.title), std::string_view(t.title));
}

std::string_view lf_indexedTitle(std::string_view title) {
  const auto& index = g_liveryIndex.titleIndex;
  const auto found = index.find(title);
  return found == index.end() ? std::string_view{} : found->second;
}

void lf_buildPaxCargoMaps() {
  auto& titles = g_liveryIndex.airlineTitles;
  titles[g_pax].reserve(2048);
  titles[g_cargo].reserve(256);
  for (const auto& [key, models] : g_liveryIndex.airlineLiveries) {
    std::array<ModelTitleViews, 2> perKey;
    for (const auto& [model, list] : models) {
      std::array<TitleViews, 2> split;
      for (const LiveryTitle& t : list) split[t.cargo != 0 ? g_cargo : g_pax].emplace_back(t.title);
      for (std::size_t pc : {g_pax, g_cargo}) lf_enterViews(perKey[pc], model, std::move(split[pc]));
    }
    for (std::size_t pc : {g_pax, g_cargo})
      if (!perKey[pc].empty()) titles[pc].try_emplace(key, std::move(perKey[pc]));
  }
}

void lf_buildModelMaps() {
  struct Entry {
    std::string_view title;
    std::uint16_t model;
    std::uint8_t cargo;
  };
  std::vector<Entry> all;
  for (const auto& [key, models] : g_liveryIndex.airlineLiveries)
    for (const auto& [model, list] : models)
      for (const LiveryTitle& t : list) all.push_back(Entry{t.title, model, t.cargo});
  // Stable, so the order within a model stays the one of the airline map for the run.
  std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return a.model < b.model; });
  auto& maps = g_liveryIndex.modelTitles;
  std::array<TitleViews, 2> lists;
  std::uint16_t current = 0;
  auto flush = [&] {
    for (std::size_t pc : {g_pax, g_cargo}) {
      lf_enterViews(maps[pc], current, std::move(lists[pc]));
      lists[pc].clear();
    }
  };
  for (const Entry& e : all) {
    if (e.model != current) {
      flush();
      current = e.model;
    }
    lists[e.cargo != 0 ? g_cargo : g_pax].push_back(e.title);
  }
  flush();
}

bool gf_hasLivery(std::uint16_t airlineKey, std::uint16_t modelId) {
  const auto& map = g_liveryIndex.airlineLiveries;
  const auto key = map.find(airlineKey);
  return key != map.end() && key->second.contains(modelId);
}

std::uint16_t lf_randomLightModel() { return lf_randomOf(g_liveryIndex.lightModels); }
std::uint16_t lf_randomBuzjetModel() { return lf_randomOf(g_liveryIndex.buzjetModels); }
std::uint16_t lf_randomRotorcraftModel() { return lf_randomOf(g_liveryIndex.rotorcraftModels); }

void lf_logModelList(const AcCategory* target, const std::vector<std::uint16_t>& models) {
  std::vector<std::uint16_t>* list = nullptr;
  if (target != nullptr && *target == AcCategory::Light) list = &g_liveryIndex.lightModels;
  if (target != nullptr && *target == AcCategory::Buzjets) list = &g_liveryIndex.buzjetModels;
  if (target != nullptr && *target == AcCategory::Rotorcraft) list = &g_liveryIndex.rotorcraftModels;
  std::string line = "  ";
  int inLine = 0;
  auto emit = [&] {
    line.pop_back();  // the last comma
    gf_log(line);
    line = "  ";
    inLine = 0;
  };
  for (std::uint16_t model : models) {
    if (list != nullptr) list->push_back(model);
    line += lf_modelText(model);
    line += ',';
    if (++inLine == 20) emit();
  }
  if (inLine > 0) emit();
}

void lf_categorySummary(AcCategory category) {
  std::array<std::size_t, 2> titles{};
  std::vector<std::uint16_t> models;
  for (std::size_t pc : {g_pax, g_cargo}) {
    for (const auto& [model, list] : g_liveryIndex.modelTitles[pc]) {
      if (gf_modelCategory(model) != category) continue;
      models.push_back(model);
      titles[pc] += list.size();
    }
  }
  const std::string_view name = gf_categoryName(category);
  auto& s = g_settings;
  CheckboxSetting* box = category == AcCategory::Light      ? &s.LIGHT_AIRCRAFT
                         : category == AcCategory::HighPerf ? &s.HIGH_PERF_AIRCRAFT
                         : category == AcCategory::Rotorcraft ? &s.HELICOPTERS
                                                              : nullptr;
  if (titles[g_pax] == 0 && titles[g_cargo] == 0) {
    gf_log(fmt::format("Category {}: No livery found", name));
    if (box == nullptr) return;
    if (box->value) {
      box->value = false;
      gf_saveBoolParameter(*box);
      const std::string_view what = category == AcCategory::Light      ? "light aircraft"
                                    : category == AcCategory::HighPerf ? "High Perf aircraft"
                                                                       : "Helicopters";
      gf_log(fmt::format("{} temporarily switched off because you do not have {} installed", box->key, what));
    }
    box->disable();
    return;
  }
  const std::string cargo =
      titles[g_cargo] == 0 ? "" : fmt::format(" and {} cargo liverie{}", titles[g_cargo], gf_plural(titles[g_cargo]));
  gf_log(fmt::format("Category {}: {} pax liverie{}{}", name, titles[g_pax], gf_plural(titles[g_pax]), cargo));
  std::sort(models.begin(), models.end());
  models.erase(std::unique(models.begin(), models.end()), models.end());
  lf_logModelList(&category, models);
  if (box != nullptr) box->enable();
}

void lf_logGenericLiveries() {
  const auto& map = g_liveryIndex.airlineLiveries;
  const auto generic = map.find(gf_airlineCode2Id("ZZZ"));
  if (generic == map.end()) {
    gf_log("No generic liveries");
    return;
  }
  std::vector<std::uint16_t> models;
  for (const auto& [model, list] : generic->second) models.push_back(model);
  std::sort(models.begin(), models.end());
  gf_log(fmt::format("{} model{} have a generic livery", models.size(), gf_plural(models.size())));
  lf_logModelList(nullptr, models);
}

void gf_processScannedLiveries() {
  auto& index = g_liveryIndex;
  if (index.liveriesProcessed) {
    gf_log("Processing scanned liveries skipped; already done in previous start-up");
    g_liveryScan.scannedLiveries.clear();
    g_liveryScan.unsavedResult = false;
    return;
  }
  index.modelTitles[g_cargo].reserve(75);
  index.modelTitles[g_pax].reserve(324);
  index.regcodeTitles.reserve(36000);
  index.regcodeTitles.max_load_factor(0.7F);
  lf_readScannedLiveries();
  g_mainWindowState.liveriesCount = g_liveryScan.scannedLiveries.size();
  gf_invalidateMainWindow(g_parkRect, false);
  lf_buildAirlineMap();
  // From here on the airline map holds still: the views below point into it.
  lf_buildTitleIndex();
  lf_buildPaxCargoMaps();
  lf_processInlineRegcodes();
  lf_processOfflineRegcodes();
  gf_log(fmt::format("{:5} registration codes", index.regcodeTitles.size()));
  lf_buildModelMaps();
  gf_log(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models", index.airlineLiveries.size(),
                     index.modelTitles[g_pax].size(), index.modelTitles[g_cargo].size()));
  LiveryPresence presence;
  presence.modelHasLivery = [](std::uint16_t model) {
    return g_liveryIndex.modelTitles[g_pax].contains(model) || g_liveryIndex.modelTitles[g_cargo].contains(model);
  };
  for (const auto& [key, models] : index.airlineLiveries) presence.airlinesWithLiveries.push_back(key);
  presence.hasLivery = gf_hasLivery;
  gf_buildSimilarModels(presence);
  gf_log(" ");
  for (AcCategory c : {AcCategory::Light, AcCategory::Buzjets, AcCategory::Large, AcCategory::Heavy,
                       AcCategory::HighPerf, AcCategory::Rotorcraft})
    lf_categorySummary(c);
  lf_logGenericLiveries();
  index.liveriesProcessed = true;
  gf_invalidateMainWindow(g_parkRect, false);
  g_liveryScan.scannedLiveries.clear();
}

void lf_forgetLiveries() {
  auto counts = g_liveryIndex.matchStepCounts;
  g_liveryIndex = LiveryIndex{};
  g_liveryIndex.matchStepCounts = counts;
  g_dbase.similarModelsWithLiveries.clear();
  g_dbase.similarModelsByAirline.clear();
}

}  // namespace vexo
