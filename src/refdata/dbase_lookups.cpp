#include "refdata/dbase_lookups.h"

#include <algorithm>
#include <bitset>
#include <charconv>
#include <mutex>
#include <set>

#include <fmt/format.h>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/random.h"
#include "foundation/text.h"
#include "refdata/codes.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"

namespace vexo {

namespace {

// Ids whose missing wingspan was logged already: guards lf_wingspanLogged.
std::mutex lf_wingspanLogMutex;
std::bitset<CodePool::maxTexts> lf_wingspanLogged;

}  // namespace

std::vector<std::string> gf_registrationVariants(std::string_view registration) {
  std::vector<std::string> variants;
  if (registration.size() >= 5 && registration.front() != 'N' && registration.find('-') == std::string_view::npos) {
    variants.push_back(fmt::format("{}-{}", registration.substr(0, 2), registration.substr(2)));
    variants.push_back(fmt::format("{}-{}", registration.substr(0, 1), registration.substr(1)));
  }
  variants.emplace_back(registration);
  return variants;
}

std::optional<AcCodes> gf_dbaseLookup(std::string_view registration) {
  if (registration.empty()) {
    return std::nullopt;
  }
  const auto& records = g_dbase.dbaseRecords;
  for (const std::string& variant : gf_registrationVariants(registration)) {
    auto it = std::lower_bound(records.begin(), records.end(), variant,
                               [](const DbaseRecord& r, const std::string& v) { return r.registration < v; });
    if (it != records.end() && it->registration == variant) {
      return it->codes;
    }
  }
  return std::nullopt;
}

std::optional<std::string> gf_shortRegInText(std::string_view text) {
  for (const DbaseRecord& record : g_dbase.dbaseRecords) {
    if (record.registration.size() < 6 && text.find(record.registration) != std::string_view::npos) {
      return record.registration;
    }
  }
  return std::nullopt;
}

bool gf_isKnownModel(std::string_view modelCode) {
  return !modelCode.empty() && g_dbase.modelCodes.contains(modelCode);
}

bool gf_isKnownAirline(std::string_view airlineCode) {
  return !airlineCode.empty() && g_dbase.airlineCodes.contains(airlineCode);
}

double gf_halfWingspan(std::uint16_t modelId) {
  const auto& table = g_dbase.halfWingspanById;
  if (modelId < table.size()) {
    return table[modelId];
  }
  // Codes met after the dbase was read have no wingspan; say so once per code, not per call.
  bool first = false;
  {
    std::lock_guard lock(lf_wingspanLogMutex);
    first = !lf_wingspanLogged.test(modelId);
    lf_wingspanLogged.set(modelId);
  }
  if (first) {
    gf_log(fmt::format("hwsp: {} what: model id without dbase wingspan", modelId));
  }
  return 0.0;
}

const std::vector<std::string>& gf_prefixAlternatives(std::string_view code) {
  static const std::vector<std::string> none;
  auto it = g_dbase.prefixMap.find(code);
  if (it == g_dbase.prefixMap.end()) {
    return none;
  }
  std::vector<std::string>& list = it->second;
  if (gf_randomEnabled() && list.size() >= 2) {
    for (std::size_t i = list.size() - 1; i > 0; --i) {
      std::swap(list[i], list[gf_randomIndex(i + 1)]);
    }
  }
  return list;
}

bool gf_pathContainsNoCase(const std::filesystem::path& path, std::string_view name) {
  if (name.empty()) {
    return true;
  }
  std::string text = gf_pathToUtf8(path);
  auto found = std::search(text.begin(), text.end(), name.begin(), name.end(),
                           [](char a, char b) { return gf_toUpper(a) == gf_toUpper(b); });
  return found != text.end();
}

std::optional<std::string> gf_publisherOfPath(const std::filesystem::path& path) {
  // An exact occurrence is also a case-blind one, so one test covers both.
  for (const auto& group : g_dbase.publisherGroups) {
    for (const std::string& name : group) {
      if (gf_pathContainsNoCase(path, name)) {
        return group.front();
      }
    }
  }
  return std::nullopt;
}

bool gf_parseCodeNumber(std::string_view label, const IcaoCode& code, std::string_view text, int& value) {
  std::string prefix = code.str();
  if (!text.starts_with(prefix)) {
    return false;
  }
  std::string_view rest = text.substr(prefix.size());
  int number = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (ec == std::errc{}) {
    value = number;
  } else {
    gf_logWarning(fmt::format("{} {} {} {}", label, code, text, "invalid number"));
  }
  return true;
}

void gf_buildSimilarModels(const LiveryPresence& liveries) {
  const TextSet texts = lf_groupRotations(
      g_dbase.similarGroups, [&](const std::string& other) { return liveries.modelHasLivery(gf_modelCode2Id(other)); });
  auto& withLiveries = g_dbase.similarModelsWithLiveries;
  for (const std::string& text : texts) {
    std::vector<std::string> pieces = gf_splitCommaTrimmed(text);
    std::vector<std::uint16_t> ids;
    for (std::size_t k = 1; k < pieces.size(); ++k) {
      ids.push_back(gf_modelCode2Id(pieces[k]));
    }
    withLiveries.try_emplace(gf_modelCode2Id(pieces.front()), std::move(ids));
  }
  std::set<std::uint16_t> airlines(liveries.airlinesWithLiveries.begin(), liveries.airlinesWithLiveries.end());
  for (std::uint16_t airline : airlines) {
    IdLists entries;
    for (const auto& [model, similar] : withLiveries) {
      if (liveries.hasLivery(airline, model)) {
        continue;
      }
      std::vector<std::uint16_t> selected;
      std::copy_if(similar.begin(), similar.end(), std::back_inserter(selected),
                   [&](std::uint16_t other) { return liveries.hasLivery(airline, other); });
      if (!selected.empty()) {
        entries.emplace(model, std::move(selected));
      }
    }
    if (!entries.empty()) {
      g_dbase.similarModelsByAirline.emplace(airline, std::move(entries));
    }
  }
  gf_log(fmt::format("{:5} similar model definitions", withLiveries.size()));
}

}  // namespace vexo
