#include "refdata/regcode_lists.h"

#include <algorithm>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/line_file.h"
#include "foundation/log.h"
#include "foundation/meta_info.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "refdata/xml_text.h"

namespace vexo {

namespace {

constexpr std::size_t lf_minLineLength = 6;
constexpr std::size_t lf_minRegcodeLength = 3;
constexpr std::size_t lf_maxRegcodeLength = 12;
constexpr std::size_t lf_linesReserve = 1024;

bool lf_validLength(const std::string& regcode) {
  return regcode.size() >= lf_minRegcodeLength && regcode.size() <= lf_maxRegcodeLength;
}

std::vector<std::string_view> lf_splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    std::size_t semicolon = line.find(';', start);
    fields.push_back(line.substr(start, semicolon == std::string_view::npos ? line.npos : semicolon - start));
    if (semicolon == std::string_view::npos) {
      return fields;
    }
    start = semicolon + 1;
  }
}

void lf_logCount(std::size_t count, const std::filesystem::path& path) {
  gf_log(fmt::format("{:5} {} read from {}", count, count == 1 ? "livery" : "liveries", gf_pathToUtf8(path)));
}

}  // namespace

bool lf_readRegcodeLine(std::string_view line, const std::filesystem::path& file, std::vector<RegcodeEntry>& entries) {
  if (line.size() < lf_minLineLength) {
    return true;
  }
  std::vector<std::string_view> fields = lf_splitFields(line);
  std::string title(fields.front());
  if (fields.size() == 1) {
    entries.push_back(RegcodeEntry{std::move(title), {}, false});
    return true;
  }
  if (fields.size() > 3) {
    return true;
  }
  std::vector<std::string> regcodes = gf_splitCommaSortedUnique(fields[1]);
  if (regcodes.empty()) {
    entries.push_back(RegcodeEntry{std::move(title), {}, false});
    return true;
  }
  bool ok = true;
  std::list<std::string> taken;
  for (std::string& regcode : regcodes) {
    if (lf_validLength(regcode)) {
      taken.push_back(std::move(regcode));
    } else {
      gf_logWarning(fmt::format("wrong regcode length '{}' in {}", regcode, gf_pathToUtf8(file)));
      ok = false;
    }
  }
  if (regcodes.size() == 1) {
    if (!taken.empty()) {
      entries.push_back(RegcodeEntry{std::move(title), std::move(taken), true});
    }
    return ok;
  }
  bool special = !taken.empty() && fields.size() == 3 && fields[2] == "#";
  entries.push_back(RegcodeEntry{std::move(title), std::move(taken), special});
  return ok;
}

bool gf_readRegcodeFiles(const std::filesystem::path& folder, std::vector<RegcodeEntry>& entries) {
  bool result = true;
  try {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file() && gf_equalsUpper(".TXT", gf_pathToUtf8(entry.path().extension()))) {
        files.push_back(entry.path());
      }
    }
    // The listing order of a folder is the file system's; reading in name order keeps the
    // entries (and the livery choice that follows them) the same on every run.
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      LineFile file{path, {}};
      LineFile::Result read = file.read(lf_linesReserve);
      for (const std::string& line : read.lines) {
        result = lf_readRegcodeLine(line, path, entries) && result;
      }
      lf_logCount(entries.size(), path);
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("Error reading regcode files in {}, what: {}", gf_pathToUtf8(folder), e.what()));
    result = false;
  }
  return result;
}

bool gf_readAigRegcodesFrom(const std::filesystem::path& xmlPath, std::vector<RegcodeEntry>& entries) {
  pugi::xml_document document;
  if (!document.load_file(xmlPath.c_str(), pugi::parse_default, pugi::encoding_auto)) {
    gf_logWarning(fmt::format("Failed to load {}", gf_pathToUtf8(xmlPath)));
    std::filesystem::remove(xmlPath);
    return false;
  }
  if (!gf_readMetaInfo(document, false)) {
    return false;
  }
  pugi::xml_node list = document.child("root").child("aig");
  if (!list) {
    gf_logWarning("No <aig> node found in XML.");
    return false;
  }
  bool result = true;
  std::string previous;
  for (pugi::xml_node item : list.children("l")) {
    std::string title = lf_attributeText(item, "t");
    if (title.empty()) {
      continue;
    }
    if (title == previous) {
      gf_logWarning(fmt::format("Duplicate title '{}' (same as previous)", title));
      result = false;
      continue;
    }
    previous = title;
    std::vector<std::string> regcodes = gf_splitCommaSortedUnique(lf_attributeText(item, "r"));
    entries.push_back(RegcodeEntry{std::move(title), {regcodes.begin(), regcodes.end()}, gf_xmlBool(item, "s", false)});
  }
  lf_logCount(entries.size(), xmlPath);
  return result;
}

bool gf_readAigRegcodes(std::vector<RegcodeEntry>& entries) {
  return gf_readAigRegcodesFrom(g_aigRegcodesXmlPath, entries);
}

}  // namespace vexo
