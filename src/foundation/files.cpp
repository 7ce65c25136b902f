#include "foundation/files.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "platform/durable_file.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

// One copy step of the generations: false (with a warning) when it failed.
bool lf_copyGeneration(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  const bool exists = fs::exists(source, ec);
  if (ec) {
    gf_logWarning(fmt::format("exists({}): {}", gf_pathToUtf8(source), ec.message()));
    return false;
  }
  if (!exists) return true;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    gf_logWarning(
        fmt::format("copy {} -> {} failed: {}", gf_pathToUtf8(source), gf_pathToUtf8(target), ec.message()));
    return false;
  }
  return true;
}

// Walks a folder and removes the regular files that `take` accepts.
template <class Take>
void lf_removeFiles(const fs::path& folder, std::string_view who, Take take) {
  try {
    if (!fs::is_directory(folder)) return;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file() || !take(entry.path())) continue;
      std::error_code ec;
      fs::remove(entry.path(), ec);
      if (ec) gf_logWarning(fmt::format("Failed to remove {} ({})", gf_pathToUtf8(entry.path()), ec.message()));
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception: {}", who, e.what()));
  }
}

}  // namespace

std::string gf_generationName(const fs::path& path, int zeros) {
  std::string text = gf_pathToUtf8(path);
  const auto dot = text.rfind('.');
  if (dot == std::string::npos) return {};
  text.insert(dot, static_cast<std::size_t>(zeros), '0');
  return text;
}

bool gf_save1GenerationOf(const fs::path& path) {
  const std::string target = gf_generationName(path);
  if (target.empty()) {
    gf_logWarning(fmt::format("gf_save1GenerationOf: no dot in filename: {}", gf_pathToUtf8(path)));
    return false;
  }
  return lf_copyGeneration(path, fs::path(target));
}

bool gf_saveUpto3GenerationsOf(const fs::path& path) {
  if (gf_generationName(path).empty()) {
    gf_logWarning(fmt::format("gf_saveUpto3GenerationsOf: no dot in filename: {}", gf_pathToUtf8(path)));
    return false;
  }
  const fs::path name0 = gf_generationName(path, 1);
  const fs::path name00 = gf_generationName(path, 2);
  const fs::path name000 = gf_generationName(path, 3);
  bool ok = lf_copyGeneration(name00, name000);
  ok = lf_copyGeneration(name0, name00) && ok;
  ok = lf_copyGeneration(path, name0) && ok;
  return ok;
}

bool gf_replaceFileContent(const fs::path& path, std::string_view bytes) {
  // Unique per call, so two threads replacing the same file never share a temporary.
  static std::atomic<unsigned> s_counter{0};
  fs::path temporary = path;
  temporary += fmt::format(".{}.tmp", s_counter.fetch_add(1));
  std::error_code ec;
  // The bytes reach the disk before the rename, so a crash leaves the old file or the new
  // one, never an empty one.
  if (const std::string error = platform::gf_writeDurably(temporary, bytes); !error.empty()) {
    fs::remove(temporary, ec);
    gf_logWarning(fmt::format("Failed to write file {}: {}", gf_pathToUtf8(path), error));
    return false;
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    gf_logWarning(fmt::format("Failed to write file {}: {}", gf_pathToUtf8(path), ec.message()));
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  platform::gf_syncFolder(path.parent_path());
  return true;
}

bool gf_writeTextFile(std::string_view text, const fs::path& path) {
  std::string content;
  content.reserve(text.size() + 1);
  content.append(text).push_back('\n');
  return gf_replaceFileContent(path, content);
}

bool gf_writeLines(const std::vector<std::string>& lines, const fs::path& path) {
  std::string content;
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 1;
  content.reserve(size);
  for (const auto& line : lines) content.append(line).push_back('\n');
  return gf_replaceFileContent(path, content);
}

void gf_removeFilesFromDirectory(const fs::path& folder) {
  lf_removeFiles(folder, "gf_removeFilesFromDirectory", [](const fs::path&) { return true; });
}

void gf_removeXMLFilesFromDirectory(const fs::path& folder) {
  lf_removeFiles(folder, "gf_removeXMLFilesFromDirectory",
                 [](const fs::path& file) { return gf_equalsUpper(".XML", file.extension().string()); });
}

std::size_t gf_countDirectoryEntries(const fs::path& folder) {
  if (!fs::exists(folder)) return 0;
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

std::vector<std::string> gf_listXmlFiles(const fs::path& folder) {
  std::vector<std::string> codes;
  if (!fs::exists(folder)) return codes;
  codes.reserve(512);
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    if (!gf_equalsUpper(".XML", entry.path().extension().string())) continue;
    std::string code = entry.path().stem().string();
    if (code.size() != 4) continue;
    gf_toUpperInPlace(code);
    for (const char c : code) {
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
        throw std::invalid_argument("FixedCode: invalid string (length/charset)");
      }
    }
    codes.push_back(std::move(code));
  }
  return codes;
}

bool gf_saveXml(pugi::xml_document& document, const fs::path& path) {
  pugi::xml_node declaration;
  for (auto node = document.first_child(); node; node = node.next_sibling()) {
    if (node.type() == pugi::node_declaration) {
      declaration = node;
      break;
    }
  }
  if (!declaration) declaration = document.prepend_child(pugi::node_declaration);
  for (const char* name : {"version", "encoding"}) {
    if (!declaration.attribute(name)) declaration.append_attribute(name);
  }
  declaration.attribute("version").set_value("1.0");
  declaration.attribute("encoding").set_value("UTF-8");
  std::ostringstream text;
  document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
  return gf_replaceFileContent(path, text.str());
}

fs::path gf_findCaseInsensitive(const fs::path& folder, std::string_view name) {
  fs::path exact = folder / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (gf_equalsNoCase(it->path().filename().string(), name)) return it->path();
  }
  return exact;
}

}  // namespace vexo
