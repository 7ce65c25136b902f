// Writing a file so that its bytes are on the disk before it takes another file's place:
// a crash right after a rename must not leave an empty or half-written file behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexo::platform {

// Creates (or truncates) the file, writes the bytes, flushes them to the disk and closes
// it. Empty on success, else the reason (the system's error text).
std::string gf_writeDurably(const std::filesystem::path& path, std::string_view bytes);

// Flushes the folder's own entries (a rename just made in it) to the disk. Best effort:
// a folder that cannot be opened or synced is left as it is.
void gf_syncFolder(const std::filesystem::path& folder);

}  // namespace vexo::platform
