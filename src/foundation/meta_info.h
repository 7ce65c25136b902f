// The meta block root > meta > info (name, value) that the program's own XML files carry
// (airport files, LiveriesScanned.xml, regcode lists).
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace vexo {

struct FileMeta {
  std::string author;
  std::string version;
  std::string date;
  std::string P3D;
  std::string MSFS;
  std::int32_t sim = 0;
};

// The program's copyright line, written into every meta block.
extern const char* const g_copyrightText;

// Appends a new meta block under the node's "root" (added when missing): author, version,
// today's UTC date, copyright and sim. True only when all five entries were written.
bool gf_writeMetaInfo(pugi::xml_node node, const FileMeta& meta);

// Reads the first entry of each known name. Empty without a copyright entry, with an empty
// one (logged as a warning), or unless copyrightSuffices or one of P3D, MSFS, sim was found.
std::optional<FileMeta> gf_readMetaInfo(pugi::xml_node node, bool copyrightSuffices);

}  // namespace vexo
