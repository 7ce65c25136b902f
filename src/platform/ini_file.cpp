#include "platform/ini_file.h"

#include "platform/ascii_text.h"

namespace vexo::platform {

namespace {
std::string_view lf_unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}
}  // namespace

IniFile IniFile::parse(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  IniFile file;
  Section* current = nullptr;  // null before the first section and inside a repeated one
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = gf_stripSpace(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      const std::string_view name = gf_stripSpace(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
      if (file.find(name)) {
        current = nullptr;
      } else {
        file.sections_.push_back({std::string(name), {}});
        current = &file.sections_.back();
      }
      continue;
    }
    if (!current) continue;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      current->entries.push_back({std::string(line), std::nullopt});
    } else {
      current->entries.push_back({std::string(gf_stripSpace(line.substr(0, equals))),
                                  std::string(lf_unquote(gf_stripSpace(line.substr(equals + 1))))});
    }
  }
  return file;
}

const IniFile::Section* IniFile::find(std::string_view section) const {
  section = gf_stripSpace(section);
  for (const auto& s : sections_)
    if (gf_equalsNoCase(s.name, section)) return &s;
  return nullptr;
}

bool IniFile::hasSection(std::string_view section) const {
  const Section* s = find(section);
  return s && !s->entries.empty();
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  const Section* s = find(section);
  if (!s) return std::nullopt;
  key = gf_stripSpace(key);
  for (const auto& entry : s->entries)
    if (entry.value && gf_equalsNoCase(entry.key, key)) return entry.value;
  return std::nullopt;
}

}  // namespace vexo::platform
