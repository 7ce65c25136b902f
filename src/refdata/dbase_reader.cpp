#include "refdata/dbase_reader.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/charset.h"
#include "foundation/datafile_decrypt.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "refdata/codes.h"
#include "refdata/xml_text.h"

namespace vexo {

namespace {

constexpr std::size_t lf_groupsReserve = 64;
constexpr std::size_t lf_publishersReserve = 640;
constexpr std::size_t lf_thirdPartiesReserve = 200;
constexpr std::size_t lf_recordsReserve = 65536;

void lf_readGroups(const pugi::xml_node& root, const char* section, CodeGroups& groups) {
  groups.reserve(lf_groupsReserve);
  for (pugi::xml_node item : root.child(section).children("similar")) {
    std::vector<std::string> group = gf_splitCommaTrimmed(lf_attributeText(item, "types"));
    std::sort(group.begin(), group.end());
    groups.push_back(std::move(group));
  }
  groups.shrink_to_fit();
}

void lf_readPublishers(const pugi::xml_node& root) {
  auto& groups = g_dbase.publisherGroups;
  groups.reserve(lf_publishersReserve);
  pugi::xml_node section = root.child("publishers");
  if (!section) {
    return;
  }
  std::vector<std::string> names;
  for (pugi::xml_node item : section.children("pub")) {
    names.push_back(lf_attributeText(item, "names"));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& text : names) {
    std::vector<std::string> group = gf_splitCommaTrimmed(text);
    group.shrink_to_fit();
    groups.push_back(std::move(group));
  }
  groups.shrink_to_fit();
  gf_log(fmt::format("{:5} publishers", groups.size()));
}

void lf_readWingspans(const pugi::xml_node& root) {
  pugi::xml_node section = root.child("wingspans");
  if (!section) {
    return;
  }
  for (pugi::xml_node item : section.children("wingspan")) {
    std::string type = lf_attributeText(item, "type");
    if (type.empty() || !g_dbase.modelCodes.contains(type)) {
      gf_logWarning(fmt::format("wingspan model {} is not valid, skipped", type));
      continue;
    }
    std::optional<double> meters = gf_xmlDouble(lf_attributeText(item, "meters"));
    // An infinite or negative span would stretch every clearance computed from it.
    if (!meters || *meters < 0.0) {
      gf_logWarning(fmt::format("wingspan of model {} is not a valid number, skipped", type));
      continue;
    }
    double half = *meters * 0.5 / 1852.0;
    g_dbase.halfWingspans.try_emplace(type, half);
    g_dbase.maxHalfWingspan = std::max(g_dbase.maxHalfWingspan, half);
  }
  g_dbase.halfWingspanById.assign(g_modelPool.size(), 0.0);
  for (const auto& [code, half] : g_dbase.halfWingspans) {
    lf_fillHalfWingspan(code, half);
  }
}

void lf_readFixes(const pugi::xml_node& root) {
  pugi::xml_node section = root.child("fixes");
  if (!section) {
    return;
  }
  for (pugi::xml_node item : section.children("fx")) {
    std::string wrong = lf_attributeText(item, "wro");
    std::string correct = lf_attributeText(item, "cor");
    if (correct.empty() || !g_dbase.modelCodes.contains(correct)) {
      gf_logWarning(fmt::format("wrong fix {} -> {}, the latter is not valid", wrong, correct));
    } else if (g_dbase.modelFixes.contains(wrong)) {
      gf_logWarning(fmt::format("wrong part of fix: '{}', already exists, skipped", wrong));
    } else {
      g_dbase.modelFixes.emplace(std::move(wrong), std::move(correct));
    }
  }
  gf_log(fmt::format("{:5} fixes", g_dbase.modelFixes.size()));
}

void lf_readRecords(const pugi::xml_node& root) {
  auto& records = g_dbase.dbaseRecords;
  if (records.capacity() < lf_recordsReserve) {
    records.reserve(lf_recordsReserve);
  }
  for (pugi::xml_node item : root.child("dbase").children("d")) {
    DbaseRecord record;
    record.registration = lf_attributeText(item, "r");
    record.codes.airlineId = gf_airlineCode2Id(lf_attributeText(item, "a"));
    record.codes.operatorId = gf_airlineCode2Id(lf_attributeText(item, "o"));
    record.codes.modelId = gf_modelCode2Id(lf_attributeText(item, "m"));
    record.codes.cargo = gf_xmlBool(item, "c", false) ? 1 : 0;
    record.codes.marker = 1;
    records.push_back(std::move(record));
  }
  lf_sortDbase();
  if (records.capacity() > records.size()) {
    records.shrink_to_fit();
  }
}

}  // namespace

void lf_readDbaseDocument(const pugi::xml_document& document) {
  DbaseTables& db = g_dbase;
  pugi::xml_node root = document.child("root");

  lf_readTypesSection(document, "aircrafts", db.modelCodes, "aircraft");
  gf_log(fmt::format("\n{:5} ICAO model codes", db.modelCodes.size()));
  lf_readTypesSection(document, "cargo_types", db.cargoModelCodes, "cargo_type");
  // The empty code first (id 0), then the dbase's own codes; corrections apply only later.
  gf_modelCode2Id("");
  for (const std::string& code : db.modelCodes) {
    gf_modelCode2Id(code);
  }
  g_modelPool.seal();
  for (const std::string& code : db.cargoModelCodes) {
    gf_modelCode2Id(code);
  }

  lf_readTypesSection(document, "heavy", db.heavyCodes, "hvy");
  lf_readTypesSection(document, "large", db.largeCodes, "lar");
  lf_readTypesSection(document, "buzjet", db.buzjetCodes, "bzj");
  lf_readTypesSection(document, "high_performance", db.highPerfCodes, "hpf");
  lf_readTypesSection(document, "rotorcraft", db.rotorcraftCodes, "rot");
  lf_codes2Ids(db.heavyCodes, db.heavyIds);
  lf_codes2Ids(db.largeCodes, db.largeIds);
  lf_codes2Ids(db.buzjetCodes, db.buzjetIds);
  lf_codes2Ids(db.highPerfCodes, db.highPerfIds);
  lf_codes2Ids(db.rotorcraftCodes, db.rotorcraftIds);

  lf_readGroups(root, "similar_types", db.similarGroups);
  lf_readGroups(root, "prefixes", db.prefixGroups);
  gf_logFlush(fmt::format("{:5} prefixes", db.prefixGroups.size()));
  lf_buildPrefixMap();

  lf_readCodesSection(document, "ICAO_airlines", db.airlineCodes, "ICAO");
  gf_log(fmt::format("{:5} ICAO airline codes", db.airlineCodes.size()));
  lf_readCodesSection(document, "cargo_operators", db.cargoOperators, "ICAO");
  gf_log(fmt::format("{:5} cargo operators", db.cargoOperators.size()));
  gf_airlineCode2Id("");
  for (const std::string& code : db.airlineCodes) {
    gf_airlineCode2Id(code);
  }
  for (const std::string& code : db.cargoOperators) {
    gf_airlineCode2Id(code);
  }
  g_airlinePool.seal();

  lf_readPublishers(root);
  lf_readWingspans(root);
  lf_readFixes(root);
  lf_readListSection(document, "simaddonsP3D", db.simaddonAirports, "simaddonP3D", "arpts");
  if (db.thirdPartyAirports.capacity() < lf_thirdPartiesReserve) {
    db.thirdPartyAirports.reserve(lf_thirdPartiesReserve);
  }
  lf_readThirdParties(document, "thirdpartiesP3D", "thirdpartieP3D");
  lf_readRecords(root);
}

bool gf_readDbaseFrom(const std::filesystem::path& encPath, const std::filesystem::path& xmlPath) {
  if (!std::filesystem::exists(encPath)) {
    throw std::runtime_error(fmt::format("{} not available", gf_pathToUtf8(encPath)));
  }
  // The plain dbase must not outlive the read, whichever way it ends.
  RemoveFileGuard removeXml(xmlPath);
  if (!gf_streamDecrypt(encPath, xmlPath)) {
    throw std::runtime_error(fmt::format("{} stream decrypt failed", gf_pathToUtf8(encPath)));
  }
  pugi::xml_document document;
  pugi::xml_parse_result parsed = document.load_file(xmlPath.c_str(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    gf_logWarning(fmt::format("'{}' not read because of {}", gf_pathToUtf8(xmlPath), parsed.description()));
    return false;
  }
  lf_readDbaseDocument(document);
  gf_logFlush(fmt::format("{:5} dbase records read", g_dbase.dbaseRecords.size()));
  return true;
}

bool gf_readDbase() { return gf_readDbaseFrom(g_dbaseEncPath, g_dbaseXmlPath); }

}  // namespace vexo
