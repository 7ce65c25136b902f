// Reading a whole file into memory at once, refusing one beyond a size limit before any
// of it is read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace vexo::platform {

enum class WholeFileRead {
  ok,
  notFound,  // nothing at the path (or a component of it is no folder)
  tooLarge,  // the file holds more than the limit; nothing was read
  failed,    // it exists but cannot be opened or read, or it is no regular file
};

// Replaces bytes with the content of the regular file at path when it holds at most
// maxBytes (below SIZE_MAX). One open, one size query and, as a rule, one read.
WholeFileRead gf_readWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes);
WholeFileRead gf_readWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::byte>& bytes);
// The same for the file called name in the open folder folderFd (OpenFolder::descriptor),
// so the system does not walk the folder's path again.
WholeFileRead gf_readWholeFileIn(int folderFd, const std::string& name, std::size_t maxBytes, std::string& bytes);

}  // namespace vexo::platform
