#include "platform/ini_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace vexo::platform {

namespace {
std::string_view lf_trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

char lf_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool lf_equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lf_lower(x) == lf_lower(y); });
}

std::string_view lf_unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}
}  // namespace

std::optional<IniFile> IniFile::load(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return parse(text);
}

IniFile IniFile::parse(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  IniFile file;
  Section* current = nullptr;  // null before the first section and inside a repeated one
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = lf_trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      const std::string_view name = lf_trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
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
      current->entries.push_back({std::string(lf_trim(line.substr(0, equals))),
                                  std::string(lf_unquote(lf_trim(line.substr(equals + 1))))});
    }
  }
  return file;
}

const IniFile::Section* IniFile::find(std::string_view section) const {
  section = lf_trim(section);
  for (const auto& s : sections_)
    if (lf_equalsNoCase(s.name, section)) return &s;
  return nullptr;
}

bool IniFile::hasSection(std::string_view section) const {
  const Section* s = find(section);
  return s && !s->entries.empty();
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  const Section* s = find(section);
  if (!s) return std::nullopt;
  key = lf_trim(key);
  for (const auto& entry : s->entries)
    if (entry.value && lf_equalsNoCase(entry.key, key)) return entry.value;
  return std::nullopt;
}

}  // namespace vexo::platform
