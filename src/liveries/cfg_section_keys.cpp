// One [fltsim.N] section: its keys, the acceptance rules in order, the files it names and
// the code word of its livery.
#include <fmt/format.h>

#include <algorithm>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "liveries/cfg_keys.h"
#include "liveries/cfg_sections.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"

namespace vexo {

namespace {

constexpr std::size_t kMaxRegcodeLength = 12;

void lf_dropTrailingComments(CfgLines& lines) {
  while (lines.size() > 1 && (lines.back().empty() || lines.back().starts_with("//"))) lines.pop_back();
}

std::vector<std::string_view> lf_splitAtComma(std::string_view text) {
  std::vector<std::string_view> items;
  for (;;) {
    const auto comma = text.find(',');
    items.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return items;
    text.remove_prefix(comma + 1);
  }
}

// The keys a section holds, as the scan found them.
struct SectionKeys {
  std::string title;
  std::string airline;  // an accepted parking code
  bool airlineHeld = false;
  std::string parkingTypes;
  bool parkingTypesHeld = false;
  std::string regcode;
  bool atcIdHeld = false;
  std::string model, sim, texture;
  bool modelHeld = false, simHeld = false, textureHeld = false;
  bool invalid = false;
};

// The registration of an atc_id value: the single item, nothing for several, nothing and
// a report for a bad one.
void lf_takeAtcId(std::string_view value, SectionKeys& keys, CfgFileJob& job, std::string_view reportFormat) {
  keys.atcIdHeld = true;
  const auto items = lf_splitAtComma(value);
  const bool bad = value.empty() || std::ranges::any_of(items, [](std::string_view item) {
                     return item.empty() || item == " " || item.size() > kMaxRegcodeLength ||
                            item.find('*') != std::string_view::npos;
                   });
  if (bad) {
    job.result.reports.addIncompleteSection(fmt::format(fmt::runtime(reportFormat), value, keys.title));
  } else if (items.size() == 1) {
    keys.regcode = std::string(items.front());
    gf_dropNonXmlChars(keys.regcode);
  }
}

// The tests of keys that both kinds of section read; true when the line was taken.
bool lf_commonKeys(std::string_view line, SectionKeys& keys) {
  if (!keys.modelHeld && lf_matchModel(line, keys.model)) return keys.modelHeld = true;
  if (!keys.simHeld && lf_matchSim(line, keys.sim)) return keys.simHeld = true;
  if (!keys.textureHeld && lf_matchTexture(line, keys.texture)) return keys.textureHeld = true;
  return false;
}

bool lf_takeParkingTypes(std::string_view line, SectionKeys& keys) {
  if (!lf_matchAtcParkingTypes(line, keys.parkingTypes)) return false;
  keys.parkingTypesHeld = true;
  gf_compactCommaList(keys.parkingTypes);
  gf_toUpperInPlace(keys.parkingTypes);
  return true;
}

// An atc_parking_codes line while no code is held.
void lf_takeParkingCode(std::string_view value, std::string_view head, SectionKeys& keys, CfgFileJob& job) {
  std::string code(lf_splitAtComma(value).front());
  gf_compactCommaList(code);
  if (code.size() == 4 && (code[3] == 'X' || code[3] == 'C')) code.resize(3);
  if (g_dbase.airlineCodes.contains(code)) {
    keys.airline = std::move(code);
    keys.airlineHeld = true;
  } else if (code == "RFO") {
    keys.invalid = true;
  } else {
    job.result.reports.addInvalidAirlineCode(code, job.pathText, head);
  }
}

// The first character of the line after blanks, in lower case: a line can only be the
// line of a key that begins with it, so most lines are passed over without a match.
char lf_keyInitial(std::string_view line) {
  for (const char c : line) {
    if (!gf_isSpace(c)) return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return '\0';
}

// The key scan; an IVAO_MTL section has no parking codes and keeps its atc_id whole.
SectionKeys lf_scanKeys(const CfgLines& lines, CfgFileJob& job, bool ivao) {
  SectionKeys keys;
  const std::string_view head = lines.front();
  auto invalidate = [&](std::string report) {
    job.result.reports.addIncompleteSection(std::move(report));
    keys.invalid = true;
  };
  std::string value;
  for (const auto& line : lines) {
    const char initial = lf_keyInitial(line);
    if (keys.title.empty()) {
      if (initial == 't' && lf_matchTitle(line, keys.title)) continue;
    } else if (initial == 't' && lf_matchTitle(line, value)) {
      invalidate(fmt::format("{} {} has more than one title key", job.pathText, head));
      break;
    }
    if (!ivao && !keys.airlineHeld) {
      if (initial == 'a' && lf_matchAtcParkingCodes(line, value)) {
        lf_takeParkingCode(value, head, keys, job);
        if (keys.invalid) break;
        continue;
      }
    } else if (!ivao && lf_hasAtcParkingCodesKey(line)) {
      invalidate(fmt::format("{} {} has more than one atc_parking_codes key", job.pathText, head));
      break;
    }
    if (!keys.parkingTypesHeld) {
      if (initial == 'a' && lf_takeParkingTypes(line, keys)) continue;
    } else if (lf_hasAtcParkingTypesKey(line)) {
      invalidate(fmt::format("{} {} has more than one atc_parking_types key", job.pathText, head));
      break;
    }
    if (!keys.atcIdHeld) {
      if (initial == 'a' && lf_matchAtcId(line, value)) {
        if (ivao) {
          lf_takeAtcId(value, keys, job, "invalid atc_id={} in {}");
        } else {
          lf_takeAtcId(std::string_view(value).substr(0, value.find(';')), keys, job, "invalid atc_id={} in: {}");
        }
        continue;
      }
    } else if (lf_hasAtcIdKey(line)) {
      invalidate(fmt::format("{}, {}, has more than one atc_id key", job.pathText, head));
      break;
    }
    if (initial == 'm' || initial == 's' || initial == 't') lf_commonKeys(line, keys);
  }
  // Titles and registrations go into LiveriesScanned.xml, which other readers refuse whole
  // for one character that XML 1.0 cannot hold (pugixml would write a control character as
  // "&#1;"). Keys never hold line ends.
  gf_dropNonXmlChars(keys.title);
  return keys;
}

// Whether the file a section names exists; a status that cannot be found out counts as
// missing (logged), so one odd value costs only its own section.
bool lf_sectionFileExists(CfgFileJob& job, const std::string& relative, CaseBlindPaths::Kind kind) {
  const auto found = job.paths.exists(job.folder, relative, kind);
  if (!found.error.empty()) {
    gf_log(fmt::format("! Status of '{}' in {} failed: {}", relative, gf_pathToUtf8(job.folder), found.error));
  }
  return found.exists;
}

std::optional<FoundLivery> lf_makeFound(CfgFileJob& job, const AcCodes& codes, const std::string& title,
                                        const std::string& regcode, std::string takenReport) {
  FoundLivery found{LiveryData{title, regcode, codes, static_cast<std::int16_t>(job.folderIndex)},
                    std::move(takenReport)};
  if (lf_isIncompleteLivery(found.livery)) {
    job.result.reports.addIncompleteSection(std::move(found.takenReport));
    return std::nullopt;
  }
  return found;
}

}  // namespace

std::optional<FoundLivery> lf_procesFltSimSection(CfgLines& lines, const std::string& modelCode,
                                                  CfgFileJob& job) {
  try {
    lf_dropTrailingComments(lines);
    const std::string head(lines.front());
    SectionKeys keys = lf_scanKeys(lines, job, false);
    if (keys.invalid) return std::nullopt;
    auto& reports = job.result.reports;
    if (!keys.airlineHeld) {
      reports.addIncompleteSection(
          fmt::format("{} {} icao_airline is missing, or it has invalid info ", job.pathText, head));
    }
    using Kind = CaseBlindPaths::Kind;
    const std::string modelFolder = "model." + keys.model;
    if (!lf_sectionFileExists(job, modelFolder, Kind::folder) ||
        !lf_sectionFileExists(job, "texture." + keys.texture, Kind::folder) ||
        !lf_sectionFileExists(job, keys.sim + ".air", Kind::regularFile)) {
      reports.addIncompleteSection(
          fmt::format("{} or related path does not exist: {}", (job.folder / modelFolder).string(), head));
      return std::nullopt;
    }
    if (keys.title.empty()) {
      reports.addIncompleteSection(fmt::format("{} {} misses title", job.pathText, head));
      return std::nullopt;
    }
    if (keys.title.size() >= 9 && keys.title.find("Fictional") != std::string::npos) return std::nullopt;
    if (lf_isDontUseTitle(job.inputs, keys.title)) return std::nullopt;
    if (keys.airline == "ZZZ") keys.regcode.clear();
    std::optional<AcCodes> hit;
    if (!keys.regcode.empty()) hit = gf_dbaseLookup(keys.regcode);
    if (!keys.airlineHeld) {
      const bool heavy = gf_modelCodeCategory(modelCode) == AcCategory::Heavy;
      if (keys.regcode.empty()) {
        if (heavy) {
          reports.addIncompleteSection(fmt::format("'{}' '{}' has no airline and no regcode info", job.pathText, head));
          return std::nullopt;
        }
        keys.airline = "PVT";
        if (auto shortReg = gf_shortRegInText(keys.title)) {
          keys.regcode = std::move(*shortReg);
          hit = gf_dbaseLookup(keys.regcode);
        }
      } else if (!hit || hit->airlineId == 0) {
        if (heavy) {
          reports.addIncompleteSection(
              fmt::format("'{}' '{}' has no airline and regcode not in dbase", job.pathText, head));
          return std::nullopt;
        }
        keys.airline = "PVT";
      }
    }
    AcCodes codes;
    if (hit && hit->airlineId != 0) {
      codes = *hit;
    } else {
      codes.airlineId = gf_airlineCode2Id(keys.airline);
      codes.modelId = gf_modelCode2Id(modelCode);
      codes.cargo = keys.parkingTypes.find("CARGO") != std::string::npos ? 1 : 0;
    }
    return lf_makeFound(job, codes, keys.title, keys.regcode,
                        fmt::format("{} {} title '{}' already exists", job.pathText, head, keys.title));
  } catch (const std::exception& e) {
    gf_log(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", e.what(), job.pathText));
    throw;
  }
}

std::optional<FoundLivery> lf_procesIvaoSection(CfgLines& lines, const std::string& modelCode,
                                                CfgFileJob& job) {
  lf_dropTrailingComments(lines);
  const std::string head(lines.front());
  SectionKeys keys = lf_scanKeys(lines, job, true);
  if (keys.invalid) return std::nullopt;
  auto& reports = job.result.reports;
  using Kind = CaseBlindPaths::Kind;
  for (const auto& [relative, kind] : {std::pair{"model." + keys.model, Kind::folder},
                                       std::pair{keys.sim + ".air", Kind::regularFile},
                                       std::pair{"texture." + keys.texture, Kind::folder}}) {
    if (!lf_sectionFileExists(job, relative, kind)) {
      reports.addIncompleteSection((job.folder / relative).string() + " " + head + " does not exist");
      return std::nullopt;
    }
  }
  const std::string start = job.pathText + " " + head;
  if (keys.title.empty()) {
    reports.addIncompleteSection(start + " misses title");
    return std::nullopt;
  }
  if (lf_isDontUseTitle(job.inputs, keys.title)) return std::nullopt;
  const std::string airline = lf_ivaoTitleAirline(keys.title, modelCode);
  AcCodes codes;
  if (airline.empty()) {
    const std::string missing = start + " misses airlinecode in title: " + keys.title;
    if (keys.regcode.empty()) {
      reports.addIncompleteSection(missing + ", and no regcode");
      return std::nullopt;
    }
    const auto hit = gf_dbaseLookup(keys.regcode);
    if (!hit) {
      reports.addIncompleteSection(missing + ", and regcode unknown " + keys.regcode);
      return std::nullopt;
    }
    codes = *hit;
  } else {
    if (!gf_isKnownAirline(airline)) {
      reports.addInvalidAirlineCode(airline, job.pathText, head);
      return std::nullopt;
    }
    if (airline == "ZZZ") keys.regcode.clear();
    codes.airlineId = gf_airlineCode2Id(airline);
    codes.modelId = gf_modelCode2Id(modelCode);
  }
  return lf_makeFound(job, codes, keys.title, keys.regcode, start + " title already exists: " + keys.title);
}

}  // namespace vexo
