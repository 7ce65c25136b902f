#include "liveries/scanned_liveries_xml.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <system_error>

#include "foundation/charset.h"
#include "foundation/error.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/meta_info.h"
#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/version.h"
#include "liveries/liveries_scan.h"
#include "refdata/codes.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

// The simulator the program serves, as the meta block names it.
constexpr std::int32_t kSimulatorNumber = 3;

std::string_view lf_codeText(const CodePool& pool, std::uint16_t id) { return pool.text(id).value_or(""); }

void lf_appendLivery(pugi::xml_node list, const LiveryData& livery) {
  pugi::xml_node l = list.append_child("l");
  gf_appendAttribute(l, "a", lf_codeText(g_airlinePool, livery.codes.airlineId));
  if (livery.codes.operatorId != 0) gf_appendAttribute(l, "o", lf_codeText(g_airlinePool, livery.codes.operatorId));
  gf_appendAttribute(l, "m", lf_codeText(g_modelPool, livery.codes.modelId));
  if (livery.codes.cargo != 0) gf_appendAttribute(l, "c", "true");
  gf_appendAttributeString(l, "t", livery.title);
  if (!livery.regcode.empty()) gf_appendAttributeString(l, "r", livery.regcode);
}

}  // namespace

bool lf_liveryLess(const LiveryData& a, const LiveryData& b) {
  if (a.codes.airlineId != b.codes.airlineId) {
    return lf_codeText(g_airlinePool, a.codes.airlineId) < lf_codeText(g_airlinePool, b.codes.airlineId);
  }
  if (a.codes.operatorId != b.codes.operatorId) {
    return lf_codeText(g_airlinePool, a.codes.operatorId) < lf_codeText(g_airlinePool, b.codes.operatorId);
  }
  if (a.codes.modelId != b.codes.modelId) {
    return lf_codeText(g_modelPool, a.codes.modelId) < lf_codeText(g_modelPool, b.codes.modelId);
  }
  return a.title < b.title;
}

bool lf_writeScannedLiveries(const std::list<LiveryData>& liveries, const fs::path& file) {
  if (liveries.empty()) return true;
  pugi::xml_document document;
  FileMeta meta;
  meta.version = g_programVersion.toString();
  meta.sim = kSimulatorNumber;
  gf_writeMetaInfo(document, meta);
  pugi::xml_node root = document.child("root");
  if (!root) return false;
  pugi::xml_node list = root.append_child("liveries");
  for (const auto& livery : liveries) lf_appendLivery(list, livery);
  if (!gf_saveXml(document, file)) return false;
  gf_log(fmt::format("{} liveries in {}", liveries.size(), file.string()));
  return true;
}

std::list<LiveryData> lf_readScannedLiveriesFrom(const fs::path& file) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(file.c_str());
  if (!parsed) {
    if (parsed.status != pugi::status_file_not_found) {
      gf_logWarning(fmt::format("{}: {} at offset {}", gf_pathToUtf8(file), parsed.description(), parsed.offset));
    }
    throw UserErrorException(51, fmt::format("File {} not found", file.string()));
  }
  (void)gf_readMetaInfo(document, false);
  std::list<LiveryData> liveries;
  if (const pugi::xml_node root = document.child("root")) {
    const pugi::xml_node list = root.child("liveries");
    if (!list) throw UserErrorException(52, fmt::format("{} does not contain a <liveries> section", file.string()));
    for (const pugi::xml_node l : list.children()) {
      if (l.type() != pugi::node_element) continue;
      for (const char* required : {"a", "m", "t"}) {
        if (!l.attribute(required)) {
          throw UserErrorException(999, fmt::format("Missing required attribute '{}' in <{}>", required, l.name()));
        }
      }
      LiveryData livery;
      livery.title = l.attribute("t").value();
      livery.regcode = l.attribute("r").value();
      livery.codes.airlineId = gf_airlineCode2Id(l.attribute("a").value());
      livery.codes.operatorId = gf_airlineCode2Id(l.attribute("o").value());
      livery.codes.modelId = gf_modelCode2Id(l.attribute("m").value());
      livery.codes.cargo = l.attribute("c").as_bool(false) ? 1 : 0;
      liveries.push_back(std::move(livery));
    }
  }
  if (liveries.empty()) throw UserErrorException(533, file.string() + " does not contain liveries");
  liveries.sort(lf_liveryLess);
  gf_log(fmt::format("{:5} liveries read from {}", liveries.size(), file.string()));
  return liveries;
}

void lf_readScannedLiveries() {
  auto& scan = g_liveryScan;
  if (scan.unsavedResult) {
    // The scan could not save its result; the records are still here, sorted. They are
    // made what reading them back would give (neither the folder nor the marker is kept).
    scan.unsavedResult = false;
    for (auto& livery : scan.scannedLiveries) {
      livery.folderIndex = 0;
      livery.codes.marker = 0;
    }
    gf_logWarning(fmt::format("{:5} liveries taken from the scan itself, as {} could not be saved",
                              scan.scannedLiveries.size(), g_liveriesScannedPath.string()));
    return;
  }
  scan.scannedLiveries.clear();
  scan.scannedLiveries = lf_readScannedLiveriesFrom(g_liveriesScannedPath);
}

void lf_liveryFolders(std::vector<fs::path>& out) {
  for (const auto& setting : g_settings.lfolder) {
    const std::string value = setting.value();
    if (value.empty()) continue;
    const fs::path folder(value);
    std::error_code ec;
    const auto status = fs::status(folder, ec);
    if (!fs::exists(status)) {
      gf_logWarning(fmt::format("{}: '{}' does not exist", setting.key, value));
      throw UserErrorException(243,
                               fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!", setting.key));
    }
    out.push_back(folder);
  }
}

}  // namespace vexo
