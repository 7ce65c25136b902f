#include "foundation/meta_info.h"

#include <fmt/format.h>

#include <string_view>

#include "foundation/log.h"
#include "foundation/parameter_xml.h"
#include "foundation/time_text.h"

namespace vexo {

const char* const g_copyrightText = "Copyright (c) Vendrake Systems. All rights reserved.";

namespace {

bool lf_appendInfo(pugi::xml_node meta, std::string_view name, std::string_view value) {
  pugi::xml_node info = meta.append_child("info");
  return info && gf_appendAttribute(info, "name", name) && gf_appendAttribute(info, "value", value);
}

}  // namespace

bool gf_writeMetaInfo(pugi::xml_node node, const FileMeta& meta) {
  pugi::xml_node root = node.child("root");
  if (!root) root = node.append_child("root");
  if (!root) return false;
  pugi::xml_node block = root.append_child("meta");
  if (!block) return false;
  bool all = lf_appendInfo(block, "author", "Vendrake_P3D");
  all = lf_appendInfo(block, "version", meta.version) && all;
  all = lf_appendInfo(block, "date", gf_utcDateText()) && all;
  all = lf_appendInfo(block, "copyright", g_copyrightText) && all;
  if (!lf_appendInfo(block, "sim", fmt::format("{}", meta.sim))) return false;
  return all;
}

std::optional<FileMeta> gf_readMetaInfo(pugi::xml_node node, bool copyrightSuffices) {
  const pugi::xml_node root = node.child("root");
  const pugi::xml_node block = (root ? root : node).child("meta");
  if (!block) return std::nullopt;
  FileMeta meta;
  bool copyright = false, author = false, date = false, version = false, sim = false, p3d = false, msfs = false;
  for (pugi::xml_node info : block.children("info")) {
    const std::string_view name = info.attribute("name").as_string();
    const pugi::xml_attribute value = info.attribute("value");
    auto takeFirst = [&](bool& seen, std::string& into) {
      if (seen) return;
      seen = true;
      into = value.as_string();
    };
    if (name.empty()) continue;
    if (name == "copyright") {
      if (copyright) continue;
      if (std::string_view(value.as_string()).empty()) {
        gf_logWarning("no copyright info in the file?");
        return std::nullopt;
      }
      copyright = true;
    } else if (name == "author") {
      takeFirst(author, meta.author);
    } else if (name == "date") {
      takeFirst(date, meta.date);
    } else if (name == "version") {
      takeFirst(version, meta.version);
    } else if (name == "P3D") {
      takeFirst(p3d, meta.P3D);
    } else if (name == "MSFS") {
      takeFirst(msfs, meta.MSFS);
    } else if (name == "sim" && !sim) {
      sim = true;
      meta.sim = value.as_int();
    }
  }
  if (!copyright) return std::nullopt;
  if (copyrightSuffices || p3d || msfs || sim) return meta;
  return std::nullopt;
}

}  // namespace vexo
