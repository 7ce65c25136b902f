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
  Listing& known = listings_[folder.native()];
  known.owned.clear();
  known.error.clear();
  known.entries = &entries;
}

const CaseBlindPaths::Listing& CaseBlindPaths::listing(std::string_view folder) {
  auto found = listings_.find(folder);
  if (found != listings_.end()) return found->second;
  Listing& made = listings_[std::string(folder)];
  const std::error_code ec = platform::gf_listFolder(fs::path(folder), made.owned);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) made.error = ec.message();
  lf_sortByName(made.owned);
  made.entries = &made.owned;
  return made;
}

namespace {

// Appends a component to a path text as fs::path's operator/ does for a relative name.
void lf_appendComponent(std::string& path, std::string_view name) {
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
}

}  // namespace

CaseBlindPaths::Found CaseBlindPaths::exists(const fs::path& folder, std::string_view relative, Kind kind) {
  // The path so far: the folder's own text until a component is added (most values name
  // an entry of the folder itself, which needs no copy of its path).
  std::string built;
  std::string_view current = folder.native();
  const auto append = [&](std::string_view name) {
    if (current.data() != built.data()) built.assign(current);
    lf_appendComponent(built, name);
    current = built;
  };
  const FolderEntry* last = nullptr;  // the entry the path ends at, when a listing gave it
  while (!relative.empty()) {
    const auto cut = relative.find_first_of("\\/");
    std::string_view component = relative.substr(0, cut);
    relative = cut == std::string_view::npos ? std::string_view() : relative.substr(cut + 1);
    if (component == "." || component == "..") {
      append(component);
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
    if (relative.empty() && last != nullptr &&
        (last->type == EntryType::directory || last->type == EntryType::regular)) {
      // The listing tells the kind: no status query, and no path needed.
      return {kind == Kind::folder ? last->type == EntryType::directory : last->type == EntryType::regular, {}};
    }
    append(last->name);
  }
  if (last != nullptr && (last->type == EntryType::directory || last->type == EntryType::regular)) {
    return {kind == Kind::folder ? last->type == EntryType::directory : last->type == EntryType::regular, {}};
  }
  std::error_code ec;
  const fs::file_status status = fs::status(fs::path(current), ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    return {false, ec.message()};
  }
  return {kind == Kind::folder ? fs::is_directory(status) : fs::is_regular_file(status), {}};
}

}  // namespace vexo
