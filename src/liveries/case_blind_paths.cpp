#include "liveries/case_blind_paths.h"

#include <algorithm>
#include <system_error>

#include "foundation/text.h"

namespace fs = std::filesystem;

namespace vexo {

using platform::EntryType;
using platform::FolderEntry;

void lf_sortByName(CaseBlindPaths::Entries& entries) {
  std::ranges::sort(entries, {}, &FolderEntry::name);
}

void CaseBlindPaths::know(const fs::path& folder, const Entries& entries) {
  Listing& known = listings_[folder];
  known.owned.clear();
  known.error.clear();
  known.entries = &entries;
}

const CaseBlindPaths::Listing& CaseBlindPaths::listing(const fs::path& folder) {
  auto found = listings_.find(folder);
  if (found != listings_.end()) return found->second;
  Listing& made = listings_[folder];
  const std::error_code ec = platform::gf_listFolder(folder, made.owned);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) made.error = ec.message();
  lf_sortByName(made.owned);
  made.entries = &made.owned;
  return made;
}

CaseBlindPaths::Found CaseBlindPaths::exists(const fs::path& folder, std::string_view relative, Kind kind) {
  fs::path current = folder;
  const FolderEntry* last = nullptr;  // the entry the path ends at, when a listing gave it
  while (!relative.empty()) {
    const auto cut = relative.find_first_of("\\/");
    std::string_view component = relative.substr(0, cut);
    relative = cut == std::string_view::npos ? std::string_view() : relative.substr(cut + 1);
    if (component == "." || component == "..") {
      current /= component;
      last = nullptr;
      continue;
    }
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) component.remove_suffix(1);
    if (component.empty()) continue;
    const Listing& listed = listing(current);
    if (!listed.error.empty()) return {false, listed.error};
    const Entries& entries = *listed.entries;
    const auto exact = std::ranges::lower_bound(entries, component, {}, &FolderEntry::name);
    if (exact != entries.end() && exact->name == component) {
      last = &*exact;
    } else {
      const auto match = std::ranges::find_if(
          entries, [component](const FolderEntry& entry) { return gf_equalsNoCase(entry.name, component); });
      if (match == entries.end()) return {};
      last = &*match;
    }
    current /= last->name;
  }
  if (last != nullptr && (last->type == EntryType::directory || last->type == EntryType::regular)) {
    return {kind == Kind::folder ? last->type == EntryType::directory : last->type == EntryType::regular, {}};
  }
  std::error_code ec;
  const fs::file_status status = fs::status(current, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    return {false, ec.message()};
  }
  return {kind == Kind::folder ? fs::is_directory(status) : fs::is_regular_file(status), {}};
}

}  // namespace vexo
