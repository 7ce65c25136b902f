// Paths as the simulator means them, on a file system that is not case-blind: the values
// of aircraft.cfg keys name files and folders in any case, with "\" between components,
// and Windows ignores trailing dots and blanks of a component ("model." is "model").
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_listing.h"

namespace vexo {

class CaseBlindPaths {
public:
  enum class Kind { folder, regularFile };

  struct Found {
    bool exists = false;
    std::string error;  // why the answer could not be found out; empty when it could
  };

  using Entries = std::vector<platform::FolderEntry>;  // sorted by name

  // The folder's listing, already at hand (sorted by name); it must outlive this object.
  // The walk gives each task its folder's listing, so no folder is listed twice and an
  // entry the listing knows as a folder or a regular file needs no status query.
  void know(const std::filesystem::path& folder, const Entries& entries);

  // Whether folder / relative exists as that kind. Each component is looked up among its
  // folder's entries: the exact name first, else the first (in byte order) that differs
  // only in the case of ASCII letters. Each folder is listed once per object. Never throws.
  Found exists(const std::filesystem::path& folder, std::string_view relative, Kind kind);

private:
  struct Listing {
    const Entries* entries = nullptr;  // owned, or a known listing
    Entries owned;
    std::string error;
  };
  // Keyed by the folder's path text; a name is looked up with a view.
  const Listing& listing(std::string_view folder);

  std::map<std::string, Listing, std::less<>> listings_;
};

// Sorts a listing by name, as CaseBlindPaths and the walk take it.
void lf_sortByName(CaseBlindPaths::Entries& entries);

}  // namespace vexo
