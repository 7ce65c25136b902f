// Merging a learned file into the stand table, the quality factors and the stand
// numbering with its adjacency lists.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <gsl/narrow>
#include <functional>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "airports/airport_file.h"
#include "airports/airport_locations.h"
#include "airports/airport_reader.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/meta_info.h"
#include "foundation/parameter_xml.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "foundation/status_line.h"
#include "foundation/text.h"
#include "foundation/text_hash.h"
#include "foundation/version.h"
#include "refdata/fixed_code.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr VersionData g_firstLearnedFlightsVersion{11, 10, 0};

std::string lf_trimmedId(const pugi::xml_node& parkpos) {
  std::string id = gf_trim(parkpos.attribute("id").value());
  return id;
}

void lf_logSetting(std::string_view key, auto value) { gf_logIndented(fmt::format("{:24}: {}", key, value)); }

void lf_readCheckbox(const pugi::xml_document& document, CheckboxSetting& setting) {
  const auto value = gf_readBoolParameter(document, setting.key);
  if (!value) return;
  setting.value = *value;
  setting.updateControl();
  lf_logSetting(setting.key, *value);
}

// The static-parking settings the learned file keeps for its airport.
void lf_readLearnedSettings(const pugi::xml_document& document) {
  SettingsState& s = g_settings;
  if (const auto value = gf_readIntParameter(document, s.MAX_LIVE_SEL.key)) {
    s.MAX_LIVE_SEL.value = s.MAX_LIVE_SEL.clamp(*value);
    s.MAX_LIVE_SEL.selectValue(s.MAX_LIVE_SEL.value);
    lf_logSetting(s.MAX_LIVE_SEL.key, s.MAX_LIVE_SEL.value.load());
  }
  if (const auto value = gf_readIntParameter(document, s.RANGE.key)) {
    gf_setRange(*value);
    s.RANGE.enable();
    lf_logSetting(s.RANGE.key, s.RANGE.value.load());
  }
  if (const auto value = gf_readBoolParameter(document, s.AUTO_RANGE.key)) {
    s.AUTO_RANGE.value = *value;
    s.AUTO_RANGE.updateControl();
    s.RANGE.setEnabled(!*value);
    s.AR_ABOVE_HEIGHT.setEnabled(*value);
    lf_logSetting(s.AUTO_RANGE.key, *value);
  }
  const auto percentage = gf_readIntParameter(document, s.parking_percentage.key);
  s.parking_percentage.value = s.parking_percentage.clamp(percentage.value_or(30));
  s.parking_percentage.selectValue(s.parking_percentage.value);
  if (percentage) lf_logSetting(s.parking_percentage.key, s.parking_percentage.value.load());
  lf_readCheckbox(document, s.WEEK);
  lf_readCheckbox(document, s.PARK_SOFT);
  if (const auto value = gf_readIntParameter(document, s.MAX_FIT.key)) {
    s.MAX_FIT.value = s.MAX_FIT.clamp(*value);
    gf_setMaxFitFl();
    gf_logIndented(fmt::format("{:24}: {} (max number of half hours, is {:.1F} hrs decimal)", s.MAX_FIT.key,
                               s.MAX_FIT.value.load(), s.MAX_FIT_FL.value.load()));
  }
  if (const auto value = gf_readBoolParameter(document, s.INITIAL_LOAD_ONLY.key)) {
    s.INITIAL_LOAD_ONLY.value = *value;
    s.INITIAL_LOAD_ONLY.updateControl();
    s.nowButton.setEnabled(!*value);
    lf_logSetting(s.INITIAL_LOAD_ONLY.key, *value);
  }
}

void lf_readManualStand(const pugi::xml_node& parkpos, std::size_t position, const std::string& id,
                        const std::string& path, std::unordered_map<std::string, std::size_t>& byId,
                        FlightLookups& lookups) {
  if (byId.contains(id)) {
    gf_logWarning(fmt::format("manually created standid {} already exists in {}", id, path));
    return;
  }
  const double latitude = gf_doubleAttribute(parkpos, "latitude");
  const double longitude = gf_doubleAttribute(parkpos, "longitude");
  const double radius = gf_doubleAttribute(parkpos, "radius");
  if ((std::abs(latitude) <= 0.0001 && std::abs(longitude) <= 0.0001) || radius == 0.0) {
    gf_logWarning(fmt::format("manually created standid {} misses correct attributes in {}", id, path));
    return;
  }
  std::unordered_set<std::string> ids;
  if (ParkingPosition* stand = lf_readStand(parkpos, position, g_stands, ids, 0, lookups)) {
    stand->manual = 1;
    byId.emplace(id, g_stands.size() - 1);
  }
}

// The learning of an earlier visit that could not be written is the learned file as it
// should be: it is read in its place. path then names what was read.
bool lf_loadUnsavedLearning(const fs::path& learnedPath, pugi::xml_document& document, std::string& path) {
  const auto& kept = g_airportsState.unsavedLearning;
  if (const auto it = kept.find(learnedPath);
      it != kept.end() && document.load_buffer(it->second.data(), it->second.size())) {
    path = fmt::format("{} (as kept when it could not be saved)", path);
    return true;
  }
  const fs::path side = gf_unsavedLearnedPath(learnedPath);
  std::error_code ec;
  if (!fs::exists(side, ec)) return false;
  if (const auto result = document.load_file(side.c_str()); !result) {
    gf_logWarning(fmt::format("{} could not be loaded, {} is read instead: {}", gf_pathToUtf8(side), path,
                              result.description()));
    document.reset();
    return false;
  }
  path = gf_pathToUtf8(side);
  return true;
}

}  // namespace

bool lf_mergeLearnedStand(const pugi::xml_node& parkpos, ParkingPosition& stand, bool oldFile, FlightLookups& lookups,
                          SameFlightIndex& index) {
  if (lf_trimmedId(parkpos) != stand.id) return false;
  if (gf_boolAttribute(parkpos, "radius_change")) {
    stand.radius = gf_doubleAttribute(parkpos, "radius") * g_nmPerMetre;
    stand.radius_change = 1;
  }
  if (gf_boolAttribute(parkpos, "cargo_change")) {
    stand.cargo = gf_boolAttribute(parkpos, "cargo") ? 1 : 0;
    stand.cargo_change = 1;
  }
  if (oldFile) return true;
  std::vector<LearnedFlight>& flights = stand.learnedFlights;
  std::uint32_t next = flights.empty() ? 1 : flights.back().index + 1;
  std::vector<LearnedFlight>& added = lookups.standFlights();
  added.clear();
  index.reset(flights);
  gf_forEachOpt(parkpos, [&](const pugi::xml_node& opt) {
    const OptAttributes read = lf_optAttributes(opt);
    if (!read.usable()) {
      if (gf_hours2bitset(read.hours).none()) gf_logWarning("empty bit set");
      return;
    }
    const FlightIdentity identity = lookups.identityOf(read.registration, read.airline, read.model, read.callsigns);
    const FlightKey key{static_cast<std::uint32_t>(read.day), read.real, identity.codes, identity.registration};
    SameFlightIndex::Slot& slot = index.slotOf(key);
    if ((slot.hours & read.hh).any()) {
      LearnedFlight flight;
      lf_setFlight(flight, read, identity, 0);
      const auto hours = gf_bitset2hours(flight.hh);
      gf_logWarning(fmt::format("learned {}: day:{} {} {} cs:{} reg:{} already in airport file", stand.id, flight.day,
                                hours ? *hours : std::string("'empty hrs'"), gf_codesLabel(flight.codes),
                                flight.callsign, flight.registration));
      return;
    }
    index.add(slot, key, read.hh);
    LearnedFlight& flight = added.emplace_back();
    lf_setFlight(flight, read, identity, 0);
    flight.index = next++;
  });
  if (!added.empty()) {
    flights.reserve(flights.size() + added.size());
    flights.insert(flights.end(), added.begin(), added.end());
  }
  return true;
}

namespace {

void lf_mergeLearnedStands(const pugi::xml_document& document, const std::string& path, bool oldFile) {
  // Ids are unique in the table, so a lookup by id finds the one stand that accepts.
  std::unordered_map<std::string, std::size_t> byId;
  byId.reserve(g_stands.size());
  for (std::size_t n = 0; n < g_stands.size(); ++n) byId.emplace(g_stands[n].id, n);
  FlightLookups lookups;
  SameFlightIndex index;
  std::size_t position = 0;
  for (const auto& parkpos : gf_airportFileElement(document, "parkpositions").children("parkpos")) {
    ++position;
    const std::string id = lf_trimmedId(parkpos);
    if (gf_boolAttribute(parkpos, "manual")) {
      lf_readManualStand(parkpos, position, id, path, byId, lookups);
      continue;
    }
    const auto found = byId.find(id);
    if (found == byId.end() || !lf_mergeLearnedStand(parkpos, g_stands[found->second], oldFile, lookups, index))
      gf_log(fmt::format("learned stand {} in {} not found?", id, path));
  }
}

}  // namespace

void lf_readLearned(const fs::path& learnedPath, ParkAirportHeader& header) {
  AirportsState& a = g_airportsState;
  std::string path = gf_pathToUtf8(learnedPath);
  try {
    pugi::xml_document document;
    if (lf_loadUnsavedLearning(learnedPath, document, path)) {
      // Read as the learned file; the next save writes it there.
    } else if (const auto result = document.load_file(learnedPath.c_str()); !result) {
      gf_save1GenerationOf(learnedPath);
      gf_logWarning(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}", path, result.description()));
      a.learnedFileUnsafe = true;
      return;
    }
    gf_logFlush(fmt::format("Read from learned airport file: '{}'", path));
    const auto meta = gf_readMetaInfo(document, true);
    if (!meta) {
      a.learnedFileUnsafe = true;
      return;
    }
    const bool oldFile = VersionData(meta->version) < g_firstLearnedFlightsVersion;
    if (oldFile)
      gf_log(
          "\nThis learned file was created with and older VDRK version than 11.10.0,\nAll flights will be cleared, "
          "except for a handmade file\n");
    const std::string name = gf_readStringParameter(document, "airport_name").value_or("");
    if (name != header.airportName)
      gf_setStatus(fmt::format("Warning: learned file airport name: '{}' differs from archived file airport name: '{}'",
                               name, header.airportName),
                   true);
    lf_readLearnedSettings(document);
    if (const auto handmade = gf_readBoolParameter(document, "handmade")) {
      a.handmadeFile = true;
      gf_clearStands();
      lf_readStands(gf_airportFileElement(document, "parkpositions"), g_stands, 0);
      lf_logSetting("handmade", *handmade);
      return;
    }
    a.handmadeFile = false;
    lf_mergeLearnedStands(document, path, oldFile);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "lf_readLearned", e.what()));
    a.learnedFileUnsafe = true;
  }
}

std::pair<std::int32_t, std::int32_t> gf_qualityFactors(const std::vector<ParkingPosition>& stands) {
  if (std::ranges::none_of(stands, [](const ParkingPosition& s) { return !s.learnedFlights.empty(); }))
    return {-1, -1};
  double weights = 0.0;
  double sums[2] = {0.0, 0.0};  // soft, real
  for (const ParkingPosition& stand : stands) {
    if (stand.heli) continue;
    const double w = stand.radius <= 7.0 ? 0.3 : (stand.radius <= 10.0 ? 1.5 : 1.0);
    weights += w;
    // One pass over the flights for both kinds.
    std::size_t n[2] = {0, 0};
    std::size_t bits[2] = {0, 0};
    std::uint32_t days[2] = {0, 0};  // bit d = weekday d
    for (const LearnedFlight& f : stand.learnedFlights) {
      if (f.index == 0 || f.real > 1) continue;
      ++n[f.real];
      bits[f.real] += f.hh.count();
      if (f.day < 32) days[f.real] |= 1U << f.day;
    }
    for (std::uint32_t real = 0; real < 2; ++real) {
      if (n[real] == 0) continue;
      const double score = static_cast<double>(std::min<std::size_t>(20 * n[real], 4000)) + 10000.0 +
                           100.0 * std::popcount(days[real]) +
                           2.0 * static_cast<double>(std::min<std::size_t>(bits[real], 600));
      sums[real] += w * score;
    }
  }
  if (weights == 0.0) return {0, 0};
  auto factor = [&](double sum) {
    return std::clamp(gsl::narrow<std::int32_t>(std::lround(sum / weights * 0.00625)), 0, 100);
  };
  return {factor(sums[1]), factor(sums[0])};
}

std::string gf_qualityText(std::pair<std::int32_t, std::int32_t> factors) {
  const auto [real, soft] = factors;
  if (real < 0 && soft < 0) return "  ";
  if (real < 45) return fmt::format("{:2}/{:2}", real, soft);
  return fmt::format("{:2}", real);
}

void gf_numberStands(std::vector<ParkingPosition>& stands) {
  std::uint32_t sid = 0;
  for (ParkingPosition& stand : stands) stand.sid = ++sid;
}

void gf_findAdjacentStands(std::vector<ParkingPosition>& stands) {
  if (stands.empty()) return;
  // Two stands can only overlap when their latitudes differ by less than the distance
  // that the two largest radii allow (a minute of latitude is one nautical mile), so each
  // stand is compared with the band of stands of nearby latitude only.
  double largest = 0.0;
  for (const ParkingPosition& stand : stands) largest = std::max(largest, stand.radius);
  const double bandDegrees = (2.0 * largest / 1.1) / 60.0 * (1.0 + 1e-9) + 1e-12;
  std::vector<std::uint32_t> order(stands.size());
  std::iota(order.begin(), order.end(), 0U);
  std::ranges::sort(order, [&](std::uint32_t a, std::uint32_t b) { return stands[a].latitude < stands[b].latitude; });
  // The cosine of each stand's latitude once, not once for each stand it is compared with.
  std::vector<double> cosines(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) cosines[i] = gf_latTrig(stands[order[i]].latitude).cosPhi;
  for (std::size_t i = 0; i < order.size(); ++i) {
    ParkingPosition& a = stands[order[i]];
    for (std::size_t j = i + 1; j < order.size(); ++j) {
      ParkingPosition& b = stands[order[j]];
      if (b.latitude - a.latitude > bandDegrees) break;
      const double distance =
          gf_greatCircleNm({a.latitude, a.longitude}, {b.latitude, b.longitude}, cosines[i], cosines[j]);
      if (a.radius + b.radius > 1.1 * distance) {
        a.adjacent.push_back(b.sid);
        b.adjacent.push_back(a.sid);
      }
    }
  }
  for (ParkingPosition& stand : stands) {
    std::ranges::sort(stand.adjacent);
    stand.adjacent.shrink_to_fit();
  }
}

}  // namespace vexo
