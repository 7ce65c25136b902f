// The matching chain and its steps.
#include "liveries/livery_matching.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <utility>

#include "airports/parking_position.h"
#include "engine/aircraft_texts.h"
#include "foundation/log.h"
#include "foundation/random.h"
#include "foundation/settings.h"
#include "liveries/livery_index.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"

namespace vexo {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 35> g_airlineWords{{
    {"AAL", "American"},   {"ACA", "Canada"},     {"AFR", "France"},      {"ASA", "Alaska"},
    {"ASH", "Mesa"},       {"AVA", "Avianca"},    {"BAW", "British"},     {"BOX", "Aerologic"},
    {"CAI", "Corendon"},   {"CFE", "Cityflyer"},  {"DAE", "DHL Aero"},    {"DAL", "Delta"},
    {"DHK", "DHL Air"},    {"EDV", "Endeavor"},   {"EZY", "easyjet"},     {"FDX", "FedEx"},
    {"FJO", "Flexjet"},    {"GJS", "GoJet"},      {"IBE", "Iberia"},      {"JIA", "PSA Airlines"},
    {"JZA", "Jazz"},       {"KLC", "Cityhopper"}, {"LRC", "Avianca"},     {"PDT", "Piedmont"},
    {"PRM", "Prime"},      {"QLK", "Quantaslink"}, {"QXE", "Horizon"},    {"RPA", "Republic"},
    {"RYR", "Ryanair"},    {"SWA", "Southwest"},  {"SKW", "SkyWest"},     {"UAL", "United"},
    {"UPS", "UPS"},        {"VJT", "VistaJet"},   {"WJA", "WestJet"},
}};

// One aircraft being matched, with what every step reads.
struct Match {
  AcData& a;
  const RefusedTitles& refused;
  LiveryIndex& ix = g_liveryIndex;
};

std::string_view lf_airlineText(std::uint16_t id) { return g_airlinePool.text(id).value_or(std::string_view{}); }

// The id of a text already in the airline pool; 0 (a key of no livery) otherwise.
std::uint16_t lf_pooledAirline(std::string_view text) { return g_airlinePool.find(text).value_or(0); }

const TitleViews* lf_list(const ModelTitleViews& models, std::uint16_t model) {
  const auto found = models.find(model);
  return found == models.end() || found->second.empty() ? nullptr : &found->second;
}

const TitleViews* lf_airlineList(const Match& m, std::size_t pc, std::uint16_t key, std::uint16_t model) {
  const auto& map = m.ix.airlineTitles[pc];
  const auto found = map.find(key);
  return found == map.end() ? nullptr : lf_list(found->second, model);
}

bool lf_pickTitle(Match& m, const TitleViews& list) {
  if (list.empty()) return false;
  const ViewSet& reserved = m.ix.reservedTitleSet;
  for (int draw = 0; draw < 5; ++draw) {
    m.a.liveryTitle = list[gf_randomIndex(list.size())];
    if (reserved.empty() || !reserved.contains(m.a.liveryTitle)) return true;
  }
  TitleViews free;
  std::copy_if(list.begin(), list.end(), std::back_inserter(free),
               [&](std::string_view t) { return !reserved.contains(t); });
  if (!free.empty()) m.a.liveryTitle = free[gf_randomIndex(free.size())];
  return true;
}

void lf_titlesWithRegPrefix(const Match& m, const TitleViews& list, std::string_view prefix, TitleViews& out) {
  for (std::string_view t : list) {
    const auto found = m.ix.titleRegcodes.find(t);
    if (found != m.ix.titleRegcodes.end() && found->second.starts_with(prefix)) out.push_back(t);
  }
}

// Titles of the list whose in-line registration has the aircraft's prefix, then one of its
// alternative prefixes.
bool lf_pickByPrefix(Match& m, const TitleViews& list) {
  const std::string_view prefix = lf_registrationPrefix(m.a.registration);
  TitleViews result;
  lf_titlesWithRegPrefix(m, list, prefix, result);
  if (lf_pickTitle(m, result)) return true;
  for (const std::string& other : gf_prefixAlternatives(prefix)) {
    result.clear();
    lf_titlesWithRegPrefix(m, list, other, result);
    if (lf_pickTitle(m, result)) return true;
  }
  return false;
}

bool lf_matchRegcode(Match& m) {
  if (m.a.registration.empty()) return false;
  const auto found = m.ix.regcodeTitles.find(m.a.registration);
  if (found == m.ix.regcodeTitles.end()) return false;
  m.a.liveryTitle = found->second;
  return true;
}

bool lf_matchAirlineModel(Match& m, std::size_t pc, std::uint16_t key, std::uint16_t model) {
  const TitleViews* list = lf_airlineList(m, pc, key, model);
  return list != nullptr && lf_pickTitle(m, *list);
}

bool lf_matchByAirlineWord(Match& m, std::size_t pc, std::uint16_t key, std::uint16_t model, std::string_view code) {
  const TitleViews* list = lf_airlineList(m, pc, key, model);
  const std::string_view word = lf_airlineWord(code);
  if (list == nullptr || word.empty()) return false;
  const auto found = std::find_if(list->begin(), list->end(),
                                  [&](std::string_view t) { return t.find(word) != std::string_view::npos; });
  if (found == list->end()) return false;
  m.a.liveryTitle = *found;
  return true;
}

bool lf_matchPrivateByPrefix(Match& m, std::size_t pc, std::uint16_t airline, std::uint16_t model) {
  if (m.a.registration.empty()) return false;
  const TitleViews* list = lf_airlineList(m, pc, airline, model);
  return list != nullptr && lf_pickByPrefix(m, *list);
}

bool lf_matchAirlineAndOperator(Match& m, const AcCodes& w, std::size_t pc) {
  const std::string_view airline = lf_airlineText(w.airlineId);
  if (w.operatorId == 0) {
    if (airline == "PVT" && lf_matchPrivateByPrefix(m, pc, w.airlineId, w.modelId)) return true;
    return lf_matchAirlineModel(m, pc, w.airlineId, w.modelId);
  }
  const std::string_view op = lf_airlineText(w.operatorId);
  // Looked up, never added: a text the pool lacks cannot be the key of any livery.
  std::string combined;
  combined.reserve(airline.size() + op.size());
  combined.append(airline).append(op);
  return lf_matchAirlineModel(m, pc, lf_pooledAirline(combined), w.modelId) ||
         lf_matchByAirlineWord(m, pc, w.operatorId, w.modelId, airline) ||
         lf_matchByAirlineWord(m, pc, w.airlineId, w.modelId, op) ||
         lf_matchAirlineModel(m, pc, w.operatorId, w.modelId) || lf_matchAirlineModel(m, pc, w.airlineId, w.modelId);
}

// A pax aircraft never takes a cargo livery; a cargo aircraft takes a pax one when no
// cargo livery fits.
bool lf_matchCodes(Match& m, const AcCodes& w) {
  if (lf_matchAirlineAndOperator(m, w, w.cargo != 0 ? g_cargo : g_pax)) return true;
  return w.cargo != 0 && lf_matchAirlineAndOperator(m, w, g_pax);
}

bool lf_matchModelAnyAirline(Match& m, std::uint16_t model) {
  if (m.a.registration.empty()) return false;
  const TitleViews* list = lf_list(m.ix.modelTitles[m.a.codes.cargo != 0 ? g_cargo : g_pax], model);
  if (list == nullptr) return false;
  return lf_pickByPrefix(m, *list) || lf_pickTitle(m, *list);
}

bool lf_matchSimilarModels(Match& m, const AcCodes& w) {
  auto& byAirline = g_dbase.similarModelsByAirline;
  const auto airline = byAirline.find(w.operatorId != 0 ? w.operatorId : w.airlineId);
  if (airline == byAirline.end()) return false;
  const auto similar = airline->second.find(w.modelId);
  if (similar == airline->second.end()) return false;
  std::vector<std::uint16_t>& models = similar->second;
  gf_shuffle(models);
  for (std::uint16_t other : models) {
    if (gf_modelCategory(other) != m.a.category) continue;
    AcCodes w2 = w;
    w2.modelId = other;
    if (lf_matchCodes(m, w2)) return true;
  }
  return false;
}

bool lf_lastResortCategory(AcCategory c) {
  return c == AcCategory::Light || c == AcCategory::Buzjets || c == AcCategory::Rotorcraft;
}

// Steps 4, 5 and 6; the step that found the title, or -1.
int lf_matchLastResort(Match& m, bool forceCargo) {
  AcCodes w = m.a.codes;
  w.airlineId = lf_pooledAirline("ZZZ");
  w.cargo = (w.cargo != 0 || forceCargo) ? 1 : 0;
  if (!m.a.liveryTitle.empty()) return -1;
  if (lf_matchCodes(m, w)) return 4;
  if (!lf_lastResortCategory(m.a.category)) return -1;
  const std::uint16_t model = m.a.codes.modelId;
  if (lf_matchModelAnyAirline(m, model)) return 5;
  std::vector<std::uint16_t> single;
  std::vector<std::uint16_t>* candidates = &single;
  auto& similar = g_dbase.similarModelsWithLiveries;
  if (const auto found = similar.find(model); found != similar.end()) {
    candidates = &found->second;
    gf_shuffle(*candidates);
  } else {
    const AcCategory c = gf_modelCategory(model);
    const std::uint16_t pick = c == AcCategory::Light     ? lf_randomLightModel()
                               : c == AcCategory::Buzjets ? lf_randomBuzjetModel()
                               : c == AcCategory::Rotorcraft ? lf_randomRotorcraftModel()
                                                             : 0;
    if (pick != 0) single.push_back(pick);
  }
  for (std::uint16_t candidate : *candidates)
    if (lf_matchModelAnyAirline(m, candidate)) return 6;
  return -1;
}

// A title the simulator refused before is cleared, and the chain goes on.
bool lf_notRefused(Match& m) {
  if (m.refused.empty() || !m.refused.contains(std::string(m.a.liveryTitle))) return true;
  m.a.liveryTitle = {};
  return false;
}

bool lf_acceptMatch(Match& m, int step) {
  if (!lf_notRefused(m)) return false;
  ++m.ix.matchStepCounts[static_cast<std::size_t>(step)];
  gf_log(fmt::format("          {} ={}= {}", gf_acLogText(m.a), step, m.a.liveryTitle));
  m.a.reverseThrust = m.a.liveryTitle.find("FSLTL_") != std::string_view::npos ? 1 : 0;
  return true;
}

int lf_regcodeStep(const Match& m) { return m.ix.uniqueRegcodes.contains(m.a.registration) ? 0 : 1; }

AcCodes lf_generic(AcCodes w) {
  w.airlineId = lf_pooledAirline("ZZZ");
  return w;
}

}  // namespace

std::string_view lf_registrationPrefix(std::string_view registration) {
  if (registration.empty()) return {};
  const std::size_t hyphen = registration.find('-');
  if (hyphen != std::string_view::npos && hyphen > 0) return registration.substr(0, hyphen + 1);
  return registration.substr(0, 1);
}

std::string_view lf_airlineWord(std::string_view airlineCode) {
  for (const auto& [code, word] : g_airlineWords)
    if (code == airlineCode) return word;
  return {};
}

void gf_matchLivery(AcData& aircraft, const RefusedTitles& refused) {
  Match m{aircraft, refused};
  const int depth = g_settings.MATCHING_DEPTH.value;
  if (lf_matchRegcode(m) && lf_acceptMatch(m, lf_regcodeStep(m))) return;
  if (depth < 2) return;
  if (lf_airlineText(aircraft.codes.airlineId) == "PVT" && lf_matchCodes(m, lf_generic(aircraft.codes)) &&
      lf_acceptMatch(m, 4))
    return;
  if (lf_matchCodes(m, aircraft.codes) && lf_acceptMatch(m, 2)) return;
  if (depth < 3) return;
  if (lf_matchSimilarModels(m, aircraft.codes) && lf_acceptMatch(m, 3)) return;
  if (depth != 4) return;
  const int step = lf_matchLastResort(m, false);
  if (step >= 0) lf_acceptMatch(m, step);
}

bool gf_matchStaticLivery(StaticAc& aircraft, const ParkingPosition& stand, const RefusedTitles& refused) {
  Match m{aircraft, refused};
  auto found = [&](auto step) {
    gf_log(fmt::format("          {} ={}= {}", gf_acLogText(aircraft), step, aircraft.liveryTitle));
    return true;
  };
  if (!aircraft.liveryTitle.empty()) return found('s');
  const int depth = g_settings.MATCHING_DEPTH.value;
  if (lf_matchRegcode(m) && lf_notRefused(m)) return found(lf_regcodeStep(m));
  if (depth >= 2) {
    AcCodes generic = lf_generic(aircraft.codes);
    generic.cargo = stand.cargo;
    if (lf_airlineText(aircraft.codes.airlineId) == "PVT" && lf_matchCodes(m, generic) && lf_notRefused(m))
      return found(4);
    if (lf_matchCodes(m, aircraft.codes) && lf_notRefused(m)) return found(2);
  }
  if (depth >= 3 && lf_matchSimilarModels(m, aircraft.codes) && lf_notRefused(m)) return found(3);
  if (depth == 4) {
    const int step = lf_matchLastResort(m, stand.cargo != 0);
    if (step >= 0 && lf_notRefused(m)) return found(step);
  }
  gf_log(fmt::format("{:8}: {} no livery match ...", stand.id, gf_acShortText(aircraft)));
  return false;
}

}  // namespace vexo
