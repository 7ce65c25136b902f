// A folder's entries as names with the type the listing itself tells, so a walk over many
// folders needs no query per entry and no path object per name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace vexo::platform {

enum class EntryType : std::uint8_t {
  directory,  // a real folder (not a link to one)
  regular,    // a regular file (not a link to one)
  symlink,    // a link, not followed: ask the file system what it points at
  other,      // anything else, or an entry whose type could not be found out
};

struct FolderEntry {
  std::string name;
  EntryType type = EntryType::other;
};

// Replaces entries with the folder's entries ("." and ".." left out) in the order the
// system gives them. Where the listing does not tell an entry's type, one query that
// does not follow links finds it. On failure the error, and no entries.
std::error_code gf_listFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries);

}  // namespace vexo::platform
