// Files that hold decrypted data: created readable and writable by the user alone.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace vexo::platform {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Creates the file anew for binary writing with the mode 0600: a file or a symbolic link
// already at the path is removed first (a link is never followed), and a file that
// appears meanwhile is not taken over. Null when it cannot be created.
FilePtr gf_createPrivateFile(const std::filesystem::path& path);

}  // namespace vexo::platform
