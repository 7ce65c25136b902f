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

// An open folder: what lies in it is opened by name, without the system walking the
// folder's whole path again. Closed with the object. Any thread may use a const one.
class OpenFolder {
public:
  OpenFolder() = default;
  ~OpenFolder();
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  // Opens the folder at path (a symbolic link to a folder is followed).
  std::error_code open(const std::filesystem::path& path);
  // Opens the folder called name inside parent; a link is not followed (the walk does not
  // go through links).
  std::error_code openIn(const OpenFolder& parent, const char* name);

  bool isOpen() const { return fd_ >= 0; }
  // The descriptor, for a read of a file in the folder (gf_readWholeFileIn); -1 when closed.
  int descriptor() const { return fd_; }

  // As gf_listFolder, from the folder's own descriptor.
  std::error_code list(std::vector<FolderEntry>& entries) const;

private:
  std::error_code take(int fd);
  int fd_ = -1;
};

}  // namespace vexo::platform
