// The section readers and table builders of the dbase reader.
#include <algorithm>

#include <fmt/format.h>

#include "foundation/error.h"
#include "foundation/text.h"
#include "refdata/codes.h"
#include "refdata/dbase_reader.h"
#include "refdata/xml_text.h"

namespace vexo {

namespace {

constexpr int lf_sectionError = 61;

}  // namespace

void lf_readListSection(const pugi::xml_document& document, const char* section, TextSet& out, const char* element,
                        const char* attribute) {
  pugi::xml_node root = document.child("root");
  if (!root) {
    throw UserErrorException(lf_sectionError, "XML root missing: root");
  }
  pugi::xml_node node = root.child(section);
  if (!node) {
    throw UserErrorException(lf_sectionError, std::string("Missing section: ") + section);
  }
  bool any = false;
  for (pugi::xml_node item : node.children(element)) {
    std::string text = lf_attributeText(item, attribute);
    if (text.empty()) {
      continue;
    }
    for (std::string& piece : gf_splitCommaTrimmed(text)) {
      if (!piece.empty()) {
        out.insert(std::move(piece));
        any = true;
      }
    }
  }
  if (!any) {
    throw UserErrorException(lf_sectionError, fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.",
                                                          section, element, attribute));
  }
}

void lf_readTypesSection(const pugi::xml_document& document, const char* section, TextSet& out, const char* element) {
  lf_readListSection(document, section, out, element, "types");
}

void lf_readCodesSection(const pugi::xml_document& document, const char* section, TextSet& out, const char* element) {
  lf_readListSection(document, section, out, element, "codes");
}

void lf_readThirdParties(const pugi::xml_document& document, const char* section, const char* element) {
  pugi::xml_node node = document.child("root").child(section);
  if (!node) {
    return;
  }
  for (pugi::xml_node item : node.children(element)) {
    g_dbase.thirdPartyAirports.push_back(
        ThirdPartyAirports{lf_attributeText(item, "pub"), gf_splitCommaTrimmed(lf_attributeText(item, "arpts"))});
  }
}

void lf_codes2Ids(const TextSet& codes, ModelIdSet& out) {
  out.clear();
  for (const std::string& code : codes) {
    out.insert(gf_modelCode2Id(code));
  }
}

TextSet lf_groupRotations(const CodeGroups& groups, const std::function<bool(const std::string&)>& keep) {
  TextSet texts;
  for (const auto& group : groups) {
    for (std::size_t i = 0; i < group.size(); ++i) {
      std::string text = group[i];
      for (std::size_t j = 0; j < group.size(); ++j) {
        if (j != i && keep(group[j])) {
          text += "," + group[j];
        }
      }
      if (text.find(',') != std::string::npos) {
        texts.insert(std::move(text));
      }
    }
  }
  return texts;
}

// A code of several groups takes the list of the text that comes first in ascending order.
void lf_buildPrefixMap() {
  const TextSet texts = lf_groupRotations(g_dbase.prefixGroups, [](const std::string&) { return true; });
  for (const std::string& text : texts) {
    std::vector<std::string> pieces = gf_splitCommaTrimmed(text);
    std::string key = std::move(pieces.front());
    pieces.erase(pieces.begin());
    g_dbase.prefixMap.try_emplace(std::move(key), std::move(pieces));
  }
}

void lf_fillHalfWingspan(std::string_view modelCode, double halfWingspan) {
  std::uint16_t id = gf_modelCode2Id(modelCode);
  if (id == 0) {
    return;  // only a full pool answers 0 for a non-empty code: nothing to attach it to
  }
  // The table follows the pool instead of a fixed size, so no dbase wingspan is dropped.
  if (id >= g_dbase.halfWingspanById.size()) {
    g_dbase.halfWingspanById.resize(static_cast<std::size_t>(id) + 1, 0.0);
  }
  g_dbase.halfWingspanById[id] = halfWingspan;
}

void lf_sortDbase() {
  auto& records = g_dbase.dbaseRecords;
  std::sort(records.begin(), records.end(),
            [](const DbaseRecord& a, const DbaseRecord& b) { return a.registration < b.registration; });
  records.erase(std::unique(records.begin(), records.end(),
                            [](const DbaseRecord& a, const DbaseRecord& b) { return a.registration == b.registration; }),
                records.end());
}

}  // namespace vexo
