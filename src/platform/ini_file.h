// A reader of ini files with the rules of the system's profile functions: section and key
// names match without regard to case, names and values are trimmed of blanks, a value in
// matching quotes loses them, lines that begin with ';' are comments, and of sections or
// keys given twice the first one counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::platform {

class IniFile {
public:
  // text: the file's content in UTF-8 (a leading byte-order mark is skipped).
  static IniFile parse(std::string_view text);

  // True when the section holds at least one entry.
  bool hasSection(std::string_view section) const;
  // The value of key in section; nullopt when either is missing.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;

private:
  struct Entry {
    std::string key;  // the whole line when it has no '='
    std::optional<std::string> value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Section* find(std::string_view section) const;

  std::vector<Section> sections_;
};

}  // namespace vexo::platform
