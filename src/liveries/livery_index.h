// The livery index: the installed liveries of LiveriesScanned.xml as lookup tables keyed by
// the 16-bit airline and model ids, with the registration tables that the regcode lists
// fill (regcodes.cpp). Built once per process on the start-up thread, read by the livery
// matching on the same thread; it has no lock.
//
// Ownership: the title strings live in airlineLiveries; every other table holds views into
// them. The views are taken only once airlineLiveries is complete (a short title is stored
// inside its string, so it moves with the LiveryTitle while the lists are still being
// built); after that nothing in airlineLiveries is erased, moved or resized until the
// start-up thread forgets the whole index (lf_forgetLiveries).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "liveries/liveries_services.h"
#include "refdata/ac_codes.h"
#include "refdata/fnv1a.h"

namespace vexo {

struct LiveryTitle {
  std::string title;
  std::uint8_t cargo = 0;
};

using TitleViews = std::vector<std::string_view>;
using ModelTitleViews = std::unordered_map<std::uint16_t, TitleViews, Fnv1aIdHash>;
// Every title view of the index points into airlineLiveries, and titles are unique there:
// two views name the same title exactly when they point at the same bytes. Tables keyed
// by such views hash the address, which the per-draw and per-title tests of the matching
// need to be cheap.
struct TitleAddressHash {
  std::size_t operator()(std::string_view title) const { return std::hash<const void*>{}(title.data()); }
};
struct SameTitleAddress {
  bool operator()(std::string_view a, std::string_view b) const { return a.data() == b.data() && a.size() == b.size(); }
};
using ViewSet = std::unordered_set<std::string_view, TitleAddressHash, SameTitleAddress>;

inline constexpr std::size_t g_pax = 0;
inline constexpr std::size_t g_cargo = 1;
inline constexpr std::size_t g_matchSteps = 7;

struct LiveryIndex {
  // airline key (plain airline id, or the id of the airline+operator text) -> model -> liveries,
  // each list in ascending byte order of the titles.
  std::unordered_map<std::uint16_t, std::unordered_map<std::uint16_t, std::vector<LiveryTitle>, Fnv1aIdHash>,
                     Fnv1aIdHash>
      airlineLiveries;
  std::array<std::unordered_map<std::uint16_t, ModelTitleViews, Fnv1aIdHash>, 2> airlineTitles;  // [pax, cargo]
  std::array<ModelTitleViews, 2> modelTitles;                                                    // [pax, cargo]
  // Every installed title once: lf_indexedTitle's lookup.
  std::unordered_map<std::string_view, std::string_view, Fnv1aTextHash, std::equal_to<>> titleIndex;

  std::unordered_map<std::string, std::string_view, Fnv1aTextHash, std::equal_to<>> regcodeTitles;
  // In-line registrations only; keyed by index views (lf_indexedTitle), not by any text.
  std::unordered_map<std::string_view, std::string, TitleAddressHash, SameTitleAddress> titleRegcodes;
  std::set<std::string, std::less<>> uniqueRegcodes;
  std::vector<std::string_view> reservedTitles;  // in the order the lists named them
  ViewSet reservedTitleSet;                      // the same, for the per-draw test (index views)
  std::vector<std::string> offlineRegcodeReport;

  std::vector<std::uint16_t> lightModels, buzjetModels, rotorcraftModels;
  bool liveriesProcessed = false;

  // Live matches per step since the program started: never forgotten with the tables.
  std::array<std::int64_t, g_matchSteps> matchStepCounts{};
};

extern LiveryIndex g_liveryIndex;

// gf_processScannedLiveries and gf_hasLivery: liveries_services.h.
// The index's own copy of an installed title; empty when the title is not installed.
std::string_view lf_indexedTitle(std::string_view title);

// A model of the category's list drawn by gf_randomIndex; 0 when the list is empty.
std::uint16_t lf_randomLightModel();
std::uint16_t lf_randomBuzjetModel();
std::uint16_t lf_randomRotorcraftModel();

// Empties every table (airline, pax/cargo and model maps, category lists, registration
// tables, reserved titles, the similar-model tables of the reference data) and clears
// liveriesProcessed, so that the next start-up builds the index again. Start-up thread
// only, while no aircraft holds a title (after the traffic reset).
void lf_forgetLiveries();

// The steps of the build, in their order (livery_index.cpp, regcodes.cpp).
void lf_buildAirlineMap();
void lf_buildPaxCargoMaps();
void lf_buildTitleIndex();
void lf_buildModelMaps();
void lf_categorySummary(AcCategory category);
void lf_logModelList(const AcCategory* target, const std::vector<std::uint16_t>& models);
void lf_logGenericLiveries();

void lf_processInlineRegcodes();
void lf_processOfflineRegcodes();
void lf_processAigRegcodes();
void lf_processMyRegcodes();
struct RegcodeEntry;
void lf_mergeRegcodeEntries(const std::vector<RegcodeEntry>& entries);

}  // namespace vexo
