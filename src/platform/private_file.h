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

// Creates or truncates the file for binary writing with the mode 0600 (also when it existed
// with wider rights); null when it cannot be opened.
FilePtr gf_createPrivateFile(const std::filesystem::path& path);

}  // namespace vexo::platform
