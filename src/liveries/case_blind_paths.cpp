#include "liveries/case_blind_paths.h"

#include <algorithm>
#include <system_error>

#include "foundation/text.h"

namespace fs = std::filesystem;

namespace vexo {

const CaseBlindPaths::Listing& CaseBlindPaths::listing(const fs::path& folder) {
  auto found = listings_.find(folder);
  if (found != listings_.end()) return found->second;
  Listing entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    entries.names.push_back(it->path().filename().string());
  }
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    entries.error = ec.message();
  }
  std::ranges::sort(entries.names);
  return listings_.emplace(folder, std::move(entries)).first->second;
}

CaseBlindPaths::Found CaseBlindPaths::exists(const fs::path& folder, std::string_view relative, Kind kind) {
  fs::path current = folder;
  while (!relative.empty()) {
    const auto cut = relative.find_first_of("\\/");
    std::string_view component = relative.substr(0, cut);
    relative = cut == std::string_view::npos ? std::string_view() : relative.substr(cut + 1);
    if (component == "." || component == "..") {
      current /= component;
      continue;
    }
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) component.remove_suffix(1);
    if (component.empty()) continue;
    const Listing& entries = listing(current);
    if (!entries.error.empty()) return {false, entries.error};
    if (std::ranges::binary_search(entries.names, component)) {
      current /= component;
      continue;
    }
    const auto match = std::ranges::find_if(entries.names, [component](const std::string& name) {
      return gf_equalsNoCase(name, component);
    });
    if (match == entries.names.end()) return {};
    current /= *match;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(current, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    return {false, ec.message()};
  }
  return {kind == Kind::folder ? fs::is_directory(status) : fs::is_regular_file(status), {}};
}

}  // namespace vexo
